#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/Stream.h"
#include "tools/zlb/Commands.h"
#include "tools/zlb/Progress.h"

namespace zlb {
namespace {

// A folder name without closing separators (but never emptied), so that the names listed
// below it have exactly one separator after it.
std::string WithoutClosingSeparators(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) {
    folder.pop_back();
  }
  return folder;
}

void Configure(TZLBArchive& archive, const Options& options) {
  archive.SetCompressionLevel(options.level);
  archive.SetSavePaths(options.savePaths);
  archive.SetRecursePaths(options.recursive);
}

// Whether two names denote the same file on this host.
bool SameHostFile(platform::Env& env, const std::string& a, const std::string& b) {
  const auto hostA = env.HostPath(a);
  return hostA && hostA == env.HostPath(b);
}

// Adds the files in command-line order, stopping at the first failure. With -r a folder
// stands for every file below it; the listing also names folders (with --save-paths), and
// those are left out, as the archive can hold only files. So is the archive itself when it
// lies in such a folder: it would be added to itself.
void AddFiles(TZLBArchive& archive, const Options& options) {
  platform::Env& env = *platform::Env::Default();
  for (const auto& file : options.files) {
    const std::string name = platform::Utf8ToAnsi(file);
    if (!options.recursive || !env.FolderExists(name)) {
      archive.AddFile(name);
      continue;
    }
    std::vector<std::string> found;
    archive.ListDirectory(WithoutClosingSeparators(name), found);
    for (const auto& item : found) {
      if (!env.FolderExists(item) && !SameHostFile(env, item, archive.FileName())) {
        archive.AddFile(item);
      }
    }
  }
}

void Update(const Options& options, bool create) {
  const std::string name = platform::Utf8ToAnsi(options.archive);
  ProgressLine progress(!options.quiet, "Adding");
  TZLBArchive archive;
  Configure(archive, options);
  progress.Attach(archive);
  if (create) {
    archive.CreateArchive(name);
  } else {
    archive.OpenArchive(name);
  }
  AddFiles(archive, options);
  // The archive file is written by the first addition. When there was nothing to add (-r on
  // empty folders), a file of no bytes stands for the empty archive, so that the command
  // leaves an archive behind as it reports.
  if (archive.IsNew()) {
    TFileStream empty(name, TFileMode::fmCreate);
  }
}

}  // namespace

int RunCreate(const Options& options) {
  Update(options, true);
  return 0;
}

int RunAdd(const Options& options) {
  Update(options, false);
  return 0;
}

}  // namespace zlb
