#pragma once

#include <string>

// How the name under which a file is added becomes a member's stored Name and Path, and the
// text that identifies a member within an archive. Both '\' and '/' separate folders here, so
// host names given with '/' are split the same way as Windows names; ':' ends a drive.
namespace archive {

// The file-name part: what follows the last '\', '/' or ':'.
std::string MemberName(const std::string& given);

// The folder part as it is saved with the member: everything up to and including the last
// '\', '/' or ':', minus everything up to and including its first ':', with every '/' written
// as '\'. "C:\Data\a.txt" gives "\Data\"; "..\Rules\a.ini" gives "..\Rules\"; a network name
// keeps both leading backslashes.
std::string MemberPath(const std::string& given);

// The text compared against a member's Path followed by its Name: the saved folder part (only
// when paths are saved) followed by the file-name part. Not cut to any length. Member names are
// compared with their ASCII letters folded (platform::FoldAsciiCase).
std::string MemberIdentity(const std::string& given, bool savePaths);

}  // namespace archive
