#pragma once

#include <string>

#include "archive/ZLIBArchive.h"
#include "tools/zlb/CommandLine.h"

namespace zlb {

// Opens the archive named on the command line for reading: with the whole-file check, or with
// salvage without it (members are then checked one by one). A failure becomes a Failure that
// names the archive as the user gave it and says why: the system's reason when it could not be
// opened, "not a ZLB archive" when the file is too short or has no valid trailer, and a hint at
// --salvage when only the whole-file check failed.
void OpenForReading(TZLBArchive& archive, const Options& options, bool salvage);

// Why nothing can be at a path (in the system's code page): a folder where a file should be,
// a drive the Wine prefix does not map, a network name, or else "No such file or directory".
std::string WhyNothingThere(const std::string& name);

}  // namespace zlb
