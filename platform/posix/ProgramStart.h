#pragma once

#include <string>
#include <vector>

#include "platform/Env.h"

// Starting programs on the host without waiting for them.
namespace platform {

// Splits a Windows command-line parameter string into arguments: blanks separate, double
// quotes group, and backslashes before a quote follow the Windows rules.
std::vector<std::string> SplitCommandLine(const std::string& parameters);

// Starts a program detached (no zombie, no waiting, no descriptor of ours inherited), all names
// host paths (UTF-8): a name ending in .exe, .com or .bat (any case) runs as
// `wine <program> <args>` with wine looked up on PATH now; an executable file runs directly;
// anything else goes to xdg-open. The started process gets WINEPREFIX=winePrefix in its
// environment (an empty winePrefix leaves the environment as it is), so that wine runs the
// program in the prefix its path was resolved in. Nothing starts when the program does not
// exist, the working folder cannot be entered or the launcher is missing; the result says
// which, and kStarted only once the program (or its launcher) is running.
StartResult StartHostProgram(const std::string& hostProgram, const std::vector<std::string>& args,
                             const std::string& hostWorkingFolder,
                             const std::string& winePrefix = "");

}  // namespace platform
