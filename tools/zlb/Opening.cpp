#include "tools/zlb/Opening.h"

#include <memory>

#include "archive/ArchiveFormat.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/Stream.h"
#include "tools/zlb/Display.h"
#include "tools/zlb/Messages.h"

namespace zlb {

std::string WhyNothingThere(const std::string& name) {
  platform::Env& env = *platform::Env::Default();
  if (env.FolderExists(name)) {
    return platform::SystemText(platform::Reason::kIsFolder);
  }
  if (!env.HostPath(name)) {
    if (name.size() >= 2 && name[1] == ':') {
      return std::string("drive ") + name.substr(0, 2) + " is not mapped in the Wine prefix";
    }
    if (name.compare(0, 2, "\\\\") == 0) {
      return "network names cannot be reached from here";
    }
  }
  return platform::SystemText(platform::Reason::kNotFound);
}

namespace {

// Whether the file ends in something a writer of archives could have left there: at least a
// trailer, with a registry mark of 1 and a registry that lies in the file. Anything else is no
// archive at all rather than a damaged one.
bool HasArchiveTrailer(platform::Env& env, const std::string& name) {
  try {
    TFileStream file(name, TFileMode::fmOpenReadDenyWrite, &env);
    const std::int64_t size = file.Size();
    if (size < std::int64_t{kTrailerSize}) {
      return size == 0;
    }
    std::uint8_t bytes[kTrailerSize];
    file.SetPosition(size - std::int64_t{kTrailerSize});
    file.ReadBuffer(bytes, kTrailerSize);
    const TArchiveTrailer trailer = DecodeTrailer(bytes);
    return trailer.RegistryMark == 1 && trailer.FileCount >= 0 && trailer.RegistryOffset >= 0 &&
           trailer.RegistryOffset <= size - std::int64_t{kTrailerSize};
  } catch (const Exception&) {
    return true;  // it cannot be read now; say nothing more than the component did
  }
}

}  // namespace

void OpenForReading(TZLBArchive& archive, const Options& options, bool salvage) {
  platform::Env& env = *platform::Env::Default();
  const std::string name = platform::Utf8ToAnsi(options.archive);
  try {
    if (salvage) {
      archive.OpenArchiveForSalvage(name);
    } else {
      archive.OpenArchive(name);
    }
  } catch (const Exception& failure) {
    std::string text = ShownUtf8(options.archive) + ": " + Describe(failure);
    if (failure.Kind() == FailureKind::kNotFound) {
      text += ": " + Shown(WhyNothingThere(name));
    } else if (failure.Kind() == FailureKind::kCorrupt) {
      if (!HasArchiveTrailer(env, name)) {
        text += ": not a ZLB archive";
      } else if (!salvage) {
        text += " (try --salvage to check member by member)";
      }
    }
    throw Failure(text);
  }
}

}  // namespace zlb
