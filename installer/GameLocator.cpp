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

namespace {

constexpr char kGameProgram[] = "Sun.exe";

}  // namespace

std::string FindGameFolder(platform::Env& env) {
  std::string folder;
  for (const char* location : kGameLocations) {
    if (env.FileExists(location)) {
      folder = platform::FolderPart(location);  // a later hit replaces an earlier one
    }
  }
  return folder;
}

std::optional<std::string> GameFolderOfChosenFile(const std::string& windowsPath) {
  std::string folder = platform::FolderPart(windowsPath);
  if (folder.empty() || !platform::EqualFolded(platform::NamePart(windowsPath), kGameProgram)) {
    return std::nullopt;
  }
  if (folder.back() == '/') {
    folder.back() = '\\';
  }
  return folder;
}

ProposedFolders ProposeFolders(const std::string& gameDir) {
  return {gameDir + "Quorin\\", gameDir + "Rules\\"};
}

}  // namespace installer
