#include "platform/Folders.h"

#include <cerrno>

#include "platform/HostUtil.h"
#include "platform/WinNames.h"

namespace platform {

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
  // Create the parent first, unless we are at a root ("C:", "\", a bare name). Why a folder
  // could not be made is left in errno for the caller to report: the first failure up the tree
  // explains the ones below it, and something other than a folder in the way is "Not a
  // directory".
  int why = 0;
  const std::string parent = FolderPart(folder);
  if (folder.size() > 2 && !parent.empty() && parent != folder && !ForceFolders(env, parent)) {
    why = errno;
  }
  errno = 0;
  env.CreateFolder(folder);
  if (why == 0) {
    why = errno == EEXIST ? ENOTDIR : errno;
  }
  if (env.FolderExists(folder)) {
    errno = 0;
    return true;
  }
  errno = why != 0 ? why : ENOENT;
  return false;
}

}  // namespace platform
