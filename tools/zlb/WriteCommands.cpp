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
    archive.ListDirectory(platform::WithoutTrailingSeparators(name), found);
    for (const auto& item : found) {
      if (!env.FolderExists(item) && !SameHostFile(env, item, archive.FileName())) {
        archive.AddFile(item);
      }
    }
  }
}

void Update(const Options& options, bool create) {
  const std::string name = platform::Utf8ToAnsi(options.archive);
  ProgressLine progress(!options.quiet, name);
  SkipWarningEnv env(platform::Env::Default());
  TZLBArchive archive(nullptr, &env);
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
