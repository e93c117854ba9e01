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
// Succeeds when the folder exists afterwards; else says why: the first failure up the tree,
// which explains the ones below it, and kNotFolder when something other than a folder is in
// the way.
Status ForceFolders(Env& env, const std::string& path);

}  // namespace platform
