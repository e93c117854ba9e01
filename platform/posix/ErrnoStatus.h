#pragma once

#include <string>

#include "platform/Status.h"

// How the host's error numbers become reasons (platform/Status.h). Only the host implementation
// of the environment reads errno, right after the call that set it.
namespace platform {

// The failure an error number stands for, with the system's text for it.
Status StatusOfErrno(int error);

// The system's text for an error number (strerror); empty for 0.
std::string ErrnoText(int error);

}  // namespace platform
