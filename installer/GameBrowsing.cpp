#include "installer/GameBrowsing.h"

#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/Exception.h"
#include "platform/WinNames.h"

namespace installer {
namespace {

constexpr char kGameProgram[] = "Sun.exe";

ChosenFile Unusable(platform::Env& env, const std::string& hostPath, const std::string& why) {
  return {ChosenFile::Verdict::kUnusable, "The game cannot be used from " + hostPath + ": " + why +
                                              " (Wine prefix " + env.PrefixPath() + ")."};
}

}  // namespace

std::vector<BrowseDrive> BrowseDrives(platform::Env& env) {
  std::vector<BrowseDrive> drives;
  for (const char letter : env.MappedDrives()) {
    const std::string label = std::string(1, letter) + ":";
    if (const auto hostFolder = env.HostPath(label + "\\")) {
      drives.push_back({label, *hostFolder});
    }
  }
  return drives;
}

std::string BrowseStartFolder(platform::Env& env) {
  const std::vector<BrowseDrive> drives = BrowseDrives(env);
  for (const BrowseDrive& drive : drives) {
    if (drive.label == "C:") {
      return drive.hostFolder;
    }
  }
  return drives.empty() ? std::string() : drives.front().hostFolder;
}

std::optional<std::string> HostPathOfTypedName(platform::Env& env, const std::string& typed,
                                               const std::string& dialogFolder) {
  if (!platform::HasDriveLetter(typed) && typed.find('\\') == std::string::npos) {
    return std::nullopt;
  }
  std::string path;
  try {
    path = platform::Utf8ToAnsi(typed);
    if (!platform::HasDriveLetter(path) && !platform::IsSeparator(path.front())) {
      path = platform::WithTrailingSeparator(env.WindowsPath(dialogFolder)) + path;
    }
  } catch (const Exception&) {
    return std::nullopt;  // no Windows name: the dialog says it cannot find it
  }
  if (!env.FileExists(path) && !env.FolderExists(path)) {
    return std::nullopt;
  }
  return env.HostPath(path);
}

ChosenFile JudgeChosenFile(platform::Env& env, const std::string& hostPath) {
  const std::size_t slash = hostPath.rfind('/');
  const std::string name = slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
  if (!platform::EqualFolded(name, kGameProgram)) {
    return {ChosenFile::Verdict::kNotTheGame, ""};
  }
  // The folder alone is resolved through its links: the chosen name is the game's, even when
  // it is a link to a file of another name.
  const std::string hostFolder = slash == std::string::npos ? "."
                                 : slash == 0               ? "/"
                                                            : hostPath.substr(0, slash);
  std::string folder;
  try {
    folder = env.WindowsPath(hostFolder);
  } catch (const Exception&) {
    return Unusable(env, hostPath, "a folder in its path has a name Windows programs cannot use");
  }
  if (!platform::HasDriveLetter(folder)) {
    return Unusable(env, hostPath, "the file is on none of the prefix's drives");
  }
  return {ChosenFile::Verdict::kGame,
          platform::AnsiToUtf8(platform::WithTrailingSeparator(folder))};
}

}  // namespace installer
