#include <cstdio>
#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "platform/CodePage.h"
#include "platform/EnvWrapper.h"
#include "platform/Exception.h"
#include "platform/Stream.h"
#include "platform/WinNames.h"
#include "tools/zlb/Commands.h"
#include "tools/zlb/Display.h"
#include "tools/zlb/Progress.h"

namespace zlb {
namespace {

// The host environment, warning on standard error about every item a folder listing leaves
// out because its name cannot be stored, and counting them.
class SkipWarningEnv : public platform::EnvWrapper {
 public:
  using Env::ListFolder;
  using EnvWrapper::EnvWrapper;
  std::vector<platform::FolderItem> ListFolder(const std::string& path,
                                               std::vector<std::string>* skipped) override {
    std::vector<std::string> left;
    std::vector<platform::FolderItem> items = target()->ListFolder(path, &left);
    for (const std::string& hostPath : left) {
      std::fputs(("zlb: skipped " + ShownUtf8(hostPath) + ": the name cannot be stored\n").c_str(),
                 stderr);
    }
    skippedCount += static_cast<int>(left.size());
    if (skipped != nullptr) {
      skipped->insert(skipped->end(), left.begin(), left.end());
    }
    return items;
  }

  int skippedCount = 0;
};

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
    archive.ListDirectory(platform::WithoutTrailingSeparators(name), found);
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
  SkipWarningEnv env(platform::Env::Default());
  TZLBArchive archive(nullptr, &env);
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
  // Like other archivers, finish the work, then fail for what was left out.
  if (env.skippedCount > 0) {
    throw Exception(env.skippedCount == 1 ? std::string("1 file skipped")
                                          : FormatMessage("%d files skipped", env.skippedCount));
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
