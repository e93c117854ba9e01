#include "installer/Launch.h"

#include "platform/Env.h"

namespace installer {

void LaunchProgram(platform::Env& env, const std::string& program, const std::string& parameters,
                   const std::string& workingFolder) {
  env.StartProgram(program, parameters, workingFolder);
}

}  // namespace installer
