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

// Writes the file as productDir + "Quorin.ini" (productDir ends in a backslash), replacing an
// existing one whole (platform::WriteWholeFile). Fails with "Cannot create file %s" and the full
// path when the file cannot be created or written; such a file is left as it was.
void WriteIni(platform::Env& env, const std::string& productDir, const std::string& gameDir,
              const std::string& rulesDir);

}  // namespace installer
