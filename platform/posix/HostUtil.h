#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

// Small helpers shared by the host implementation of the environment. Not part of the seam:
// only code in platform/ uses them.
namespace platform {

// stat() on a host path; false when it fails.
bool HostStat(const std::string& hostPath, struct stat& st);
// Whether a host path leads (through any links) to a folder.
bool IsHostFolder(const std::string& hostPath);
// The permission bits of a host file, nothing when it cannot be examined.
std::optional<mode_t> HostModeOf(const std::string& hostPath);

// The process's current directory as a host path, "" when it cannot be determined.
std::string CurrentHostFolder();

// Eight upper-case hex digits for temporary names, random and different between calls.
std::string UniqueSuffix();

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Releases memory the C library allocated (realpath, getcwd).
struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};

}  // namespace platform
