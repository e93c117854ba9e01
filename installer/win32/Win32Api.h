#pragma once

// The Win32 headers the installer's windows use: the system's own (without the macros that
// would rename the Env's methods), the common controls and the common dialogs.
#include "platform/windows/Win32.h"

// Need <windows.h> first.
#include <commctrl.h>
#include <commdlg.h>
