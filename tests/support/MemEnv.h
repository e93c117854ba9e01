#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Env.h"

// An environment whose drives, folders and files are all in memory: the same interface and the
// same name rules as the host's drives (platform/WinNames.h: separators, letter case folded,
// trailing dots and blanks trimmed, refused characters, device names), so that code under test
// cannot tell the difference, at no cost in disk I/O and with nothing to clean up. For tests and
// for the fuzzer.
//
// The differences from the host, all on purpose: nothing is ever on the host (HostPath names
// nothing, a program that exists is reported started but nothing runs, there is no Wine
// prefix); a path with one
// leading separator is the root of the current drive, as on Windows; flushing always succeeds.
// Sharing is kept as on the host: a file open for reading may be opened for reading again, a
// file open in an exclusive mode by nobody else (kInUse).
class MemEnv : public platform::Env {
 public:
  // drives: the letters of the drives there are, each with an empty root. The current folder is
  // the first drive's root, and its folder "Temp" is the temporary folder.
  explicit MemEnv(const std::string& drives = "C");
  ~MemEnv() override;
  // A copy with the same folders, files and current folder, sharing nothing with this one. Open
  // files stay with the original.
  MemEnv(const MemEnv& other);
  MemEnv& operator=(const MemEnv&) = delete;

  // --- for tests: the world before and after ---
  // Writes a whole file, making the folders above it; fails (std::runtime_error) for a path that
  // cannot hold a file.
  void Put(const std::string& path, const std::string& content);
  // Every file, by its full path as stored ("C:\Games\Quorin.ini"), with its content.
  std::map<std::string, std::string> Files() const;
  // Every folder below the drives' roots, by its full path as stored, in order.
  std::vector<std::string> Folders() const;
  // The full path a path names, each existing component as stored and the rest as given, with
  // ASCII letters folded ("c:\games\quorin.ini"): two paths name the same item exactly when this
  // is equal. "" for a path that names nothing here.
  std::string Canonical(const std::string& path) const;
  // How many files are open now; a test expects none once the code under test has finished.
  int OpenFiles() const;

  // --- platform::Env ---
  platform::Result<std::unique_ptr<platform::File>> OpenFile(const std::string& path,
                                                             TFileMode mode) override;
  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  platform::Status CreateFolder(const std::string& path) override;
  platform::Status DeleteFile(const std::string& path) override;
  platform::Status DeleteFolder(const std::string& path) override;
  platform::Status MoveFile(const std::string& from, const std::string& to) override;
  platform::Status RenameFile(const std::string& source, const std::string& target) override;
  platform::Status SyncFile(const std::string& path) override;
  platform::Status SyncFolder(const std::string& path) override;
  using Env::ListFolder;
  std::vector<platform::FolderItem> ListFolder(const std::string& path,
                                               std::vector<std::string>* skipped) override;
  std::string TempFolder() override;
  platform::Result<std::string> CreateTempFile(const std::string& folder,
                                               const std::string& prefix) override;
  std::string CurrentFolder() override;
  platform::Status SetCurrentFolder(const std::string& path) override;
  platform::StartResult StartProgram(const std::string& program, const std::string& parameters,
                                     const std::string& workingFolder) override;
  void Beep() override {}
  std::string PrefixPath() override { return ""; }
  bool PrefixExists() override { return false; }
  std::string MappedDrives() override;
  std::optional<std::string> HostPath(const std::string&) override { return std::nullopt; }
  // The path with '/' turned into '\', as the host gives a path outside every drive.
  std::string WindowsPath(const std::string& hostPath) override;

  struct Node;
  struct Data;
  // What the environment and its open files share: the lock that lets threads use both at once
  // (code under test opens, reads and closes files on worker threads), and the open files' count.
  struct Books {
    std::recursive_mutex lock;
    int openFiles = 0;
  };

 private:
  struct Place;
  // Where a path leads: the folder that holds its last component, and that component.
  // withComponents: fill in the components too (which costs copies).
  Place Find(const std::string& path, bool withComponents = false) const;
  std::string FullName(const std::vector<std::string>& components) const;
  // Why an item that has to be there is not: no failure when place leads to one.
  static platform::Status Missing(const Place& place);

  std::unique_ptr<Node> root_;        // holds the drives, one folder each
  std::vector<std::string> current_;  // the current folder's components, the drive ("c:") first
  std::string tempFolder_;
  unsigned long long nextTemp_ = 0;
  std::shared_ptr<Books> books_;  // shared with the files open now
};
