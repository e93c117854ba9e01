#pragma once

#include <string>

#include "platform/Env.h"

namespace platform {

// The folder part of a Windows path: everything up to and including its last '\', '/' or ':'
// ("" when it has none).
std::string FolderPart(const std::string& path);
// What follows the folder part.
std::string NamePart(const std::string& path);

// Creates a folder and any missing folders above it. One trailing separator is ignored.
// Returns whether the folder exists afterwards; when it does not, errno holds the system's
// reason the last folder could not be made.
bool ForceFolders(Env& env, const std::string& path);

}  // namespace platform
