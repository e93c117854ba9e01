#include "installer/InstallLog.h"

#include <ctime>
#include <iostream>

#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/Exception.h"

namespace installer {

std::string LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  char text[32] = "";
  if (const std::tm* local = std::localtime(&now)) {
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
  }
  return text;
}

InstallLog::InstallLog() = default;
InstallLog::~InstallLog() = default;

void InstallLog::Open(platform::Env& env, const std::string& path, Clock clock) {
  const bool existed = env.FileExists(path);
  auto opened =
      env.OpenFile(path, existed ? TFileMode::fmOpenReadWriteExclusive : TFileMode::fmCreate);
  if (!opened) {
    const std::string templ = existed ? "Cannot open file %s" : "Cannot create file %s";
    throw Exception(existed ? FailureKind::kCannotOpen : FailureKind::kCannotCreate,
                    FormatMessage(templ, path), opened.Failure().Text());
  }
  file_ = std::move(opened).Value();
  file_->Seek(0, TSeekOrigin::soEnd);
  path_ = path;
  clock_ = clock ? std::move(clock) : Clock(LocalTimeNow);
}

void InstallLog::Line(const std::string& text) {
  if (!file_ || failed_) {
    return;
  }
  const std::string line = clock_() + " " + text + "\n";
  try {
    if (file_->Write(line.data(), line.size()) == line.size()) {
      return;
    }
  } catch (const std::exception&) {
  }
  failed_ = true;
  std::cerr << "InstallQuorin: the log " << platform::AnsiToUtf8(path_)
            << " could not be written; no more lines go to it\n";
}

}  // namespace installer
