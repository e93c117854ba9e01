#include "platform/ProgramFolder.h"

#include <string>

#include "platform/windows/Win32.h"

namespace platform {

std::string ProgramFolder() {
  std::string path(MAX_PATH * 4, '\0');
  const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
  // Zero is a failure; a full buffer means the name was cut short.
  if (length == 0 || length >= path.size()) {
    return "";
  }
  path.resize(length);
  const std::size_t cut = path.find_last_of("\\/");
  if (cut == std::string::npos) {
    return "";
  }
  // A folder at the root of a drive keeps its separator: "C:\".
  return cut == 2 && path[1] == ':' ? path.substr(0, 3) : path.substr(0, cut);
}

}  // namespace platform
