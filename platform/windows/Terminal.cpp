#include "platform/Terminal.h"

#include "platform/windows/Win32.h"

namespace platform {

bool StandardErrorIsTerminal() {
  // A console answers GetConsoleMode; a pipe, a file or NUL does not.
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace platform
