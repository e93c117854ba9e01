#include "tests/support/FaultInjectionEnv.h"

#include <algorithm>
#include <set>

#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/WinNames.h"

using platform::Status;
using Kind = FaultInjectionEnv::Kind;

namespace {

// A file opened through the fault-injecting environment: its writes, flushes and closes are
// counted, recorded and failed there.
class FaultFile : public platform::File {
 public:
  FaultFile(FaultInjectionEnv& env, std::unique_ptr<platform::File> inner, std::string path,
            int handle)
      : env_(env), inner_(std::move(inner)), path_(std::move(path)), handle_(handle) {}

  std::size_t Read(void* buffer, std::size_t count) override { return inner_->Read(buffer, count); }

  std::size_t Write(const void* buffer, std::size_t count) override {
    const FaultInjectionEnv::Fault* fault = env_.Next(Kind::kWrite);
    env_.Record({"Write", path_, "", -1, handle_, fault != nullptr});
    if (fault == nullptr) {
      return inner_->Write(buffer, count);
    }
    if (fault->shortWrite) {
      return count / 2 == 0 ? 0 : inner_->Write(buffer, count / 2);
    }
    throw EWriteError("Stream write error", fault->why.Text());
  }

  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    return inner_->Seek(offset, origin);
  }

  Status Sync() override {
    const FaultInjectionEnv::Fault* fault = env_.Next(Kind::kFlush);
    env_.Record({"Sync", path_, "", -1, handle_, fault != nullptr});
    return fault != nullptr ? fault->why : inner_->Sync();
  }

  Status Close() override {
    const FaultInjectionEnv::Fault* fault = env_.Next(Kind::kClose);
    env_.Record({"Close", path_, "", -1, handle_, fault != nullptr});
    // A close that fails has closed the file all the same, as on every system.
    const Status closed = inner_->Close();
    return fault != nullptr ? fault->why : closed;
  }

 private:
  FaultInjectionEnv& env_;
  std::unique_ptr<platform::File> inner_;
  std::string path_;
  int handle_;
};

// A call about one file or folder (and the target of a rename).
FaultInjectionEnv::Call About(std::string op, std::string path, std::string to = "") {
  FaultInjectionEnv::Call call;
  call.op = std::move(op);
  call.path = std::move(path);
  call.to = std::move(to);
  return call;
}

}  // namespace

const char* FaultInjectionEnv::Name(Kind kind) {
  switch (kind) {
    case Kind::kCreateFile:
      return "creating a file";
    case Kind::kWrite:
      return "a write";
    case Kind::kFlush:
      return "a flush";
    case Kind::kFlushFolder:
      return "a flush of a folder";
    case Kind::kClose:
      return "a close";
    case Kind::kRename:
      return "a rename";
    case Kind::kDelete:
      return "a delete";
    case Kind::kCreateFolder:
      return "creating a folder";
  }
  return "?";
}

FaultInjectionEnv::FaultInjectionEnv(platform::Env* target,
                                     std::function<std::string(const std::string&)> canonical)
    : EnvWrapper(target), canonical_(std::move(canonical)) {}

int FaultInjectionEnv::Count(Kind kind) const {
  const std::lock_guard<std::mutex> hold(books_);
  const auto found = counts_.find(kind);
  return found == counts_.end() ? 0 : found->second;
}

const FaultInjectionEnv::Fault* FaultInjectionEnv::Next(Kind kind) {
  const std::lock_guard<std::mutex> hold(books_);
  const int n = ++counts_[kind];
  if (fault_.nth == 0 || fault_.kind != kind || n < fault_.nth ||
      (n > fault_.nth && !fault_.onward)) {
    return nullptr;
  }
  fired_ = true;
  return &fault_;
}

void FaultInjectionEnv::Record(Call call) {
  const std::lock_guard<std::mutex> hold(books_);
  calls_.push_back(std::move(call));
}

std::string FaultInjectionEnv::Canonical(const std::string& path) const {
  if (!canonical_) {
    return path;
  }
  const std::string canonical = canonical_(path);
  return canonical.empty() ? path : canonical;
}

Status FaultInjectionEnv::Forward(Kind kind, Call call, const std::function<Status()>& step) {
  const Fault* fault = Next(kind);
  call.failed = fault != nullptr;
  if (fault != nullptr) {
    Record(std::move(call));
    return fault->why;
  }
  const Status done = step();
  call.failed = !done;
  Record(std::move(call));
  return done;
}

platform::Result<std::unique_ptr<platform::File>> FaultInjectionEnv::OpenFile(
    const std::string& path, TFileMode mode) {
  const std::string name = Canonical(path);
  const int handle = ++handles_;
  Call call{"OpenFile", name, "", static_cast<int>(mode), handle, false};
  if (mode == TFileMode::fmCreate) {
    if (const Fault* fault = Next(Kind::kCreateFile)) {
      call.failed = true;
      Record(std::move(call));
      return fault->why;
    }
  }
  platform::Result<std::unique_ptr<platform::File>> opened = EnvWrapper::OpenFile(path, mode);
  call.failed = !opened;
  Record(std::move(call));
  if (!opened) {
    return opened;
  }
  return std::unique_ptr<platform::File>(
      std::make_unique<FaultFile>(*this, std::move(opened).Value(), name, handle));
}

