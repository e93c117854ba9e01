#include "platform/Env.h"

#include "platform/Folders.h"

namespace platform {

Status Env::ReplaceFile(const std::string& source, const std::string& target) {
  // The order is what makes the replacement safe from a power cut: a rename that reached the
  // disk before the data it names would leave the target empty or short.
  if (Status synced = SyncFile(source); !synced) {
    return synced;
  }
  if (Status renamed = RenameFile(source, target); !renamed) {
    return renamed;
  }
  return SyncFolder(FolderPart(target));
}

}  // namespace platform
