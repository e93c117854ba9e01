// The writing commands. Every file is checked before anything is written, and an archive is
// built or extended as a whole or not at all: a new archive is assembled under a temporary
// name beside its final one (all of its files are made there, so that each step is a rename
// on one file system) and moved into place when it is complete, an added-to archive is
// rewritten in the temporary folder and replaces the old one; an interrupted or failed run
// removes what it began, a killed one leaves at most a temporary file.
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "archive/FileHelpers.h"
#include "archive/ZLIBArchive.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/EnvWrapper.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/Stream.h"
#include "tools/zlb/Commands.h"
#include "tools/zlb/Display.h"
#include "tools/zlb/Interrupt.h"
#include "tools/zlb/Messages.h"
#include "tools/zlb/Opening.h"
#include "tools/zlb/Progress.h"
#include "tools/zlb/Selection.h"
#include "tools/zlb/SourceChecks.h"

namespace zlb {
namespace {

// Interrupt slots: the new archive being built, and the archive's own temporary file.
constexpr int kBuildSlot = 0;
constexpr int kRewriteSlot = 1;

// The archive component making the temporary files it assembles a rewrite in in a given folder
// rather than in the temporary folder.
class ArchiveWithTempFolder : public TZLBArchive {
 public:
  ArchiveWithTempFolder(platform::Env* env, std::string folder)
      : TZLBArchive(nullptr, env), folder_(std::move(folder)) {}
  std::string MakeTempFileName() override { return Env().CreateTempFile(folder_, "ZLB").Value(); }

 private:
  std::string folder_;
};

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

// The environment of an add: the archive's replacement by its rewrite (the rename in it) is
// the moment the run's work is done, so it is taken as the interrupt cleanup's commit.
class CommitReplaceEnv : public platform::EnvWrapper {
 public:
  CommitReplaceEnv(platform::Env* target, platform::InterruptCleanup& cleanup)
      : EnvWrapper(target), cleanup_(cleanup) {}
  platform::Status RenameFile(const std::string& source, const std::string& target) override {
    return cleanup_.Commit([&] { return EnvWrapper::RenameFile(source, target); });
  }

 private:
  platform::InterruptCleanup& cleanup_;
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
// them go in with one rewrite of the archive, or none does; the files were all checked
// beforehand, so a failure here is one of reading or writing. The progress line counts the
// files added and the bytes read.
void AddAll(TZLBArchive& archive, const std::vector<std::string>& files, ProgressLine& progress) {
  progress.AttachBatch(archive);
  archive.AddFiles(files);
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

// A new, empty file beside target for the new archive to be built in (a file of no bytes is an
// archive without members), registered with the cleanup, removed again unless released. A
// folder that cannot take the archive is reported before any work is done.
std::unique_ptr<TemporaryFile> BuildFileBeside(platform::Env& env,
                                               platform::InterruptCleanup& cleanup,
                                               const std::string& target, const Options& options) {
  platform::InterruptCleanup::Held held;  // never a moment with the file there but not registered
  const platform::Result<std::string> made =
      env.CreateTempFile(platform::FolderPart(target), "ZLB");
  if (!made) {
    throw Failure(ShownUtf8(options.archive) +
                  ": cannot create the archive: " + ShownUtf8(made.Failure().Text()));
  }
  if (const auto host = env.HostPath(made.Value())) {
    cleanup.Set(kBuildSlot, *host);
  }
  return std::make_unique<TemporaryFile>(env, made.Value());
}

}  // namespace

int RunCreate(const Options& options) {
  platform::Env& env = *platform::Env::Default();
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
  SkipWarningEnv listing(&env);
  TemporaryFilesCleanupEnv tracking(&listing, cleanup, kRewriteSlot);
  ArchiveWithTempFolder archive(&tracking, platform::FolderPart(target));
  Configure(archive, options);
  std::unique_ptr<TemporaryFile> build = BuildFileBeside(env, cleanup, target, options);
  archive.OpenArchive(build->Name());
  const std::vector<std::string> files = CheckedSources(archive, {target, build->Name()}, options);
  AddAll(archive, files, progress);
  const std::vector<TArchiveEntry> added = EntriesFrom(archive, 0);
  archive.CloseArchive();
  progress.Clear();

  // The complete archive takes its place: beside nothing (a file that appeared meanwhile is
  // left alone), or in place of the old one with -f.
  const platform::Status placed = cleanup.Commit([&] {
    return replace ? env.ReplaceFile(build->Name(), target) : env.MoveFile(build->Name(), target);
  });
  if (!placed) {
    throw Failure(shownArchive +
                  (!replace && env.FileExists(target)
                       ? ": File already exists (use -f to replace it)"
                       : ": cannot put the new archive in place: " + ShownUtf8(placed.Text())));
  }
  build->Release();
  if (options.verbose) {
    PrintAdded(added);
  }
  return SkippedStatus(listing);
}

int RunAdd(const Options& options) {
  platform::InterruptCleanup cleanup(kInterruptedNotice);
  ProgressLine progress(!options.quiet, "Adding");
  SkipWarningEnv listing(platform::Env::Default());
  TemporaryFilesCleanupEnv tracking(&listing, cleanup, kRewriteSlot);
  CommitReplaceEnv committing(&tracking, cleanup);
  TZLBArchive archive(nullptr, &committing);
  Configure(archive, options);
  OpenForReading(archive, options, false);
  const int before = archive.FileCount();
  const std::vector<std::string> files = CheckedSources(archive, {archive.FileName()}, options);
  AddAll(archive, files, progress);
  progress.Clear();
  if (options.verbose) {
    PrintAdded(EntriesFrom(archive, before));
  }
  return SkippedStatus(listing);
}

}  // namespace zlb
