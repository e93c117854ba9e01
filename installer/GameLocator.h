#pragma once

#include <optional>
#include <string>

namespace platform {
class Env;
}

// Where the game is looked for (the fixed places in the Wine prefix), and the folders proposed
// once it is found. Paths are Windows paths in Windows-1252; messages are UTF-8.
namespace installer {

// The three places the game is installed to by default, in the order they are tested.
extern const char* const kGameLocations[3];
// What the game-directory edit reads while the game has not been found.
extern const char kGameDirectorySuggestion[];

// The folder (with its trailing backslash) of the last default location that holds the game's
// program as a regular file; empty when none does.
std::string FindGameFolder(platform::Env& env);

// What to tell the user at start when the Wine prefix is not one (no such folder, or no drive
// map in it): the game cannot be found there, and wine must not be started in it, which would
// make a new prefix of the folder. Nothing when it is a prefix.
std::optional<std::string> MissingPrefixMessage(platform::Env& env);

// The folders proposed for a game folder: the product folder and the rules folder below it.
// The names are appended to the text as it stands, with no separator inserted.
struct ProposedFolders {
  std::string product;
  std::string rules;
};
ProposedFolders ProposeFolders(const std::string& gameDir);

}  // namespace installer
