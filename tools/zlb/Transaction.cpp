#include "tools/zlb/Transaction.h"

namespace zlb {

using platform::InterruptCleanup;

WriteTransaction::WriteTransaction(platform::Env& env, InterruptCleanup& cleanup,
                                   const std::function<std::string()>& make)
    : env_(env), cleanup_(cleanup), slot_(cleanup.ReserveSlot()) {
  InterruptCleanup::Held held;  // never a moment with the file there but not registered
  try {
    name_ = make();
  } catch (...) {
    cleanup_.ReleaseSlot(slot_);
    throw;
  }
  if (const auto host = env_.HostPath(name_)) {
    cleanup_.Set(slot_, *host);
  }
}

WriteTransaction::~WriteTransaction() {
  InterruptCleanup::Held held;
  if (!name_.empty()) {
    env_.DeleteFile(name_);
  }
  cleanup_.ReleaseSlot(slot_);
}

platform::Status WriteTransaction::Commit(const std::string& target, bool replace) {
  const platform::Status placed = cleanup_.Commit(
      [&] { return replace ? env_.ReplaceFile(name_, target) : env_.MoveFile(name_, target); });
  if (placed) {
    name_.clear();
  }
  return placed;
}

}  // namespace zlb
