#include "installer/Launch.h"

#include "platform/CodePage.h"
#include "platform/Env.h"

namespace installer {

StartOutcome LaunchProgram(platform::Env& env, const std::string& program,
                           const std::string& parameters, const std::string& workingFolder) {
  if (!env.PrefixExists()) {
    return {false, "there is no Wine prefix at " + env.PrefixPath()};
  }
  const platform::StartResult result = env.StartProgram(program, parameters, workingFolder);
  return {result == platform::StartResult::kStarted, platform::StartResultText(result)};
}

std::string StartFailureText(const std::string& program, const std::string& why) {
  return platform::AnsiToUtf8(program) + " could not be started: " + why + ".";
}

}  // namespace installer
