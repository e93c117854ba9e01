// A program for the tests of starting programs: writes how it was started into "started.txt"
// in its current folder: its command line on the first line, its current folder on the second.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

int main() {
  char folder[MAX_PATH];
  const DWORD length = ::GetCurrentDirectoryA(sizeof folder, folder);
  std::FILE* record = std::fopen("started.txt.part", "wb");
  if (record == nullptr || length == 0 || length >= sizeof folder) {
    return 1;
  }
  std::fprintf(record, "%s\n%s\n", ::GetCommandLineA(), folder);
  std::fclose(record);
  // Complete before it has its name, so that the test never reads half of it.
  return ::MoveFileA("started.txt.part", "started.txt") ? 0 : 1;
}
