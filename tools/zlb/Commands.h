#pragma once

#include "tools/zlb/CommandLine.h"

namespace zlb {

// The commands. Each writes its results to standard output and fails with an Exception
// carrying the archive component's message (or one of its own).

// Reading side.
void RunList(const Options& options);
void RunInfo(const Options& options);
void RunTest(const Options& options);
void RunExtract(const Options& options);

// Writing side.
void RunCreate(const Options& options);
void RunAdd(const Options& options);

}  // namespace zlb
