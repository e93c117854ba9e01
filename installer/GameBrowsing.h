#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {
class Env;
}

// The rules of the dialog that browses for the game inside the Wine prefix: where it opens,
// which drives it offers, how a typed Windows path is taken, and what a chosen file gives.
// Host paths and texts here are UTF-8, as the dialog shows them.
namespace installer {

// A drive of the prefix as the dialog's side bar offers it.
struct BrowseDrive {
  std::string label;       // the drive as Windows names it: "C:"
  std::string hostFolder;  // where it leads on the host
};

// Every mapped drive of the prefix, in letter order; none when the prefix maps none.
std::vector<BrowseDrive> BrowseDrives(platform::Env& env);

// The host folder the dialog opens in: drive C when the prefix maps it, else its first drive;
// "" (the dialog's own default) when it maps none.
std::string BrowseStartFolder(platform::Env& env);

// A name typed into the dialog's name field, when it is a Windows path: one that begins with a
// drive ("D:\Games\TS\SUN.EXE", "d:") or holds a backslash ("TS\Sun.exe", taken from the
// dialog's folder). Its letter case need not match. Gives the host path of the file or folder
// it names, for the dialog to take as if that had been typed; nothing for any other text and
// for a Windows path that names nothing here, which the dialog then treats as usual.
std::optional<std::string> HostPathOfTypedName(platform::Env& env, const std::string& typed,
                                               const std::string& dialogFolder);

// What a file chosen in the dialog gives.
struct ChosenFile {
  enum class Verdict {
    kGame,        // the game's program: text is its folder
    kNotTheGame,  // another file, ignored without a word
    kUnusable,    // named Sun.exe, but no Windows program could reach it: text says why
  };
  Verdict verdict;
  std::string text;
};

// The chosen file's own name decides (a link named Sun.exe counts, whatever its target is
// called); the game folder is the Windows path of the folder the file was chosen in, ending
// in a backslash, on the prefix's drive that covers it (Wine's Z: for the host's root). A file
// on no drive, or under a folder whose name Windows programs cannot be given, is unusable.
ChosenFile JudgeChosenFile(platform::Env& env, const std::string& hostPath);

}  // namespace installer
