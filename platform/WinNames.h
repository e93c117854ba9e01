#pragma once

#include <string>

// The rules Windows applies to names and paths, as text only (no file-system access): the
// separators, letter-case folding, the trailing separator of a folder, and which names a
// component may have. The path mapping, the archive's checks on stored names and the archive
// tool all take these rules from here, so that they agree on what a name means.
namespace platform {

// '\' or '/', the two separators of a Windows path.
bool IsSeparator(char c);
// Whether a path ends in a separator.
bool EndsWithSeparator(const std::string& path);
// The separator a path is written with, for names built from it to keep its form: '/' for a
// path written with '/' alone, as a host path is ("out/sub", "/tmp"); else '\', the separator
// of Windows paths, also for a path without any.
char SeparatorOf(const std::string& path);
// The separator of a path as a user of the host's command line typed it, for showing it joined
// with more: '\' when the user wrote a Windows path (one that begins with a drive, or holds a
// '\'); else '/', for a bare name too, which the host's own tools take as a host path.
char TypedSeparatorOf(const std::string& typed);
// folder followed by its separator (SeparatorOf) unless it already ends in one (or is empty,
// meaning the current folder).
std::string WithTrailingSeparator(const std::string& folder);
// path without its closing separators, but never emptied: "\" and "/" stay as they are.
std::string WithoutTrailingSeparators(std::string path);

// Whether a path begins with a drive: an ASCII letter and ':' ("C:", "d:\\Games").
bool HasDriveLetter(const std::string& path);
// Whether a path names the root of a drive or of the host, once "." and ".." are taken
// lexically and components are trimmed as in a lookup: "C:", "C:\\", "\\", "/", "C:\\Games\\..".
// An empty or relative path names no root.
bool NamesRoot(const std::string& path);

// The folder part of a Windows path: everything up to and including its last '\', '/' or ':'
// ("" when it has none).
std::string FolderPart(const std::string& path);
// What follows the folder part: the file name.
std::string NamePart(const std::string& path);

// An ASCII upper-case letter in lower case; every other byte as it is.
char FoldAscii(char c);
// The text with the ASCII letters A to Z turned into a to z; every other byte unchanged.
std::string FoldAsciiCase(std::string text);
// Whether two texts are equal once their ASCII letters are folded.
bool EqualFolded(const std::string& a, const std::string& b);
// Whether text ends in suffix, ASCII letters folded.
bool EndsWithFolded(const std::string& text, const std::string& suffix);

// A control character as Windows refuses it in a name: bytes 1 to 31 (0 ends a name anyway).
// DEL (127) is allowed in Windows names.
bool IsControlCharacter(char c);
// A control character of ASCII: bytes 0 to 31 and DEL (127), which a terminal acts on. Stricter
// than Windows: the archive keeps all of them out of the member names it extracts, and the
// archive tool shows them escaped.
bool IsAsciiControl(char c);
// A character no Windows name may hold: a control character or one of < > : " | ? *.
// Separators are not names' characters either, but are told apart by IsSeparator.
bool IsRefusedCharacter(char c);

// One component as Windows looks it up: its trailing dots and blanks removed ("Rules." and
// "Quorin " become "Rules" and "Quorin"). "." and ".." stay as they are; any other component of
// only dots and blanks becomes "", which a path passes over as it does ".".
std::string TrimComponent(const std::string& name);
// Whether a component can name something: it holds no separator and no refused character.
bool IsUsableComponent(const std::string& name);
// A component that is usable and that a lookup keeps as it is (nothing to trim, not "." or
// ".."): the names a folder on the host may hold and still be reached by a Windows path.
bool IsExactComponent(const std::string& name);
// One of the device names CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, in any letter case, alone
// or with an extension ("nul.txt", "Com1 .log"). Windows opens the device for such a name, so
// nothing of that name can be created.
bool IsDeviceName(const std::string& name);

}  // namespace platform
