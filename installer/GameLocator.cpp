#include "installer/GameLocator.h"

#include "platform/Env.h"
#include "platform/WinNames.h"

namespace installer {

const char* const kGameLocations[3] = {
    "C:\\Westwood\\Tiberian Sun\\Sun.exe",
    "C:\\Games\\Tiberian Sun\\Sun.exe",
    "C:\\Program Files\\Tiberian Sun\\Sun.exe",
};

const char kGameDirectorySuggestion[] = "c:\\Westwood\\Tiberian Sun";

std::string FindGameFolder(platform::Env& env) {
  std::string folder;
  for (const char* location : kGameLocations) {
    if (env.FileExists(location)) {
      folder = platform::FolderPart(location);  // a later hit replaces an earlier one
    }
  }
  return folder;
}

std::optional<std::string> MissingPrefixMessage(platform::Env& env) {
  if (env.PrefixExists()) {
    return std::nullopt;
  }
  const std::string prefix = env.PrefixPath();
  return (prefix.empty() ? std::string("There is no Wine prefix: WINEPREFIX is not set and there "
                                       "is no home folder.")
                         : "There is no Wine prefix at " + prefix + ".") +
         "\r\rTo install into another prefix, start the installer with WINEPREFIX set to that "
         "prefix's folder.";
}

ProposedFolders ProposeFolders(const std::string& gameDir) {
  return {gameDir + "Quorin\\", gameDir + "Rules\\"};
}

}  // namespace installer
