// INTERIM first cut: treats every path as a host path with '\' turned into '/'. To be replaced
// by the full Windows-semantics implementation.
#include "platform/HostEnv.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/Exception.h"
#include "platform/HostFiles.h"
#include "platform/ProgramStart.h"

namespace platform {
namespace {

std::string Host(const std::string& p) {
  std::string s = p;
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

class FdFile : public File {
 public:
  explicit FdFile(int fd) : fd_(fd) {}
  ~FdFile() override { ::close(fd_); }
  std::size_t Read(void* b, std::size_t n) override {
    ssize_t r = ::read(fd_, b, n);
    if (r < 0) throw EReadError("Stream read error");
    return static_cast<std::size_t>(r);
  }
  std::size_t Write(const void* b, std::size_t n) override {
    ssize_t r = ::write(fd_, b, n);
    if (r < 0) throw EWriteError("Stream write error");
    return static_cast<std::size_t>(r);
  }
  std::int64_t Seek(std::int64_t off, TSeekOrigin o) override {
    int w = o == TSeekOrigin::soBeginning ? SEEK_SET : o == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    return ::lseek(fd_, off, w);
  }

 private:
  int fd_;
};

}  // namespace

HostEnv::HostEnv(std::string winePrefix) : winePrefix_(std::move(winePrefix)) {}

std::unique_ptr<File> HostEnv::OpenFile(const std::string& path, TFileMode mode) {
  int flags = mode == TFileMode::fmOpenReadDenyWrite ? O_RDONLY
              : mode == TFileMode::fmCreate         ? (O_RDWR | O_CREAT | O_TRUNC)
                                                    : O_RDWR;
  int fd = ::open(Host(path).c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<FdFile>(fd);
}
bool HostEnv::FileExists(const std::string& path) {
  struct stat st;
  return ::stat(Host(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
bool HostEnv::FolderExists(const std::string& path) {
  struct stat st;
  return ::stat(Host(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool HostEnv::CreateFolder(const std::string& path) { return ::mkdir(Host(path).c_str(), 0777) == 0; }
bool HostEnv::DeleteFile(const std::string& path) { return ::unlink(Host(path).c_str()) == 0; }
bool HostEnv::MoveFile(const std::string& from, const std::string& to) {
  return !FileExists(to) && ::rename(Host(from).c_str(), Host(to).c_str()) == 0;
}
bool HostEnv::ReplaceFile(const std::string& source, const std::string& target) {
  return ::rename(Host(source).c_str(), Host(target).c_str()) == 0;
}
std::vector<FolderItem> HostEnv::ListFolder(const std::string& path) {
  std::vector<FolderItem> items;
  DIR* d = ::opendir(Host(path).c_str());
  if (!d) return items;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    items.push_back({n, FolderExists(Host(path) + "/" + n)});
  }
  ::closedir(d);
  return items;
}
std::string HostEnv::TempFolder() {
  const char* t = std::getenv("TMPDIR");
  std::string s = (t && *t) ? t : "/tmp";
  if (s.back() != '/') s += '/';
  return s;
}
std::string HostEnv::CreateTempFile(const std::string& folder, const std::string& prefix) {
  std::string f = Host(folder);
  if (!f.empty() && f.back() != '/') f += '/';
  std::string templ = f + prefix + "XXXXXX";
  int fd = ::mkstemp(templ.data());
  if (fd < 0) return "";
  ::close(fd);
  return templ;
}
std::string HostEnv::CurrentFolder() {
  char buf[4096];
  return ::getcwd(buf, sizeof buf) ? buf : "";
}
bool HostEnv::SetCurrentFolder(const std::string& path) { return ::chdir(Host(path).c_str()) == 0; }
void HostEnv::StartProgram(const std::string&, const std::string&, const std::string&) {}
std::optional<std::string> HostEnv::HostPath(const std::string& path) { return Host(path); }
std::string HostEnv::WindowsPath(const std::string& hostPath) { return hostPath; }

Env* Env::Default() {
  static HostEnv env;
  return &env;
}

}  // namespace platform

