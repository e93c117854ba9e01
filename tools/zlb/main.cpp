// zlb: lists, tests and extracts archives, and creates archives and adds files to them.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/Env.h"
#include "platform/Exception.h"
#include "tools/zlb/CommandLine.h"
#include "tools/zlb/Commands.h"
#include "tools/zlb/Display.h"
#include "tools/zlb/Report.h"

namespace {

void PrintError(const std::string& shownMessage) {
  std::fputs(("zlb: " + shownMessage + "\n").c_str(), stderr);
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
    return zlb::kExitUsage;
  }
  int status = zlb::kExitSuccess;
  try {
    if (options.help) {
      std::fputs(zlb::UsageText(), stdout);
    } else if (options.version) {
      std::fputs("zlb " QUORIN_VERSION "\n", stdout);
    } else {
      status = zlb::RunCommand(*platform::Env::Default(), options);
    }
  } catch (const zlb::Failure& failure) {
    for (const auto& line : failure.Lines()) {
      zlb::Warn(line);
    }
    return zlb::kExitFailure;
  } catch (const Exception& error) {
    // The archive's messages are in the system's code page.
    zlb::Warn(zlb::Describe(error));
    return zlb::kExitFailure;
  } catch (const std::exception& error) {
    zlb::Warn(zlb::ShownUtf8(error.what()));
    return zlb::kExitFailure;
  }
  if (!StdoutFlushed()) {
    PrintError("cannot write to standard output");
    return zlb::kExitFailure;
  }
  return status;
}
