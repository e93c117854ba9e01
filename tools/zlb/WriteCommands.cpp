// The writing commands. Every file is checked before anything is written, and an archive is
// built or extended as a whole or not at all: each command builds the complete archive in one
// new file, a WriteTransaction, whose commit puts it in place as the run's last change. A new
// archive is built beside its final name, so that its commit is a rename on one file system;
// an added-to archive is rewritten in the temporary folder and replaces the old one. An
// interrupted or failed run removes what it began; a killed one leaves at most that file.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/EnvWrapper.h"
#include "platform/Exception.h"
#include "platform/WinNames.h"
#include "tools/zlb/Commands.h"
#include "tools/zlb/Display.h"
#include "tools/zlb/Interrupt.h"
#include "tools/zlb/Opening.h"
#include "tools/zlb/Progress.h"
#include "tools/zlb/Report.h"
#include "tools/zlb/SourceChecks.h"
#include "tools/zlb/Transaction.h"

namespace zlb {
namespace {

// The environment of a writing command: the host's, warning on standard error about every item
// a folder listing leaves out because its name cannot be stored, and counting them.
class SkipWarningEnv : public platform::EnvWrapper {
 public:
  using Env::ListFolder;
  using EnvWrapper::EnvWrapper;
  std::vector<platform::FolderItem> ListFolder(const std::string& path,
                                               std::vector<std::string>* skipped) override {
    std::vector<std::string> left;
    std::vector<platform::FolderItem> items = target()->ListFolder(path, &left);
    for (const std::string& hostPath : left) {
      Warn("skipped " + ShownUtf8(hostPath) + ": the name cannot be stored");
    }
    skippedCount += static_cast<int>(left.size());
    if (skipped != nullptr) {
      skipped->insert(skipped->end(), left.begin(), left.end());
    }
    return items;
  }

  int skippedCount = 0;
};

// Like other archivers, the work is finished, then the command fails for what was left out.
int SkippedStatus(const SkipWarningEnv& env) {
  if (env.skippedCount == 0) {
    return 0;
  }
  Warn(env.skippedCount == 1 ? std::string("1 file skipped")
                             : FormatMessage("%d files skipped", env.skippedCount));
  return 1;
}

void Configure(TZLBArchive& archive, const Options& options) {
  archive.SetCompressionLevel(options.level);
  archive.SetSavePaths(options.savePaths);
  archive.SetRecursePaths(options.recursive);
}

// Adds the checked files: the one place that decides how they go into the archive. All of
// them go in with one rewrite of the archive, assembled in the file build, or none does; the
// files were all checked beforehand, so a failure here is one of reading or writing. The
// progress line counts the files added and the bytes read.
void AddAll(TZLBArchive& archive, const std::vector<std::string>& files, const std::string& build,
            ProgressLine& progress) {
  progress.AttachBatch(archive);
  archive.AddFiles(files, build);
}

// The members from index `from` on.
std::vector<TArchiveEntry> EntriesFrom(const TZLBArchive& archive, int from) {
  std::vector<TArchiveEntry> entries;
  TArchiveEntry entry;
  for (int index = from; index < archive.FileCount(); ++index) {
    archive.GetFileEntry(index, entry);
    entries.push_back(entry);
  }
  return entries;
}

// "adding: name (deflated 66%)" for each member added.
void PrintAdded(const std::vector<TArchiveEntry>& added) {
  for (const TArchiveEntry& entry : added) {
    std::string how = "stored 0%";
    if (entry.Stored == 0 && entry.UnpackedSize > 0) {
      const double kept = 100.0 * entry.PackedSize / entry.UnpackedSize;
      how = "deflated " + std::to_string(static_cast<int>(100.0 - kept)) + "%";
    }
    const std::string line = "adding: " + ShownMember(entry) + " (" + how + ")\n";
    std::fputs(line.c_str(), stdout);
  }
}

}  // namespace

int RunCreate(platform::Env& hostEnv, const Options& options) {
  SkipWarningEnv env(&hostEnv);
  const std::string target = platform::Utf8ToAnsi(options.archive);
  const std::string shownArchive = ShownUtf8(options.archive);
  if (env.FolderExists(target)) {
    throw Failure(shownArchive + ": " +
                  ShownUtf8(platform::SystemText(platform::Reason::kIsFolder)));
  }
  const bool replace = env.FileExists(target);
  if (replace && !options.force) {
    throw Failure(shownArchive + ": File already exists (use -f to replace it)");
  }

  platform::InterruptCleanup cleanup(kInterruptedNotice);
  ProgressLine progress(!options.quiet, "Adding");
  // The new archive is built beside its place (a file of no bytes is an archive without
  // members); a folder that cannot take it is reported before any work is done.
  WriteTransaction build(env, cleanup, [&] {
    platform::Result<std::string> made = env.CreateTempFile(platform::FolderPart(target), "ZLB");
    if (!made) {
      throw Failure(shownArchive +
                    ": cannot create the archive: " + ShownUtf8(made.Failure().Text()));
    }
    return std::move(made).Value();
  });
  TZLBArchive archive(nullptr, &env);
  Configure(archive, options);
  archive.OpenArchive(build.Name());
  const std::vector<std::string> files =
      CheckedSources(env, archive, {target, build.Name()}, options);
  AddAll(archive, files, build.Name(), progress);
  const std::vector<TArchiveEntry> added = EntriesFrom(archive, 0);
  archive.CloseArchive();
  progress.Clear();

  // The complete archive takes its place: beside nothing (a file that appeared meanwhile is
  // left alone), or in place of the old one with -f.
  if (const platform::Status placed = build.Commit(target, replace); !placed) {
    throw Failure(shownArchive +
                  (!replace && env.FileExists(target)
                       ? ": File already exists (use -f to replace it)"
                       : ": cannot put the new archive in place: " + ShownUtf8(placed.Text())));
  }
  if (options.verbose) {
    PrintAdded(added);
  }
  return SkippedStatus(env);
}

int RunAdd(platform::Env& hostEnv, const Options& options) {
  SkipWarningEnv env(&hostEnv);
  platform::InterruptCleanup cleanup(kInterruptedNotice);
  ProgressLine progress(!options.quiet, "Adding");
  TZLBArchive archive(nullptr, &env);
  Configure(archive, options);
  OpenNamedArchive(archive, env, options, false);
  const std::string target = archive.FileName();
  const int before = archive.FileCount();
  const std::vector<std::string> files = CheckedSources(env, archive, {target}, options);
  // The archive is rewritten where the archive component makes its temporary files, and then
  // replaces the old one.
  WriteTransaction build(env, cleanup, [&] { return archive.MakeTempFileName(); });
  AddAll(archive, files, build.Name(), progress);
  const std::vector<TArchiveEntry> added = EntriesFrom(archive, before);
  archive.CloseArchive();
  progress.Clear();
  if (const platform::Status placed = build.Commit(target, true); !placed) {
    throw Failure(Shown(FormatMessage("Unable to update archive (%s)", target)) + ": " +
                  ShownUtf8(placed.Text()));
  }
  if (options.verbose) {
    PrintAdded(added);
  }
  return SkippedStatus(env);
}

}  // namespace zlb
