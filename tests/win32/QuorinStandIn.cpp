// A stand-in for the product's program in the installer's data file: each start appends one
// line to the file that QUORIN_STANDIN_LOG names, "<creation time>\t<command line>\t<current
// folder>", so that a test sees how often, in which order, with what and where it was started.
// It has no window and no console, as a started GUI program.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

int main() {
  char logPath[MAX_PATH] = {};
  const DWORD logLength = ::GetEnvironmentVariableA("QUORIN_STANDIN_LOG", logPath, MAX_PATH);
  char folder[MAX_PATH] = {};
  const DWORD folderLength = ::GetCurrentDirectoryA(MAX_PATH, folder);
  if (logLength == 0 || logLength >= MAX_PATH || folderLength == 0 || folderLength >= MAX_PATH) {
    return 1;
  }
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  const unsigned long long time =
      (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  const std::string line = std::to_string(time) + "\t" + ::GetCommandLineA() + "\t" + folder + "\n";
  // Two starts may write at once: the file is held alone while a line is appended.
  for (int attempt = 0; attempt < 400; ++attempt) {
    HANDLE log = ::CreateFileA(logPath, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      const BOOL ok =
          ::WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      ::CloseHandle(log);
      return ok && written == line.size() ? 0 : 1;
    }
    ::Sleep(25);
  }
  return 1;
}
