#include "platform/posix/HostUtil.h"

#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>

namespace platform {

bool HostStat(const std::string& hostPath, struct stat& st) {
  return ::stat(hostPath.c_str(), &st) == 0;
}

bool IsHostFolder(const std::string& hostPath) {
  struct stat st;
  return HostStat(hostPath, st) && S_ISDIR(st.st_mode);
}

std::optional<mode_t> HostModeOf(const std::string& hostPath) {
  struct stat st;
  if (!HostStat(hostPath, st)) {
    return std::nullopt;
  }
  return st.st_mode & 07777;
}

std::string CurrentHostFolder() {
  // getcwd with no buffer allocates one as long as the path needs.
  std::unique_ptr<char, FreeDeleter> cwd(::getcwd(nullptr, 0));
  return cwd ? std::string(cwd.get()) : std::string();
}

std::string UniqueSuffix() {
  std::uint32_t value = 0;
  if (::getrandom(&value, sizeof value, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof value)) {
    // Without the kernel's generator: a counter mixed with the process id and the clock,
    // which still differs between calls and between processes.
    static std::atomic<std::uint32_t> counter{0};
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    value = (static_cast<std::uint32_t>(::getpid()) << 16) ^
            static_cast<std::uint32_t>(now.tv_nsec) ^ (++counter * 0x9E3779B9u);
  }
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(value));
  return digits;
}

}  // namespace platform
