#include "platform/Folders.h"

#include "platform/WinNames.h"

namespace platform {
namespace {

std::size_t FolderPartLength(const std::string& path) {
  const auto last = path.find_last_of("\\/:");
  return last == std::string::npos ? 0 : last + 1;
}

}  // namespace

std::string FolderPart(const std::string& path) {
  return path.substr(0, FolderPartLength(path));
}

std::string NamePart(const std::string& path) {
  return path.substr(FolderPartLength(path));
}

bool ForceFolders(Env& env, const std::string& path) {
  std::string folder = path;
  if (EndsWithSeparator(folder)) {
    folder.pop_back();
  }
  if (folder.empty()) {
    return false;
  }
  if (env.FolderExists(folder)) {
    return true;
  }
  // Create the parent first, unless we are at a root ("C:", "\", a bare name).
  const std::string parent = FolderPart(folder);
  if (folder.size() > 2 && !parent.empty() && parent != folder) {
    ForceFolders(env, parent);
  }
  env.CreateFolder(folder);
  return env.FolderExists(folder);
}

}  // namespace platform
