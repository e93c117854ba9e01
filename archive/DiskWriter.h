#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "archive/ArchiveFormat.h"
#include "platform/Stream.h"

namespace platform {
class Env;
}

namespace archive {

// How extracted members are put on disk.
struct DiskPolicy {
  // Recreate each member's stored Path below the destination folder.
  bool withPaths = false;
};

// The disk side of extraction, the one place where its policy lives: which stored names are
// safe, where a member lands, and how a file of that name already there is treated. The
// member's bytes come from the caller; nothing here knows the archive's format beyond the
// entry's Name and Path.
//
// A member is written to a temporary file beside its target and then renamed into place, so
// nobody ever sees half a file, with three exceptions that follow what Windows does:
//  - a target that is a folder, or a file that is read-only or held by another program, fails
//    with "Cannot create file %s" before anything is written, and stays as it is;
//  - when no file can be created in the target's folder but an existing target can be opened
//    for writing, the target is overwritten where it stands;
//  - a new file is renamed into place by a rename that refuses to replace: a file of that name
//    that appears meanwhile is replaced only if the replace question allows it.
// A target that is a symbolic link is replaced by the member; what it points to is not written.
class DiskWriter {
 public:
  // Asked before an existing file is replaced, with the file's full name; true to replace it.
  using ReplaceQuestion = std::function<bool(const std::string& full)>;
  // Writes a member's bytes into the stream it is given.
  using Producer = std::function<void(TStream& out)>;

  DiskWriter(platform::Env& env, DiskPolicy policy) : env_(env), policy_(policy) {}

  // The full name of the file that member index (entry) becomes below destDir, with its folders
  // created when the policy keeps paths. The name has the destination's form: host separators
  // for a host path such as /tmp/out, backslashes otherwise. Fails with "File (%d) has an
  // unsafe name" for a name or path that could leave destDir, and with "Unable to create
  // directory" or "Unable to create destination path" when the folder cannot be made.
  std::string Place(const std::string& destDir, const TArchiveEntry& entry, int index) const;

  // Writes the file full with the bytes that produce writes; size: how many it is expected to
  // write, which only sizes the buffer. Returns false when an existing file was left alone
  // because the question said no. A failure of produce passes through unchanged and leaves any
  // existing file as it was (unless it was being overwritten where it stands).
  bool Write(const std::string& full, std::int64_t size, const Producer& produce,
             const ReplaceQuestion& mayReplace) const;

 private:
  platform::Env& env_;
  DiskPolicy policy_;
};

}  // namespace archive
