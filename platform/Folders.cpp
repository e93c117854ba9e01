#include "platform/Folders.h"

#include "platform/WinNames.h"

namespace platform {

Status ForceFolders(Env& env, const std::string& path) {
  std::string folder = path;
  if (EndsWithSeparator(folder)) {
    folder.pop_back();
  }
  if (folder.empty()) {
    return Status::Of(Reason::kNotFound);
  }
  if (env.FolderExists(folder)) {
    return Status();
  }
  // Create the parent first, unless we are at a root ("C:", "\", a bare name).
  Status why;
  const std::string parent = FolderPart(folder);
  if (folder.size() > 2 && !parent.empty() && parent != folder) {
    why = ForceFolders(env, parent);
  }
  const Status made = env.CreateFolder(folder);
  if (why) {
    // The name is taken, and not by a folder (that would have been found above).
    why = made.Why() == Reason::kAlreadyExists ? Status::Of(Reason::kNotFolder) : made;
  }
  if (env.FolderExists(folder)) {
    return Status();
  }
  // Made, yet not there (taken away at once): missing all the same.
  return why ? Status::Of(Reason::kNotFound) : why;
}

}  // namespace platform
