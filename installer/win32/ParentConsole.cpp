#include "installer/win32/ParentConsole.h"

#include <cstdio>

#include "installer/win32/Win32Api.h"

namespace win32 {

namespace {

bool Usable(DWORD which) {
  HANDLE handle = ::GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void UseParentConsole() {
  const bool out = Usable(STD_OUTPUT_HANDLE);
  const bool err = Usable(STD_ERROR_HANDLE);
  if ((out && err) || !::AttachConsole(ATTACH_PARENT_PROCESS)) {
    return;
  }
  if (!out) {
    HANDLE console = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
    ::SetStdHandle(STD_OUTPUT_HANDLE, console);
    std::FILE* reopened = std::freopen("CONOUT$", "w", stdout);
    (void)reopened;
  }
  if (!err) {
    HANDLE console = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
    ::SetStdHandle(STD_ERROR_HANDLE, console);
    std::FILE* reopened = std::freopen("CONOUT$", "w", stderr);
    (void)reopened;
    std::setvbuf(stderr, nullptr, _IONBF, 0);
  }
}

}  // namespace win32
