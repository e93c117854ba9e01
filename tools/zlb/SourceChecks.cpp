#include "tools/zlb/SourceChecks.h"

#include <algorithm>
#include <map>

#include "archive/NamesOnAdd.h"
#include "archive/NamesOnExtract.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/Stream.h"
#include "platform/WinNames.h"
#include "tools/zlb/Display.h"
#include "tools/zlb/Report.h"

namespace zlb {
namespace {

// The longest Name or Path a record holds, and the part of the two joined that identifies a
// member; anything beyond is cut off when stored.
constexpr std::size_t kStoredLength = 255;

// A file to add: its name as handed to the archive, and as the user would write it.
struct Source {
  std::string name;
  std::string shown;
};

// Whether a text holds an ASCII control character, which extraction refuses in a member's name.
bool HasControl(const std::string& text) {
  return std::any_of(text.begin(), text.end(), platform::IsAsciiControl);
}

// Whether a stored folder has a component that is exactly `part`.
bool HasComponent(const std::string& folder, const std::string& part) {
  std::size_t start = 0;
  while (start <= folder.size()) {
    std::size_t end = folder.find('\\', start);
    if (end == std::string::npos) {
      end = folder.size();
    }
    if (folder.compare(start, end - start, part) == 0) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

// Why the member a file would become could not be extracted again by zlb; empty when it can.
std::string Unextractable(const std::string& name, bool savePaths) {
  const std::string file = archive::MemberName(name);
  if (file.size() > kStoredLength) {
    return "the name is longer than the 255 characters an archive stores";
  }
  if (HasControl(file)) {
    return "the name holds a control character, which no extraction accepts";
  }
  if (!archive::IsSafeMemberName(file)) {
    return "the name cannot name a file";
  }
  if (!savePaths) {
    return "";
  }
  const std::string folder = archive::MemberPath(name);
  const std::string stored = "its folder would be stored as '" + Shown(folder) + "'";
  if (folder.size() > kStoredLength) {
    return "the folder is longer than the 255 characters an archive stores";
  }
  if (HasControl(folder)) {
    return "the folder holds a control character, which no extraction accepts";
  }
  if (!archive::IsSafeMemberPath(folder) || HasComponent(folder, "..")) {
    return stored + ", which leads out of the folder it is extracted into (run zlb from the " +
           "common parent folder instead)";
  }
  if (HasComponent(folder, ".")) {
    return stored + ", with a '.' folder in it (run zlb from the common parent folder, " +
           "naming the files without './')";
  }
  return "";
}

// The text that identifies a member, as the archive compares it.
std::string IdentityKey(const std::string& identity) {
  return platform::FoldAsciiCase(identity.substr(0, kStoredLength));
}

bool SameHostFile(platform::Env& env, const std::string& a, const std::string& b) {
  const auto hostA = env.HostPath(a);
  return hostA && hostA == env.HostPath(b);
}

// Why two names give one member, as a hint in brackets: names that differ only in letter
// case, or files of one name in different folders while folders are not saved.
std::string CollisionHint(const std::string& a, const std::string& b, bool savePaths) {
  std::vector<std::string> hints;
  if (!savePaths && platform::FoldAsciiCase(archive::MemberPath(a)) !=
                        platform::FoldAsciiCase(archive::MemberPath(b))) {
    hints.push_back("use --save-paths to keep their folders apart");
  }
  if (archive::MemberIdentity(a, savePaths) != archive::MemberIdentity(b, savePaths)) {
    hints.push_back("names that differ only in letter case are one name in an archive");
  }
  std::string text;
  for (const auto& hint : hints) {
    text += (text.empty() ? " (" : "; ") + hint;
  }
  return text.empty() ? text : text + ")";
}

}  // namespace

std::vector<std::string> CheckedSources(platform::Env& env, TZLBArchive& archive,
                                        const std::vector<std::string>& itself,
                                        const Options& options) {
  const auto isItself = [&](const std::string& name) {
    for (const auto& other : itself) {
      if (SameHostFile(env, name, other)) {
        return true;
      }
    }
    return false;
  };
  std::vector<std::string> problems;

  // The list, in command-line order; folders stand for the files below them with -r.
  std::vector<Source> sources;
  for (const auto& file : options.files) {
    std::string name;
    try {
      name = platform::Utf8ToAnsi(file);
    } catch (const Exception& failure) {
      problems.push_back(ShownUtf8(file) + ": " + Describe(failure));
      continue;
    }
    if (!env.FolderExists(name)) {
      if (isItself(name)) {
        problems.push_back(ShownUtf8(file) + ": cannot add the archive to itself");
      } else {
        sources.push_back({name, ShownUtf8(file)});
      }
      continue;
    }
    if (!options.recursive) {
      problems.push_back(ShownUtf8(file) + ": is a folder (use -r to add the files in it)");
      continue;
    }
    const std::string folder = platform::WithoutTrailingSeparators(name);
    const std::string shownFolder = platform::WithoutTrailingSeparators(file);
    std::vector<std::string> found;
    try {
      archive.ListDirectory(folder, found);
    } catch (const Exception& failure) {
      problems.push_back(ShownUtf8(file) + ": " + Describe(failure));
      continue;
    }
    for (const auto& item : found) {
      // The listing names folders too (with --save-paths); an archive holds only files.
      if (!env.FolderExists(item) && !isItself(item)) {
        sources.push_back({item, ShownJoin(shownFolder, item.substr(folder.size()))});
      }
    }
  }

  // Each file on its own, then against the members present and the files before it.
  const bool savePaths = archive.SavePaths();
  std::map<std::string, std::string> present;  // identity -> the member's stored text
  TArchiveEntry entry;
  for (int index = 0; index < archive.FileCount(); ++index) {
    archive.GetFileEntry(index, entry);
    const std::string stored = archive::ShortString(entry.Path) + archive::ShortString(entry.Name);
    present.emplace(IdentityKey(stored), stored);
  }
  std::map<std::string, const Source*> listed;  // identity -> the first file that has it
  std::vector<std::string> names;
  for (const Source& source : sources) {
    try {
      TFileStream probe(source.name, TFileMode::fmOpenReadDenyWrite, &env);
    } catch (const Exception& failure) {
      problems.push_back(source.shown + ": cannot read the file" +
                         (failure.Cause().empty() ? "" : ": " + ShownUtf8(failure.Cause())));
      continue;
    }
    const std::string why = Unextractable(source.name, savePaths);
    if (!why.empty()) {
      problems.push_back(source.shown + ": " + why);
      continue;
    }
    const std::string identity = archive::MemberIdentity(source.name, savePaths);
    const std::string key = IdentityKey(identity);
    if (const auto member = present.find(key); member != present.end()) {
      problems.push_back(source.shown + ": the archive already holds " + Shown(member->second) +
                         (identity.substr(0, kStoredLength) != member->second
                              ? " (names that differ only in letter case are one name in an "
                                "archive)"
                              : ""));
      continue;
    }
    const auto [first, isNew] = listed.emplace(key, &source);
    if (!isNew) {
      const Source& other = *first->second;
      if (SameHostFile(env, source.name, other.name)) {
        problems.push_back(source.shown + ": given twice (also as " + other.shown + ")");
      } else {
        problems.push_back(source.shown + ": same name in the archive as " + other.shown +
                           CollisionHint(source.name, other.name, savePaths));
      }
      continue;
    }
    names.push_back(source.name);
  }
  if (!problems.empty()) {
    throw Failure(problems);
  }
  return names;
}

}  // namespace zlb
