#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/EnvWrapper.h"

// An environment that makes the disk say no: it fails the Nth call of a chosen kind (or every
// call of that kind from the Nth on) with a reason of the test's choosing, and records, in
// order, every call that changes the disk (and every open), failed or not. Everything else is
// passed to the target untouched. The way to try an operation against every failure it can
// meet is to run it once to count its calls, then once for each N (tests/support/FaultLoop.h).
class FaultInjectionEnv : public platform::EnvWrapper {
 public:
  // The kinds of calls that can be failed.
  enum class Kind {
    kCreateFile,    // OpenFile with fmCreate, CreateTempFile
    kWrite,         // File::Write
    kFlush,         // SyncFile, File::Sync
    kFlushFolder,   // SyncFolder
    kClose,         // File::Close
    kRename,        // RenameFile, MoveFile
    kDelete,        // DeleteFile, DeleteFolder
    kCreateFolder,  // CreateFolder
  };
  static constexpr Kind kKinds[] = {Kind::kCreateFile,  Kind::kWrite,       Kind::kFlush,
                                    Kind::kFlushFolder, Kind::kClose,       Kind::kRename,
                                    Kind::kDelete,      Kind::kCreateFolder};
  static const char* Name(Kind kind);

  struct Fault {
    Kind kind = Kind::kWrite;
    int nth = 0;          // the call to fail, counting from 1; 0 fails none
    bool onward = false;  // also every later call of the kind
    // The reason given. For a write, a short one instead writes half of what it was asked to
    // and says so (no reason at all).
    platform::Status why{platform::Reason::kNoSpace, "injected: no space left on device"};
    bool shortWrite = false;
  };

  // One call as it was made. path: the file or folder it is about (for File calls, the name the
  // file was opened by), to: the target of a rename, mode: the TFileMode of an open.
  struct Call {
    std::string op;  // "OpenFile", "Write", "Sync", "Close", "SyncFile", "SyncFolder", ...
    std::string path;
    std::string to;
    int mode = -1;
    int handle = 0;  // for an open and the calls on the file it opened: which open it was
    bool failed = false;
  };

  // canonical: turns a path into the one text that every spelling of it shares (see
  // MemEnv::Canonical), applied to the paths recorded; as given when empty.
  explicit FaultInjectionEnv(platform::Env* target,
                             std::function<std::string(const std::string&)> canonical = {});

  void Inject(const Fault& fault) { fault_ = fault; }
  // How many calls of a kind were made so far.
  int Count(Kind kind) const;
  // Whether the fault was given to a caller.
  bool Fired() const { return fired_; }
  const std::vector<Call>& Calls() const { return calls_; }

  platform::Result<std::unique_ptr<platform::File>> OpenFile(const std::string& path,
                                                             TFileMode mode) override;
  platform::Status CreateFolder(const std::string& path) override;
  platform::Status DeleteFile(const std::string& path) override;
  platform::Status DeleteFolder(const std::string& path) override;
  platform::Status MoveFile(const std::string& from, const std::string& to) override;
  platform::Status RenameFile(const std::string& source, const std::string& target) override;
  platform::Status SyncFile(const std::string& path) override;
  platform::Status SyncFolder(const std::string& path) override;
  platform::Result<std::string> CreateTempFile(const std::string& folder,
                                               const std::string& prefix) override;

  // Counts a call of a kind; the fault for it, or nullptr when the call is to go through. For
  // the files this environment opens.
  const Fault* Next(Kind kind);
  void Record(Call call);

 private:
  // Records a call and gives the injected failure for it, if any, else forwards it.
  platform::Status Forward(Kind kind, Call call, const std::function<platform::Status()>& step);

  std::string Canonical(const std::string& path) const;

  std::function<std::string(const std::string&)> canonical_;
  Fault fault_;
  // The books below are kept under a lock: code under test opens and closes files on worker
  // threads too. (Fired and Calls are read once the operation is over.)
  mutable std::mutex books_;
  std::atomic<int> handles_ = 0;
  std::map<Kind, int> counts_;
  bool fired_ = false;
  std::vector<Call> calls_;
};

// What is unsafe about the files a run put in place, from its recorded calls, in words (empty
// when nothing is): a file that existed before the run (existedBefore, canonical names) must
// change only by a rename onto it, never by writing it where it stands or by removing it first;
// a file moved or renamed into place must have been closed by a Close (which reports a late
// failure) with nothing written after; and one that replaces another must have been flushed
// before the rename, with its folder flushed after it. mayDelete: removing a file that
// existed is the operation's purpose (an uninstallation), not a fault.
std::vector<std::string> UnsafeReplacements(const std::vector<FaultInjectionEnv::Call>& calls,
                                            const std::vector<std::string>& existedBefore,
                                            bool mayDelete = false);
