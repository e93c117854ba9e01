#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Windows paths on the host: taking a path apart, resolving it onto the Linux file system
// through a Wine prefix (drive map, case-insensitive lookup of existing names on its drives),
// and naming a host path the Windows way. Windows paths are Windows-1252, host paths UTF-8.
namespace platform {

// A Windows path taken apart.
struct WindowsPathParts {
  enum class Root {
    kRelative,  // relative to the process's current directory
    kDrive,     // "X:", "X:\..." ("X:name" is taken from the drive's root as well)
    kHost,      // one leading separator: an absolute host path
    kNetwork,   // two leading backslashes: names nothing on this host
  };
  Root root = Root::kRelative;
  char drive = 0;  // lower-case drive letter, for kDrive
  // The components in order, as given; "." is dropped, ".." is kept for the resolver.
  std::vector<std::string> components;
  bool trailingSeparator = false;
};

WindowsPathParts ParseWindowsPath(const std::string& path);

// The host folder of a drive: <winePrefix>/dosdevices/x: (lower-case letter).
std::string DriveFolder(const std::string& winePrefix, char drive);

// The entry of hostFolder that the Windows name `name` (already in UTF-8) denotes: name itself
// when it exists exactly, else, when foldCase() says letter case is folded there, the first
// entry in byte order equal to it with ASCII letters folded; nothing when neither exists.
std::optional<std::string> FindFolderEntry(const std::string& hostFolder, const std::string& name,
                                           const std::function<bool()>& foldCase);

// The Windows name of one host name (UTF-8) of a folder entry; nothing when it has none that
// leads back to it: Windows-1252 cannot hold it (or it is not UTF-8), it holds a '\' (which
// Windows reads as a separator) or another character Windows refuses, or it ends in a dot or
// a blank (which a lookup removes).
std::optional<std::string> UsableWindowsNameOfHost(const std::string& hostName);

// The letters of the drives a prefix maps to folders, upper case and in order ("CZ").
std::string MappedDriveLetters(const std::string& winePrefix);

// The host path a Windows path names. Each component is trimmed of its trailing dots and blanks
// first, and a component holding a character Windows refuses makes the path name nothing
// (platform/WinNames.h). ".." goes up one level lexically but never above a drive
// root or "/"; a relative path whose current directory lies on a mapped drive stops at that
// drive's root too. Components that exist are taken with their letter case on disk, the first one
// that does not exist and all after it keep the caller's. Letter case is folded only on a drive
// or in a host folder that lies in a drive's folder (other than a drive mapping the host's root);
// elsewhere a component exists only with its exact letter case. Nothing for an empty path, a
// network name, an unmapped drive or a path with a NUL byte. A trailing separator is kept (as '/'),
// so that the host, like Windows, insists on a folder there.
std::optional<std::string> ResolveWindowsPath(const std::string& winePrefix,
                                              const std::string& path);

// The Windows name of a host path: the mapped drive whose resolved root is the longest prefix
// of it gives "X:\rest"; with none, the path with '/' turned into '\'. A relative host path is
// taken from the current directory; "." and ".." are folded lexically, then the longest part
// that exists is resolved through its symbolic links, so that a path spelled through
// dosdevices/c: is found on drive C. Fails with ECodePageError when Windows-1252 cannot hold
// the name, and with EHostNameError when one of its names holds a '\'.
std::string WindowsPathOfHost(const std::string& winePrefix, const std::string& hostPath);

}  // namespace platform
