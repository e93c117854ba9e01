#include "archive/ArchiveFiles.h"

#include "platform/Env.h"
#include "platform/Exception.h"

std::unique_ptr<TFileStream> OpenForReading(const std::string& fileName, platform::Env& env) {
  try {
    return std::make_unique<TFileStream>(fileName, TFileMode::fmOpenReadDenyWrite, &env);
  } catch (const Exception& failure) {
    throw Exception(FormatMessage("Unable to open file (%s)", fileName), failure.Cause());
  }
}

TemporaryFile::~TemporaryFile() {
  if (!name_.empty()) {
    env_.DeleteFile(name_);
  }
}
