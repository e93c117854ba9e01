#include "tools/zlb/Interrupt.h"

namespace zlb {

using platform::InterruptCleanup;

platform::Result<std::string> TemporaryFilesCleanupEnv::CreateTempFile(const std::string& folder,
                                                                       const std::string& prefix) {
  InterruptCleanup::Held held;
  platform::Result<std::string> name = EnvWrapper::CreateTempFile(folder, prefix);
  if (name) {
    if (const auto host = HostPath(name.Value()); host && cleanup_.Set(slot_, *host)) {
      tracked_ = name.Value();
    }
  }
  return name;
}

platform::Status TemporaryFilesCleanupEnv::Settle(const std::string& from,
                                                  const std::function<platform::Status()>& step) {
  InterruptCleanup::Held held;
  const platform::Status done = step();
  if (done && !tracked_.empty() && from == tracked_) {
    cleanup_.Clear(slot_);
    tracked_.clear();
  }
  return done;
}

platform::Status TemporaryFilesCleanupEnv::MoveFile(const std::string& from,
                                                    const std::string& to) {
  return Settle(from, [&] { return EnvWrapper::MoveFile(from, to); });
}

platform::Status TemporaryFilesCleanupEnv::RenameFile(const std::string& source,
                                                      const std::string& target) {
  return Settle(source, [&] { return EnvWrapper::RenameFile(source, target); });
}

platform::Status TemporaryFilesCleanupEnv::DeleteFile(const std::string& path) {
  return Settle(path, [&] { return EnvWrapper::DeleteFile(path); });
}

}  // namespace zlb
