#pragma once

#include "archive/ZLIBArchive.h"
#include "platform/Env.h"
#include "tools/zlb/CommandLine.h"

namespace zlb {

// Opens the archive named on the command line for reading: with the whole-file check, or with
// salvage without it (members are then checked one by one). A failure becomes a Failure that
// names the archive as the user gave it and says why: the system's reason when it could not be
// opened, "not a ZLB archive" when the file is too short or has no valid trailer, and a hint at
// --salvage when only the whole-file check failed. env: the one the archive works through.
void OpenNamedArchive(TZLBArchive& archive, platform::Env& env, const Options& options,
                      bool salvage);

}  // namespace zlb
