#include "archive/DiskWriter.h"

#include <algorithm>
#include <memory>

#include "archive/FileHelpers.h"
#include "archive/NamesOnExtract.h"
#include "platform/BufferedStreams.h"
#include "platform/Env.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/WinNames.h"

namespace archive {

std::string DiskWriter::Place(const std::string& destDir, const TArchiveEntry& entry,
                              int index) const {
  const std::string name = ShortString(entry.Name);
  const std::string path = ShortString(entry.Path);
  if (!IsSafeMemberName(name) ||
      (policy_.withPaths && (!IsSafeMemberPath(path) || !StaysWithinFolder(destDir, path)))) {
    throw Exception(FormatMessage("File (%d) has an unsafe name", index));
  }
  // A destination written the host's way keeps that form in the names built from it.
  const bool hostForm = platform::SeparatorOf(destDir) == '/';
  std::string dir = destDir;
  if (policy_.withPaths) {
    dir = JoinExtractFolder(destDir, path);
    if (dir.empty()) {
      throw Exception("Unable to create directory");
    }
    if (const platform::Status made = platform::ForceFolders(env_, dir); !made) {
      throw Exception(FailureKind::kCannotCreateFolder, "Unable to create destination path",
                      made.Text());
    }
    if (hostForm) {
      std::replace(dir.begin(), dir.end(), '\\', '/');
    }
  }
  if (hostForm) {
    return dir.back() == '/' ? dir + name : dir + "/" + name;
  }
  return dir + "\\" + name;
}

namespace {

// Files are written through a large buffer: a member reaches the disk in few, large writes. A
// small member gets a buffer of its own size.
constexpr std::int64_t kFileBuffer = 256 * 1024;
constexpr std::int64_t kSmallestBuffer = 4096;

// Writes the member's bytes into out through the buffer and closes out. The last write and the
// close are checked too, so that a disk that fills up at the very end fails the file, naming it,
// instead of leaving a short file counted as written.
void ProduceInto(TFileStream& out, std::int64_t size, const DiskWriter::Producer& produce,
                 const std::string& cannotCreate) {
  TWriteBufferedStream buffered(
      out, static_cast<std::size_t>(std::clamp(size, kSmallestBuffer, kFileBuffer)));
  produce(buffered);
  try {
    buffered.Flush();  // leaves nothing for the buffer's destructor to write
    out.Close();
  } catch (const Exception& failure) {
    throw EFCreateError(cannotCreate, CauseOf(failure));
  }
}

}  // namespace

bool DiskWriter::Write(const std::string& full, std::int64_t size, const Producer& produce,
                       const ReplaceQuestion& mayReplace) const {
  const std::string cannotCreate = FormatMessage("Cannot create file %s", full);
  const std::string isFolder = platform::SystemText(platform::Reason::kIsFolder);
  if (env_.FolderExists(full)) {
    throw EFCreateError(cannotCreate, isFolder);
  }
  const bool existed = env_.FileExists(full);
  if (existed) {
    if (!mayReplace(full)) {
      return false;
    }
    // Windows opens the file it overwrites: one that is read-only or held by another program
    // is refused, and stays as it is.
    if (const auto opened = env_.OpenFile(full, TFileMode::fmOpenReadWriteExclusive); !opened) {
      throw EFCreateError(cannotCreate, opened.Failure().Text());
    }
  }

  platform::Result<std::string> made = env_.CreateTempFile(platform::FolderPart(full), "ZLB");
  TemporaryFile temp(env_, made.Value());
  if (!made) {
    if (!existed) {
      throw EFCreateError(cannotCreate, made.Failure().Text());
    }
    // Nothing can be created in the folder, but the file itself may be written: overwrite it
    // where it stands, as Windows would.
    TFileStream out(full, TFileMode::fmCreate, &env_);
    ProduceInto(out, size, produce, cannotCreate);
    return true;
  }
  {
    std::unique_ptr<TFileStream> out;
    try {
      out = std::make_unique<TFileStream>(temp.Name(), TFileMode::fmCreate, &env_);
    } catch (const Exception& failure) {
      throw EFCreateError(cannotCreate, failure.Cause());
    }
    ProduceInto(*out, size, produce, cannotCreate);
  }
  const platform::Status placed =
      existed ? env_.ReplaceFile(temp.Name(), full) : env_.MoveFile(temp.Name(), full);
  if (placed) {
    temp.Release();
    return true;
  }
  if (!existed) {
    // Something took the name while the member was being written. A file was never asked
    // about, so it is replaced only if the question allows it now; anything else that is no
    // folder (a link that leads nowhere) is replaced as it would have been before.
    if (env_.FileExists(full) && !mayReplace(full)) {
      return false;
    }
    if (!env_.FolderExists(full) && env_.ReplaceFile(temp.Name(), full)) {
      temp.Release();
      return true;
    }
  }
  // A folder of that name is in the way, or the folder refuses the new name.
  throw EFCreateError(cannotCreate, env_.FolderExists(full) ? isFolder : placed.Text());
}

}  // namespace archive
