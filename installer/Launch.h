#pragma once

#include <optional>
#include <string>

namespace platform {
class Env;
}

namespace installer {

// Asks for a program to be started with its parameters in a working folder, without waiting
// for it. All three are Windows paths or texts in Windows-1252, passed on whole, whatever
// their length. Every start of the installer goes through here. Nothing is started while the
// Wine prefix does not exist, since wine would make a new one of its folder.
//
// When nothing could be started, gives what to tell the user (UTF-8: the program and why),
// and says the same in one line on standard error; nothing once the start was asked for.
std::optional<std::string> LaunchProgram(platform::Env& env, const std::string& program,
                                         const std::string& parameters,
                                         const std::string& workingFolder);

}  // namespace installer
