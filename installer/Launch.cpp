#include "installer/Launch.h"

#include <iostream>

#include "platform/CodePage.h"
#include "platform/Env.h"

namespace installer {

std::optional<std::string> LaunchProgram(platform::Env& env, const std::string& program,
                                         const std::string& parameters,
                                         const std::string& workingFolder) {
  std::string why;
  if (!env.PrefixExists()) {
    why = "there is no Wine prefix at " + env.PrefixPath();
  } else {
    const platform::StartResult result = env.StartProgram(program, parameters, workingFolder);
    if (result == platform::StartResult::kStarted) {
      return std::nullopt;
    }
    why = platform::StartResultText(result);
  }
  std::string name = program;
  try {
    name = platform::AnsiToUtf8(program);
  } catch (const std::exception&) {
  }
  std::cerr << "InstallQuorin: could not start " << name << ": " << why << "\n";
  return name + " could not be started: " + why + ".";
}

}  // namespace installer
