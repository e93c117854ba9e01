#include "platform/WholeFile.h"

#include "platform/Env.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/Stream.h"

namespace platform {

void WriteWholeFile(Env& env, const std::string& path, const std::string& bytes) {
  const std::string cannotCreate = FormatMessage("Cannot create file %s", path);
  if (env.FolderExists(path)) {
    throw EFCreateError(cannotCreate, SystemText(Reason::kIsFolder));
  }
  if (env.FileExists(path)) {
    if (const auto opened = env.OpenFile(path, TFileMode::fmOpenReadWriteExclusive); !opened) {
      throw EFCreateError(cannotCreate, opened.Failure().Text());
    }
  }
  const Result<std::string> made = env.CreateTempFile(FolderPart(path), NamePart(path) + ".");
  if (!made) {
    throw EFCreateError(cannotCreate, made.Failure().Text());
  }
  const std::string& temp = made.Value();
  try {
    TFileStream file(temp, TFileMode::fmCreate, &env);
    file.WriteBuffer(bytes.data(), bytes.size());
    file.Close();
  } catch (const Exception& failure) {
    env.DeleteFile(temp);
    throw EFCreateError(cannotCreate, CauseOf(failure));
  }
  if (const Status placed = env.ReplaceFile(temp, path); !placed) {
    env.DeleteFile(temp);  // nothing when the rename took it, and the folder's flush failed
    throw EFCreateError(cannotCreate, placed.Text());
  }
}

}  // namespace platform
