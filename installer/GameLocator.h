#pragma once

#include <optional>
#include <string>

namespace platform {
class Env;
}

// Where the game is looked for, and which chosen file counts as the game.
// Paths are Windows paths in Windows-1252.
namespace installer {

// The three places the game is installed to by default, in the order they are tested.
extern const char* const kGameLocations[3];
// What the game-directory edit reads while the game has not been found.
extern const char kGameDirectorySuggestion[];

// The folder (with its trailing backslash) of the last default location that holds the game's
// program as a regular file; empty when none does.
std::string FindGameFolder(platform::Env& env);

// The game folder of a file the user picked: its folder with the trailing backslash when the
// file's own name is "Sun.exe" in any ASCII letter case, nothing for any other file.
std::optional<std::string> GameFolderOfChosenFile(const std::string& windowsPath);

// The folders proposed for a game folder: the product folder and the rules folder below it.
// The names are appended to the text as it stands, with no separator inserted.
struct ProposedFolders {
  std::string product;
  std::string rules;
};
ProposedFolders ProposeFolders(const std::string& gameDir);

}  // namespace installer
