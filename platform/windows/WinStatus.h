#pragma once

#include <string>

#include "platform/Status.h"
#include "platform/windows/Win32.h"

// Windows error codes (GetLastError()) as the seam's reasons, with the system's own words.
namespace platform {

// The failure an error code stands for, in the system's words for it.
Status StatusOfError(DWORD error);
// The failure of the call that has just failed, from GetLastError().
Status LastErrorStatus();
// The system's words for an error code (FormatMessageA), without the closing full stop and
// line end, so that more can follow; "" for 0.
std::string ErrorText(DWORD error);

}  // namespace platform
