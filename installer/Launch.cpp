#include "installer/Launch.h"

#include <iostream>

#include "platform/CodePage.h"
#include "platform/Env.h"

namespace installer {

void LaunchProgram(platform::Env& env, const std::string& program, const std::string& parameters,
                   const std::string& workingFolder) {
  const platform::StartResult result = env.StartProgram(program, parameters, workingFolder);
  if (result != platform::StartResult::kStarted) {
    // No dialog: the installation itself succeeded; the user learns why nothing appeared.
    std::string name = program;
    try {
      name = platform::AnsiToUtf8(program);
    } catch (const std::exception&) {
    }
    std::cerr << "InstallQuorin: could not start " << name << ": "
              << platform::StartResultText(result) << "\n";
  }
}

}  // namespace installer
