#pragma once

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

// What one run of the zlb program left behind.
struct ZlbResult {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// The zlb program under test: $ZLB_BINARY when set (CTest sets it), else the program built
// beside this test program.
inline std::string ZlbBinary() {
  const char* binary = std::getenv("ZLB_BINARY");
  if (binary != nullptr && *binary != '\0') {
    return binary;
  }
#ifdef ZLB_BUILT_BINARY
  return ZLB_BUILT_BINARY;
#else
  throw std::runtime_error("ZLB_BINARY is not set");
#endif
}

namespace zlb_runner {

// Closes a descriptor at the end of a scope.
struct Fd {
  int fd = -1;
  ~Fd() { Close(); }
  void Close() {
    if (fd >= 0) {
      ::close(fd);
      fd = -1;
    }
  }
};

// Reads both descriptors until each reports its end (a pseudo terminal's master reports EIO
// once the last slave is closed).
inline void Drain(int outFd, std::string& out, int errFd, std::string& err) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&out, &err};
  int open = 2;
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      throw std::runtime_error("poll failed");
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0)
        continue;
      char buffer[4096];
      const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

// Waits for a child process to end and returns its wait status.
inline int WaitStatus(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

}  // namespace zlb_runner

// Runs zlb with the arguments in folder cwd (the test's own when empty). Standard error goes
// to a pipe, or with stderrTerminal to a raw pseudo terminal, so that the program sees a
// terminal there.
inline ZlbResult RunZlb(const std::vector<std::string>& args, const std::string& cwd = "",
                        bool stderrTerminal = false) {
  using zlb_runner::Fd;
  const std::string binary = ZlbBinary();
  Fd outRead, outWrite, errRead, errWrite;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  outRead.fd = pipeFds[0];
  outWrite.fd = pipeFds[1];
  if (stderrTerminal) {
    errRead.fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (errRead.fd < 0 || ::grantpt(errRead.fd) != 0 || ::unlockpt(errRead.fd) != 0) {
      throw std::runtime_error("no pseudo terminal");
    }
    errWrite.fd = ::open(::ptsname(errRead.fd), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios mode;
    if (errWrite.fd < 0 || ::tcgetattr(errWrite.fd, &mode) != 0) {
      throw std::runtime_error("cannot open the pseudo terminal");
    }
    ::cfmakeraw(&mode);  // no translation of line ends
    ::tcsetattr(errWrite.fd, TCSANOW, &mode);
  } else {
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
      throw std::runtime_error("pipe failed");
    errRead.fd = pipeFds[0];
    errWrite.fd = pipeFds[1];
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outWrite.fd, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errWrite.fd, STDERR_FILENO);
  if (!cwd.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  }
  std::vector<std::string> argStrings{binary};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : argStrings)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
    throw std::runtime_error("cannot start " + binary);

  outWrite.Close();
  errWrite.Close();
  ZlbResult result;
  zlb_runner::Drain(outRead.fd, result.out, errRead.fd, result.err);
  const int status = zlb_runner::WaitStatus(pid);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}
