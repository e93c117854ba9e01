#pragma once

#include <string>

namespace platform {

// The host path (UTF-8) of the folder that holds the running program's own file, without a
// closing separator; "" when the system cannot say.
std::string ProgramFolder();

}  // namespace platform
