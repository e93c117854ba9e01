#pragma once

#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"

namespace zlb {

// Whether a wildcard pattern matches a text: '*' stands for any run of characters (also none,
// also across folder separators), '?' for any one character; ASCII letters match without
// regard to case, as the archive compares member names. Both in the system's code page.
bool WildcardMatch(const std::string& pattern, const std::string& text);

// The members that the arguments name, in the order of the arguments (each argument's members
// in archive order), each member once. An argument of digits alone (or '-' and digits) is an
// index; any other is a name or wildcard pattern (UTF-8, as typed), matched against the
// member's folder and name when it holds a '\' or '/', else against its name alone. No
// arguments means every member. Fails with Failure naming every index out of range and every
// pattern that matches nothing.
std::vector<int> SelectMembers(const TZLBArchive& archive, const std::string& shownArchive,
                               const std::vector<std::string>& arguments);

// A member's folder and name as stored, shown (UTF-8, control characters escaped).
std::string ShownMember(const TArchiveEntry& entry);

}  // namespace zlb