Status FaultInjectionEnv::CreateFolder(const std::string& path) {
  return Forward(Kind::kCreateFolder, About("CreateFolder", Canonical(path)),
                 [&] { return EnvWrapper::CreateFolder(path); });
}

Status FaultInjectionEnv::DeleteFile(const std::string& path) {
  return Forward(Kind::kDelete, About("DeleteFile", Canonical(path)),
                 [&] { return EnvWrapper::DeleteFile(path); });
}

Status FaultInjectionEnv::DeleteFolder(const std::string& path) {
  return Forward(Kind::kDelete, About("DeleteFolder", Canonical(path)),
                 [&] { return EnvWrapper::DeleteFolder(path); });
}

Status FaultInjectionEnv::MoveFile(const std::string& from, const std::string& to) {
  return Forward(Kind::kRename, About("MoveFile", Canonical(from), Canonical(to)),
                 [&] { return EnvWrapper::MoveFile(from, to); });
}

Status FaultInjectionEnv::RenameFile(const std::string& source, const std::string& target) {
  return Forward(Kind::kRename, About("RenameFile", Canonical(source), Canonical(target)),
                 [&] { return EnvWrapper::RenameFile(source, target); });
}

Status FaultInjectionEnv::SyncFile(const std::string& path) {
  return Forward(Kind::kFlush, About("SyncFile", Canonical(path)),
                 [&] { return EnvWrapper::SyncFile(path); });
}

Status FaultInjectionEnv::SyncFolder(const std::string& path) {
  return Forward(Kind::kFlushFolder, About("SyncFolder", Canonical(path.empty() ? "." : path)),
                 [&] { return EnvWrapper::SyncFolder(path); });
}

platform::Result<std::string> FaultInjectionEnv::CreateTempFile(const std::string& folder,
                                                                const std::string& prefix) {
  Call call = About("CreateTempFile", Canonical(folder.empty() ? "." : folder));
  if (const Fault* fault = Next(Kind::kCreateFile)) {
    call.failed = true;
    Record(std::move(call));
    return fault->why;
  }
  platform::Result<std::string> made = EnvWrapper::CreateTempFile(folder, prefix);
  call.failed = !made;
  if (made) {
    call.to = Canonical(made.Value());
  }
  Record(std::move(call));
  return made;
}

namespace {

// A folder's canonical name without its closing separator, so that "c:\a\" and "c:\a" agree.
std::string FolderKey(std::string folder) {
  return platform::WithoutTrailingSeparators(std::move(folder));
}

}  // namespace

std::vector<std::string> UnsafeReplacements(const std::vector<FaultInjectionEnv::Call>& calls,
                                            const std::vector<std::string>& existedBefore,
                                            bool mayDelete) {
  std::vector<std::string> problems;
  const std::set<std::string> before(existedBefore.begin(), existedBefore.end());
  std::map<int, std::string> writers;  // handles open for writing, not closed by Close yet
  std::set<std::string> dirty;         // files written since they were last flushed
  std::set<std::string> touched;       // files of before that a rename has replaced
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const FaultInjectionEnv::Call& call = calls[i];
    if (call.failed) {
      continue;
    }
    const bool old = before.count(call.path) != 0 && touched.count(call.path) == 0;
    if (call.op == "OpenFile" && call.mode != static_cast<int>(TFileMode::fmOpenReadDenyWrite)) {
      writers[call.handle] = call.path;
      if (call.mode == static_cast<int>(TFileMode::fmCreate)) {
        dirty.insert(call.path);
        if (old) {
          problems.push_back(call.path + " is created anew where it stands");
        }
      }
    } else if (call.op == "Write") {
      dirty.insert(call.path);
      if (old) {
        problems.push_back(call.path + " is written where it stands");
      }
      if (writers.count(call.handle) == 0) {
        problems.push_back(call.path + " is written after it was closed");
      }
    } else if (call.op == "Close") {
      writers.erase(call.handle);
    } else if (call.op == "Sync" || call.op == "SyncFile") {
      dirty.erase(call.path);
    } else if (call.op == "DeleteFile" && old && !mayDelete) {
      problems.push_back(call.path + " is deleted");
    } else if (call.op == "MoveFile" || call.op == "RenameFile") {
      for (const auto& [handle, path] : writers) {
        if (path == call.path) {
          // Still open, or destroyed without a Close that would have told of a late failure.
          problems.push_back(call.path + " is put in place before it was closed");
        }
      }
      if (call.op == "MoveFile") {
        // A new name: nothing that was there can be lost, so no flush is asked for.
        if (old) {
          problems.push_back(call.path + " is moved away");
        }
        dirty.erase(call.path);
        continue;
      }
      if (dirty.count(call.path) != 0) {
        problems.push_back(call.path + " is renamed onto " + call.to +
                           " before its data was flushed");
      }
      const std::string folder = FolderKey(platform::FolderPart(call.to));
      const bool flushed = std::any_of(calls.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                       calls.end(), [&](const FaultInjectionEnv::Call& later) {
                                         return later.op == "SyncFolder" && !later.failed &&
                                                FolderKey(later.path) == folder;
                                       });
      if (!flushed) {
        problems.push_back(call.to + " is replaced, but its folder is not flushed afterwards");
      }
      touched.insert(call.to);
      dirty.erase(call.path);
    }
  }
  return problems;
}
