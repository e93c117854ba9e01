#pragma once

#include <string>

#include "platform/Env.h"
#include "platform/WinNames.h"

namespace platform {

// Creates a folder and any missing folders above it. One trailing separator is ignored.
// Returns whether the folder exists afterwards; when it does not, errno holds the system's
// reason the last folder could not be made.
bool ForceFolders(Env& env, const std::string& path);

}  // namespace platform
