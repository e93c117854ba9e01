#include "platform/posix/ProgramStart.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <optional>

#include "platform/WinNames.h"
#include "platform/posix/HostUtil.h"

namespace platform {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsWindowsProgram(const std::string& program) {
  return EndsWithFolded(program, ".exe") || EndsWithFolded(program, ".com") ||
         EndsWithFolded(program, ".bat");
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return HostStat(path, st) && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The child changes into the working folder before it starts the program, so a relative name
// that exists here is made absolute first; anything else passes as is.
std::string AnchoredToCurrentFolder(const std::string& path) {
  struct stat st;
  if (path.empty() || path.front() == '/' || !HostStat(path, st)) {
    return path;
  }
  const std::string here = CurrentHostFolder();
  return here.empty() ? path : here + "/" + path;
}

// Looks a launcher up on PATH as it is now, the way a shell would.
std::optional<std::string> FindOnPath(const std::string& name) {
  const char* value = std::getenv("PATH");
  const std::string path = value != nullptr ? value : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find(':', start);
    // An empty entry names the current folder.
    const std::string folder = path.substr(start, end == std::string::npos ? end : end - start);
    const std::string candidate =
        AnchoredToCurrentFolder((folder.empty() ? "." : folder) + "/" + name);
    if (IsExecutableFile(candidate)) {
      return candidate;
    }
    if (end == std::string::npos) {
      return std::nullopt;
    }
    start = end + 1;
  }
}

// Closes the descriptors first to last; nothing to do when first is past last.
bool CloseRange(unsigned first, unsigned last) {
  return first > last || ::close_range(first, last, 0) == 0;
}

// Closes every descriptor from 3 up except keep in the grandchild before it starts the
// program, so that nothing this process holds open (without close-on-exec) leaks into it.
// Async-signal-safe.
void CloseInheritedDescriptors(int keep, int highestDescriptor) {
  const auto kept = static_cast<unsigned>(keep);
  const bool closed =
      keep < 3 ? CloseRange(3, ~0U) : CloseRange(3, kept - 1) && CloseRange(kept + 1, ~0U);
  if (closed) {
    return;
  }
  // A kernel without close_range: close them one by one, up to the descriptor limit (taken
  // before the fork, and bounded so that a huge limit does not hold up the start).
  for (int fd = 3; fd <= highestDescriptor; ++fd) {
    if (fd != keep) {
      ::close(fd);
    }
  }
}

// The environment of the started process: this one's, with WINEPREFIX set to winePrefix
// (left alone when winePrefix is empty).
std::vector<std::string> ChildEnvironment(const std::string& winePrefix) {
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    if (winePrefix.empty() || std::strncmp(*variable, "WINEPREFIX=", 11) != 0) {
      variables.emplace_back(*variable);
    }
  }
  if (!winePrefix.empty()) {
    variables.push_back("WINEPREFIX=" + winePrefix);
  }
  return variables;
}

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  pointers.reserve(texts.size() + 1);
  for (const std::string& text : texts) {
    pointers.push_back(const_cast<char*>(text.c_str()));
  }
  pointers.push_back(nullptr);
  return pointers;
}

// What the grandchild reports through its pipe when it gives up; nothing arrives when the
// program was started (the pipe closes on exec).
constexpr char kNoFolder = 'F';
constexpr char kNoProcess = 'P';
constexpr char kNoExec = 'E';

void Report(int fd, char what) {
  while (::write(fd, &what, 1) < 0 && errno == EINTR) {
  }
}

