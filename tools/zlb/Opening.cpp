#include "tools/zlb/Opening.h"

#include <cstdint>
#include <string>

#include "archive/ArchiveFormat.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/Stream.h"
#include "tools/zlb/Display.h"
#include "tools/zlb/Report.h"

namespace zlb {
namespace {

// Whether the file ends in something a writer of archives could have left there: at least a
// trailer, with a registry mark of 1 and a registry that lies in the file. Anything else is no
// archive at all rather than a damaged one.
bool HasArchiveTrailer(platform::Env& env, const std::string& name) {
  try {
    TFileStream file(name, TFileMode::fmOpenReadDenyWrite, &env);
    const std::int64_t size = file.Size();
    if (size < std::int64_t{archive::kTrailerSize}) {
      return size == 0;
    }
    std::uint8_t bytes[archive::kTrailerSize];
    file.SetPosition(size - std::int64_t{archive::kTrailerSize});
    file.ReadBuffer(bytes, archive::kTrailerSize);
    const TArchiveTrailer trailer = archive::DecodeTrailer(bytes);
    return trailer.RegistryMark == 1 && trailer.FileCount >= 0 && trailer.RegistryOffset >= 0 &&
           trailer.RegistryOffset <= size - std::int64_t{archive::kTrailerSize};
  } catch (const Exception&) {
    return true;  // it cannot be read now; say nothing more than the component did
  }
}

}  // namespace

void OpenNamedArchive(TZLBArchive& archive, platform::Env& env, const Options& options,
                      bool salvage) {
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
      text += ": " + Shown(WhyNothingThere(env, name));
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
