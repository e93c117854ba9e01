#pragma once

#include <functional>
#include <string>

#include "platform/Env.h"
#include "platform/Interruption.h"

namespace zlb {

// The all-or-nothing write of one command: the file its result is built in, registered with the
// interrupt cleanup from the moment it exists, so that an interruption removes it, and put in
// its target's place by Commit, with interruptions held back, as the run's last change. Until
// then nothing but that file has been made; a transaction that ends without a commit removes it.
class WriteTransaction {
 public:
  // make: creates the file and gives its name, or fails (with whatever it throws; nothing is
  // left behind then). It runs with interruptions held back.
  WriteTransaction(platform::Env& env, platform::InterruptCleanup& cleanup,
                   const std::function<std::string()>& make);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  // The file the result is built in.
  const std::string& Name() const { return name_; }

  // Puts the file in target's place: over the file there when replace is set, else only where
  // nothing is (a file that appeared meanwhile is left alone: kAlreadyExists). Once this has
  // succeeded the run's work is done, and interruptions are ignored until the program ends.
  // When it fails, nothing has changed and the file is still the transaction's to remove.
  platform::Status Commit(const std::string& target, bool replace);

 private:
  platform::Env& env_;
  platform::InterruptCleanup& cleanup_;
  int slot_;
  std::string name_;  // "" once committed
};

}  // namespace zlb