// Runs file with argv in a grandchild that nobody waits for: the child forks it and exits at
// once, this process reaps the child, and the grandchild is adopted by init. A pipe that
// closes on exec tells whether the program started. Everything the children need is prepared
// before the fork, since only async-signal-safe calls are allowed between fork and exec in a
// process that may have other threads.
StartResult SpawnDetached(const std::string& file, const std::vector<std::string>& argv,
                          const std::string& workingFolder, const std::string& winePrefix) {
  std::vector<char*> args = Pointers(argv);
  const std::vector<std::string> variables = ChildEnvironment(winePrefix);
  std::vector<char*> envp = Pointers(variables);
  const char* folder = workingFolder.empty() ? nullptr : workingFolder.c_str();
  const long openMax = ::sysconf(_SC_OPEN_MAX);
  const int highestDescriptor =
      openMax > 0 && openMax < 65536 ? static_cast<int>(openMax - 1) : 65535;
  int channel[2];
  if (::pipe2(channel, O_CLOEXEC) != 0) {
    return StartResult::kFailed;
  }

  const pid_t child = ::fork();
  if (child < 0) {
    ::close(channel[0]);
    ::close(channel[1]);
    return StartResult::kFailed;
  }
  if (child == 0) {
    const pid_t grandchild = ::fork();
    if (grandchild != 0) {
      if (grandchild < 0) {
        Report(channel[1], kNoProcess);
      }
      ::_exit(0);
    }
    // The grandchild: a session of its own, so that signals aimed at the caller's terminal
    // do not reach it, and the ordinary signal state a fresh program expects.
    ::setsid();
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction defaultAction = {};
    defaultAction.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &defaultAction, nullptr);
    // A working folder that cannot be entered starts nothing, as on Windows.
    if (folder != nullptr && ::chdir(folder) != 0) {
      Report(channel[1], kNoFolder);
      ::_exit(127);
    }
    CloseInheritedDescriptors(channel[1], highestDescriptor);
    ::execve(file.c_str(), args.data(), envp.data());
    Report(channel[1], kNoExec);
    ::_exit(127);
  }
  ::close(channel[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  char report = 0;
  ssize_t got;
  do {
    got = ::read(channel[0], &report, 1);
  } while (got < 0 && errno == EINTR);
  ::close(channel[0]);
  if (got == 0) {
    return StartResult::kStarted;
  }
  return report == kNoFolder ? StartResult::kFolderMissing : StartResult::kFailed;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& parameters) {
  std::vector<std::string> args;
  const std::size_t n = parameters.size();
  std::size_t i = 0;
  for (;;) {
    while (i < n && IsBlank(parameters[i])) {
      ++i;
    }
    if (i == n) {
      return args;
    }
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(parameters[i]))) {
      const char c = parameters[i];
      if (c == '\\') {
        std::size_t slashes = 0;
        while (i < n && parameters[i] == '\\') {
          ++slashes;
          ++i;
        }
        if (i < n && parameters[i] == '"') {
          // Backslashes before a quote escape each other in pairs; an odd one out makes the
          // quote literal. An even count leaves the quote to be read as a quote.
          arg.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(slashes, '\\');
        }
      } else if (c == '"') {
        if (quoted && i + 1 < n && parameters[i + 1] == '"') {
          arg += '"';  // "" inside a quoted part is a literal quote; the part goes on
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += c;
        ++i;
      }
    }
    args.push_back(arg);
  }
}

StartResult StartHostProgram(const std::string& hostProgram, const std::vector<std::string>& args,
                             const std::string& hostWorkingFolder, const std::string& winePrefix) {
  if (hostProgram.empty()) {
    return StartResult::kProgramMissing;
  }
  const std::string program = AnchoredToCurrentFolder(hostProgram);
  struct stat st;
  if (!HostStat(program, st)) {
    // A program that does not exist starts nothing, not even wine's error report.
    return StartResult::kProgramMissing;
  }
  if (!hostWorkingFolder.empty() && !IsHostFolder(hostWorkingFolder)) {
    return StartResult::kFolderMissing;
  }
  std::string file;
  std::vector<std::string> argv;
  if (IsWindowsProgram(program)) {
    const std::optional<std::string> wine = FindOnPath("wine");
    if (!wine) {
      return StartResult::kLauncherMissing;
    }
    file = *wine;
    argv = {"wine", program};
    argv.insert(argv.end(), args.begin(), args.end());
  } else if (IsExecutableFile(program)) {
    file = program;
    argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
  } else {
    // A document, a folder or anything else goes to the desktop's opener, which takes no
    // parameters of ours.
    const std::optional<std::string> opener = FindOnPath("xdg-open");
    if (!opener) {
      return StartResult::kLauncherMissing;
    }
    file = *opener;
    argv = {"xdg-open", program};
  }
  return SpawnDetached(file, argv, hostWorkingFolder, winePrefix);
}

const char* StartResultText(StartResult result) {
  switch (result) {
    case StartResult::kStarted:
      return "the program was started";
    case StartResult::kProgramMissing:
      return "the program does not exist";
    case StartResult::kFolderMissing:
      return "the working folder does not exist";
    case StartResult::kLauncherMissing:
      return "no launcher was found to run it (wine or xdg-open)";
    case StartResult::kFailed:
      break;
  }
  return "the system could not start it";
}

}  // namespace platform
