#pragma once

#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"

// What zlb selects: the members that the arguments of extract name.
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

// Flattened into one folder (extract -j), members whose names differ only in ASCII letter case
// land on one file. The first of each such group is kept; the others are left out of chosen,
// and each such name is reported once on standard error. Returns whether there was no such
// collision.
bool DropFlattenedCollisions(const TZLBArchive& archive, std::vector<int>& chosen);

}  // namespace zlb
