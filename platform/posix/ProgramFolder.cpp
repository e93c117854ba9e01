#include "platform/ProgramFolder.h"

#include <unistd.h>

#include <string>

namespace platform {

std::string ProgramFolder() {
  std::string path(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
    return "";
  }
  path.resize(static_cast<std::size_t>(length));
  const std::size_t slash = path.find_last_of('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace platform
