// zlb: lists, tests and extracts archives, and creates archives and adds files to them.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/Exception.h"
#include "tools/zlb/CommandLine.h"
#include "tools/zlb/Commands.h"
#include "tools/zlb/Display.h"
#include "tools/zlb/Messages.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

void PrintError(const std::string& shownMessage) {
  std::fputs(("zlb: " + shownMessage + "\n").c_str(), stderr);
}

int Run(const zlb::Options& options) {
  switch (options.command) {
    case zlb::Command::List:
      return zlb::RunList(options);
    case zlb::Command::Info:
      return zlb::RunInfo(options);
    case zlb::Command::Test:
      return zlb::RunTest(options);
    case zlb::Command::Extract:
      return zlb::RunExtract(options);
    case zlb::Command::Create:
      return zlb::RunCreate(options);
    case zlb::Command::Add:
      return zlb::RunAdd(options);
  }
  return kFailure;
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
  int status = kSuccess;
  try {
    if (options.help) {
      std::fputs(zlb::UsageText(), stdout);
    } else if (options.version) {
      std::fputs("zlb " QUORIN_VERSION "\n", stdout);
    } else {
      status = Run(options);
    }
  } catch (const zlb::Failure& failure) {
    for (const auto& line : failure.Lines()) {
      zlb::Warn(line);
    }
    return kFailure;
  } catch (const Exception& error) {
    // The archive's messages are in the system's code page.
    zlb::Warn(zlb::Describe(error));
    return kFailure;
  } catch (const std::exception& error) {
    zlb::Warn(zlb::ShownUtf8(error.what()));
    return kFailure;
  }
  if (!StdoutFlushed()) {
    PrintError("cannot write to standard output");
    return kFailure;
  }
  return status;
}
