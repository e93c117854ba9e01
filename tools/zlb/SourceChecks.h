#pragma once

#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "platform/Env.h"
#include "tools/zlb/CommandLine.h"

namespace zlb {

// The files that create or add would put into the archive, worked out from the command line
// (with -r a folder stands for every file below it), and checked before anything is written:
// each must be readable, must not be the archive itself, must get a stored name that zlb
// extract can recreate, and must not collide with a member already in the archive or with
// another file of the list. Fails with a Failure naming every problem, each with its file as
// the user gave it and the reason. itself: the names the archive goes by (its final name and
// the file it is built in); a folder's listing leaves them out, a file given by name is refused.
// The archive supplies the members present and the SavePaths and RecursePaths settings; env is
// the one the archive works through.
std::vector<std::string> CheckedSources(platform::Env& env, TZLBArchive& archive,
                                        const std::vector<std::string>& itself,
                                        const Options& options);

}  // namespace zlb
