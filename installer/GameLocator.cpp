#include "installer/GameLocator.h"

#include "platform/Env.h"

namespace installer {

const char* const kGameLocations[3] = {
    "C:\\Westwood\\Tiberian Sun\\Sun.exe",
    "C:\\Games\\Tiberian Sun\\Sun.exe",
    "C:\\Program Files\\Tiberian Sun\\Sun.exe",
};

const char kGameDirectorySuggestion[] = "c:\\Westwood\\Tiberian Sun";

namespace {

constexpr char kProgramName[] = "SUN.EXE";

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The length of the folder part of a path, trailing backslash included.
std::size_t FolderLength(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

std::string FindGameFolder(platform::Env& env) {
  std::string folder;
  for (const char* location : kGameLocations) {
    const std::string path = location;
    if (env.FileExists(path)) {
      folder = path.substr(0, FolderLength(path));  // a later hit replaces an earlier one
    }
  }
  return folder;
}

std::optional<std::string> GameFolderOfChosenFile(const std::string& windowsPath) {
  const std::size_t folderLength = FolderLength(windowsPath);
  const std::string name = windowsPath.substr(folderLength);
  if (folderLength == 0 || name.size() != sizeof(kProgramName) - 1) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (AsciiUpper(name[i]) != kProgramName[i]) {
      return std::nullopt;
    }
  }
  std::string folder = windowsPath.substr(0, folderLength);
  if (folder.back() == '/') {
    folder.back() = '\\';
  }
  return folder;
}

}  // namespace installer
