#pragma once

#include <string>

#include "platform/Env.h"
#include "platform/WinNames.h"

namespace platform {

// Creates a folder and any missing folders above it. One trailing separator is ignored.
// Succeeds when the folder exists afterwards; else says why: the first failure up the tree,
// which explains the ones below it, and kNotFolder when something other than a folder is in
// the way.
Status ForceFolders(Env& env, const std::string& path);

}  // namespace platform
