// Interruptions on Windows are the console's control events: Ctrl-C and Ctrl-Break, the console
// window being closed, and the user logging off or the system shutting down. The system calls
// the handler on a thread of its own, so a critical section stands where POSIX blocks signals:
// a Held owns it, and the handler waits for it before it removes anything.
#include "platform/Interruption.h"

#include <algorithm>
#include <cstring>

#include "platform/windows/Win32.h"
#include "platform/windows/WinFiles.h"

namespace platform {
namespace {

constexpr int kSlots = InterruptCleanup::kSlots;
char paths[kSlots][MAX_PATH * 4];
bool used[kSlots];
char notice[256];
DWORD noticeLength = 0;
bool committed = false;  // the result is in place: interruptions are ignored from now on

// Guards the slots, the mark of a commit, and the Helds.
CRITICAL_SECTION guard;
bool guardReady = false;

// The exit status of each event, as the matching signal gives it on POSIX: 130 for Ctrl-C (and
// Ctrl-Break), 129 for the console going away, 143 for a request to end.
DWORD StatusOf(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      return 128 + 2;
    case CTRL_CLOSE_EVENT:
      return 128 + 1;
    default:
      return 128 + 15;
  }
}

BOOL WINAPI RemoveAndExit(DWORD event) {
  ::EnterCriticalSection(&guard);  // waits for the outermost Held to end
  if (committed) {
    ::LeaveCriticalSection(&guard);
    return TRUE;  // ignored: the run's result is in place
  }
  // Windows deletes no file that is open: the program's files are closed first.
  CloseOpenFilesForExit();
  for (int i = 0; i < kSlots; ++i) {
    if (used[i]) {
      ::DeleteFileA(paths[i]);
    }
  }
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), notice, noticeLength, &written, nullptr);
  // At once, as _exit does on POSIX: nothing else of the program runs any more, and no lock
  // another thread holds can keep the process from ending.
  ::TerminateProcess(::GetCurrentProcess(), StatusOf(event));
  return TRUE;
}

void EnsureGuard() {
  if (!guardReady) {
    ::InitializeCriticalSection(&guard);
    guardReady = true;
  }
}

}  // namespace

InterruptCleanup::InterruptCleanup(const std::string& text) {
  EnsureGuard();
  ::EnterCriticalSection(&guard);
  std::fill(std::begin(used), std::end(used), false);
  committed = false;
  noticeLength = static_cast<DWORD>(std::min(text.size(), sizeof notice - 1));
  std::memcpy(notice, text.data(), noticeLength);
  ::LeaveCriticalSection(&guard);
  ::SetConsoleCtrlHandler(RemoveAndExit, TRUE);
}

InterruptCleanup::Held::Held() {
  EnsureGuard();
  ::EnterCriticalSection(&guard);  // a critical section nests in its owner's thread
}

InterruptCleanup::Held::~Held() {
  ::LeaveCriticalSection(&guard);
}

InterruptCleanup::~InterruptCleanup() {
  ::EnterCriticalSection(&guard);
  std::fill(std::begin(used), std::end(used), false);
  const bool keepIgnoring = committed;
  ::LeaveCriticalSection(&guard);
  if (!keepIgnoring) {
    ::SetConsoleCtrlHandler(RemoveAndExit, FALSE);
  }
}

bool InterruptCleanup::Set(int slot, const std::string& hostPath) {
  if (slot < 0 || slot >= kSlots) {
    return false;
  }
  Held held;
  used[slot] = false;
  if (hostPath.empty() || hostPath.size() >= sizeof paths[slot]) {
    return false;
  }
  std::memcpy(paths[slot], hostPath.c_str(), hostPath.size() + 1);
  used[slot] = true;
  return true;
}

void InterruptCleanup::Clear(int slot) {
  if (slot >= 0 && slot < kSlots) {
    Held held;
    used[slot] = false;
  }
}

Status InterruptCleanup::Commit(const std::function<Status()>& step) {
  Held held;
  const Status done = step();
  if (!done) {
    return done;  // an event waiting meanwhile now removes the files and ends the program
  }
  std::fill(std::begin(used), std::end(used), false);
  committed = true;
  committed_ = true;
  return done;
}

}  // namespace platform
