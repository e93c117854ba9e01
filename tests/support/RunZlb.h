#pragma once

// Runs zlb.exe on Windows: CreateProcessA with both standard streams on pipes, each drained on
// a thread of its own so that neither can fill up and stall the program. Included by
// tests/tools/ZlbRunner.h, after ZlbResult and ZlbBinary.

#include <string>
#include <thread>
#include <vector>

#include "platform/windows/Win32.h"

namespace zlb_runner {

// One argument as the C runtime's command-line parser reads it back: quoted when it is empty
// or holds a blank or a quote, with the backslashes before a quote doubled.
inline std::string Quoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
    return arg;
  }
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

// Everything from a pipe's reading end until the writer closes it, with the console's line
// ends ("\r\n") read as "\n", as a C program's text streams read them.
inline void DrainPipe(HANDLE pipe, std::string* sink) {
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    sink->append(buffer, got);
  }
  std::string text;
  for (std::size_t i = 0; i < sink->size(); ++i) {
    if ((*sink)[i] == '\r' && i + 1 < sink->size() && (*sink)[i + 1] == '\n') {
      continue;
    }
    text += (*sink)[i];
  }
  *sink = std::move(text);
}

struct Pipe {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  Pipe() {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (!::CreatePipe(&read, &write, &inherit, 0)) {
      throw std::runtime_error("pipe failed");
    }
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);  // only the writing end goes along
  }
  ~Pipe() {
    CloseWrite();
    if (read != nullptr) {
      ::CloseHandle(read);
    }
  }
  void CloseWrite() {
    if (write != nullptr) {
      ::CloseHandle(write);
      write = nullptr;
    }
  }
};

}  // namespace zlb_runner

// Runs zlb with the arguments in folder cwd (the test's own when empty). The program sees no
// console on standard error, so it never shows its progress line here.
inline ZlbResult RunZlb(const std::vector<std::string>& args, const std::string& cwd = "",
                        bool stderrTerminal = false) {
  if (stderrTerminal) {
    throw std::runtime_error("no terminal for standard error on this system");
  }
  const std::string binary = ZlbBinary();
  std::string commandLine = zlb_runner::Quoted(binary);
  for (const auto& arg : args) {
    commandLine += " " + zlb_runner::Quoted(arg);
  }
  zlb_runner::Pipe out, err;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out.write;
  startup.hStdError = err.write;
  PROCESS_INFORMATION process{};
  // Under Wine, with two test programs starting processes at once, a start now and then fails
  // for no reason of its own: it is tried again before the test is failed.
  for (int attempt = 1;; ++attempt) {
    if (::CreateProcessA(binary.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         cwd.empty() ? nullptr : cwd.c_str(), &startup, &process)) {
      break;
    }
    if (attempt == 3) {
      throw std::runtime_error("cannot start " + binary + ": error " +
                               std::to_string(::GetLastError()));
    }
    ::Sleep(200);
  }
  out.CloseWrite();
  err.CloseWrite();
  ZlbResult result;
  std::thread drainErr(zlb_runner::DrainPipe, err.read, &result.err);
  zlb_runner::DrainPipe(out.read, &result.out);
  drainErr.join();
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  ::GetExitCodeProcess(process.hProcess, &status);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  result.status = static_cast<int>(status);
  return result;
}
