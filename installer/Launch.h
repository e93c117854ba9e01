#pragma once

#include <string>

namespace platform {
class Env;
}

namespace installer {

// Asks for a program to be started with its parameters in a working folder, without waiting
// for it. All three are Windows paths or texts in Windows-1252, passed on whole, whatever
// their length. Every start of the installer goes through here.
void LaunchProgram(platform::Env& env, const std::string& program, const std::string& parameters,
                   const std::string& workingFolder);

}  // namespace installer
