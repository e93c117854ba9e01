#include "tools/zlb/Selection.h"

#include <algorithm>
#include <climits>
#include <map>

#include "archive/NamesOnAdd.h"
#include "platform/CodePage.h"
#include "platform/WinNames.h"
#include "tools/zlb/Display.h"
#include "tools/zlb/Report.h"

namespace zlb {
namespace {

bool IsIndex(const std::string& text) {
  const std::size_t start = text.size() > 1 && text[0] == '-' ? 1 : 0;
  return start < text.size() &&
         std::all_of(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// The index a text of digits names; values beyond int name no member either way.
long long ParseIndex(const std::string& text) {
  long long value = 0;
  for (const char c : text) {
    if (c >= '0' && c <= '9' && value <= INT_MAX) {
      value = value * 10 + (c - '0');
    }
  }
  return text[0] == '-' ? -value : value;
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& text) {
  const std::string p = platform::FoldAsciiCase(pattern);
  const std::string t = platform::FoldAsciiCase(text);
  // Greedy matching with one point to return to: the last '*' and where its run ends.
  std::size_t pi = 0, ti = 0;
  std::size_t star = std::string::npos, resume = 0;
  while (ti < t.size()) {
    if (pi < p.size() && (p[pi] == '?' || p[pi] == t[ti])) {
      ++pi;
      ++ti;
    } else if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      resume = ti;
    } else if (star != std::string::npos) {
      pi = star + 1;
      ti = ++resume;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') {
    ++pi;
  }
  return pi == p.size();
}

std::vector<int> SelectMembers(const TZLBArchive& archive, const std::string& shownArchive,
                               const std::vector<std::string>& arguments) {
  std::vector<int> chosen;
  if (arguments.empty()) {
    for (int index = 0; index < archive.FileCount(); ++index) {
      chosen.push_back(index);
    }
    return chosen;
  }
  std::vector<std::string> problems;
  const auto choose = [&chosen](int index) {
    if (std::find(chosen.begin(), chosen.end(), index) == chosen.end()) {
      chosen.push_back(index);
    }
  };
  TArchiveEntry entry;
  for (const std::string& argument : arguments) {
    if (IsIndex(argument)) {
      const long long index = ParseIndex(argument);
      if (index < 0 || index >= archive.FileCount()) {
        problems.push_back(shownArchive + ": member " + ShownUtf8(argument) +
                           ": Index out of bounds (the archive has " +
                           Members(archive.FileCount()) + ")");
      } else {
        choose(static_cast<int>(index));
      }
      continue;
    }
    std::string pattern = platform::Utf8ToAnsi(argument);
    std::replace(pattern.begin(), pattern.end(), '/', '\\');
    const bool withFolder = pattern.find('\\') != std::string::npos;
    bool matched = false;
    for (int index = 0; index < archive.FileCount(); ++index) {
      archive.GetFileEntry(index, entry);
      const std::string name = archive::ShortString(entry.Name);
      if (WildcardMatch(pattern, withFolder ? archive::ShortString(entry.Path) + name : name)) {
        choose(index);
        matched = true;
      }
    }
    if (!matched) {
      problems.push_back(shownArchive + ": no member matches '" + ShownUtf8(argument) + "'");
    }
  }
  if (!problems.empty()) {
    throw Failure(problems);
  }
  return chosen;
}

bool DropFlattenedCollisions(const TZLBArchive& archive, std::vector<int>& chosen) {
  std::map<std::string, std::vector<int>> byName;
  std::vector<std::string> order;
  TArchiveEntry entry;
  for (const int index : chosen) {
    archive.GetFileEntry(index, entry);
    const std::string key = platform::FoldAsciiCase(archive::ShortString(entry.Name));
    auto& group = byName[key];
    if (group.empty()) {
      order.push_back(key);
    }
    group.push_back(index);
  }
  bool clean = true;
  std::vector<int> kept;
  for (const int index : chosen) {
    archive.GetFileEntry(index, entry);
    const auto& group = byName[platform::FoldAsciiCase(archive::ShortString(entry.Name))];
    if (group.front() == index) {
      kept.push_back(index);
    }
  }
  for (const std::string& key : order) {
    const auto& group = byName[key];
    if (group.size() < 2) {
      continue;
    }
    clean = false;
    archive.GetFileEntry(group.front(), entry);
    std::string text = Shown(archive::ShortString(entry.Name)) + ": " +
                       std::to_string(group.size()) +
                       " members land on this name with -j; extracted " +
                       MemberLabel(group.front(), entry) + ", left out";
    for (std::size_t i = 1; i < group.size(); ++i) {
      archive.GetFileEntry(group[i], entry);
      text += (i > 1 ? ", " : " ") + MemberLabel(group[i], entry);
    }
    Warn(text);
  }
  chosen = kept;
  return clean;
}

}  // namespace zlb
