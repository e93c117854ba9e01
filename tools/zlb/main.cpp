// zlb: lists, tests and extracts archives, and creates archives and adds files to them.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/Exception.h"
#include "tools/zlb/CommandLine.h"
#include "tools/zlb/Commands.h"
#include "tools/zlb/Display.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

void PrintError(const std::string& shownMessage) {
  std::fputs(("zlb: " + shownMessage + "\n").c_str(), stderr);
}

void Run(const zlb::Options& options) {
  switch (options.command) {
    case zlb::Command::List:
      zlb::RunList(options);
      break;
    case zlb::Command::Info:
      zlb::RunInfo(options);
      break;
    case zlb::Command::Test:
      zlb::RunTest(options);
      break;
    case zlb::Command::Extract:
      zlb::RunExtract(options);
      break;
    case zlb::Command::Create:
      zlb::RunCreate(options);
      break;
    case zlb::Command::Add:
      zlb::RunAdd(options);
      break;
  }
}

// Everything written to standard output must have arrived.
bool StdoutFlushed() {
  return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  zlb::Options options;
  try {
    options = zlb::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const zlb::UsageError& error) {
    PrintError(zlb::ShownUtf8(error.Message()));
    std::fputs("Try 'zlb --help'.\n", stderr);
    return kUsage;
  }
  try {
    if (options.help) {
      std::fputs(zlb::UsageText(), stdout);
    } else if (options.version) {
      std::fputs("zlb " QUORIN_VERSION "\n", stdout);
    } else {
      Run(options);
    }
  } catch (const Exception& error) {
    // The archive's messages are in the system's code page.
    PrintError(zlb::Shown(error.Message()));
    return kFailure;
  } catch (const std::exception& error) {
    PrintError(zlb::ShownUtf8(error.what()));
    return kFailure;
  }
  if (!StdoutFlushed()) {
    PrintError("cannot write to standard output");
    return kFailure;
  }
  return kSuccess;
}
