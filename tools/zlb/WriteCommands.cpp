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

// The files to add, in command-line order. With -r a folder stands for every file below it;
// the listing also names folders (with --save-paths), and those are left out, as the archive
// can hold only files. So is the archive itself when it lies in such a folder: it would be
// added to itself.
std::vector<std::string> FilesToAdd(TZLBArchive& archive, const Options& options) {
  platform::Env& env = *platform::Env::Default();
  std::vector<std::string> files;
  for (const auto& file : options.files) {
    const std::string name = platform::Utf8ToAnsi(file);
    if (!options.recursive || !env.FolderExists(name)) {
      files.push_back(name);
      continue;
    }
    std::vector<std::string> found;
    archive.ListDirectory(WithoutClosingSeparators(name), found);
    for (const auto& item : found) {
      if (!env.FolderExists(item) && !SameHostFile(env, item, archive.FileName())) {
        files.push_back(item);
      }
    }
  }
  return files;
}

void Update(const Options& options, bool create) {
  const std::string name = platform::Utf8ToAnsi(options.archive);
  ProgressLine progress(!options.quiet, name);
  TZLBArchive archive;
  Configure(archive, options);
  if (create) {
    archive.CreateArchive(name);
  } else {
    archive.OpenArchive(name);
  }
  // One rewrite of the archive for all the files; nothing changes when any of them fails.
  progress.AttachBatch(archive);
  archive.AddFiles(FilesToAdd(archive, options));
  progress.Finish();
  // The archive file is written by the first addition. When there was nothing to add (-r on
  // empty folders), a file of no bytes stands for the empty archive, so that the command
  // leaves an archive behind as it reports.
  if (archive.IsNew()) {
    TFileStream empty(name, TFileMode::fmCreate);
  }
}

}  // namespace

void RunCreate(const Options& options) {
  Update(options, true);
}

void RunAdd(const Options& options) {
  Update(options, false);
}

}  // namespace zlb
