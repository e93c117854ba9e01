#pragma once

#include <string>

namespace platform {
class Env;
}

namespace installer {

// What became of a request to start a program.
struct StartOutcome {
  bool started = false;
  // The platform's answer in words (UTF-8): "the program was started", or why nothing started.
  std::string result;
};

// Asks for a program to be started with its parameters in a working folder, without waiting
// for it. All three are Windows paths or texts in Windows-1252, passed on whole, whatever
// their length. Every start of the installer goes through here. Nothing is started while the
// Wine prefix does not exist, since wine would make a new one of its folder.
StartOutcome LaunchProgram(platform::Env& env, const std::string& program,
                           const std::string& parameters, const std::string& workingFolder);

// What to tell the user when a program (Windows-1252) could not be started, and why (UTF-8).
std::string StartFailureText(const std::string& program, const std::string& why);

}  // namespace installer
