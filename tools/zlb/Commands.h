#pragma once

#include "tools/zlb/CommandLine.h"

namespace zlb {

// The commands. Each writes its results to standard output and returns the exit status: 0, or
// 1 when it went on past a problem it reported. A command that cannot go on fails with a
// Failure (tools/zlb/Messages.h) or an Exception carrying the archive component's message.

// Reading side.
int RunList(const Options& options);
int RunInfo(const Options& options);
int RunTest(const Options& options);
int RunExtract(const Options& options);

// Writing side.
int RunCreate(const Options& options);
int RunAdd(const Options& options);

}  // namespace zlb
