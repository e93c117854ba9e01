#pragma once

#include "platform/Env.h"
#include "tools/zlb/CommandLine.h"

namespace zlb {

// The commands. Each works through env alone (the host's, or a test's), writes its results to
// standard output and returns the exit status: 0, or 1 when it went on past a problem it
// reported. A command that cannot go on fails with a Failure (tools/zlb/Report.h) or an
// Exception carrying the archive component's message.

// The command the options name.
int RunCommand(platform::Env& env, const Options& options);

// Reading side.
int RunList(platform::Env& env, const Options& options);
int RunInfo(platform::Env& env, const Options& options);
int RunTest(platform::Env& env, const Options& options);
int RunExtract(platform::Env& env, const Options& options);

// Writing side.
int RunCreate(platform::Env& env, const Options& options);
int RunAdd(platform::Env& env, const Options& options);

}  // namespace zlb
