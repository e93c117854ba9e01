#pragma once

#include <string>

// Rules for turning a member's stored Name and Path into a place on disk. Both come from the
// archive file and are untrusted.
namespace archive {

// A name that names one file inside the destination folder: not empty, not "." or ".." (nor
// anything Windows trims to those, such as "..."), and free of '\', '/', ':' and control
// characters. Other characters Windows refuses are left to the file layer, which cannot create
// such a file.
bool IsSafeMemberName(const std::string& name);

// A stored Path that cannot leave the destination folder: no ".." component (split at '\' and
// '/') and no drive (no ':' anywhere).
bool IsSafeMemberPath(const std::string& path);

// The folder a member lands in when extracted with its path: destDir, a backslash unless destDir
// is empty or already ends in a separator or a drive's ':', then path. '.' and '..' components
// are resolved ('..' stops at a root), runs of separators become one backslash (a leading "\\"
// of destDir, a network name, stays) and one trailing backslash is removed. A relative folder
// that resolves to nothing (".\") is "."; the result is empty only when destDir and path are,
// or when they make a bare "\" (which loses its backslash).
std::string JoinExtractFolder(const std::string& destDir, const std::string& path);

// Whether the folder that JoinExtractFolder makes of destDir and path, with '.' and '..'
// resolved, is destDir itself or lies below it.
bool StaysWithinFolder(const std::string& destDir, const std::string& path);

}  // namespace archive
