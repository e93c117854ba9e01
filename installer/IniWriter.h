#pragma once

#include <string>

namespace platform {
class Env;
}

// The product's configuration file "Quorin.ini": where the game and the rules directory are,
// and an empty [Rules] section whose comments explain the rule entries to the product's users.
namespace installer {

extern const char kIniFileName[];

// The file's bytes: 18 lines, each ending in CR LF, in Windows-1252. The two directories are
// written exactly as given (not quoted, not shortened).
std::string IniText(const std::string& gameDir, const std::string& rulesDir);

// What of an existing file survives a new installation: the rule entries the product added to
// its [Rules] section (the section's lines that are neither comments nor blank, in their order)
// and every line after that section, each as it was, line ending included (a last line without
// one gets CR LF). Empty when the file has no [Rules] section.
std::string KeptRules(const std::string& oldText);

// The file's bytes for an installation into productDir (ending in a backslash): the 18 lines,
// then what KeptRules keeps of the "Quorin.ini" there, so that a reinstallation does not lose
// the product's rules. Fails with "Cannot open file %s" when an existing file cannot be read.
std::string IniFileText(platform::Env& env, const std::string& productDir,
                        const std::string& gameDir, const std::string& rulesDir);

}  // namespace installer
