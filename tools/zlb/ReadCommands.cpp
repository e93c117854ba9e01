// The reading commands. A member that cannot be tested or extracted is reported and the work
// goes on with the next one; the command then ends with exit status 1.
#include <cstdio>
#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/WinNames.h"
#include "tools/zlb/Commands.h"
#include "tools/zlb/Display.h"
#include "tools/zlb/Interrupt.h"
#include "tools/zlb/NullSink.h"
#include "tools/zlb/Opening.h"
#include "tools/zlb/Progress.h"
#include "tools/zlb/Report.h"
#include "tools/zlb/Selection.h"

namespace zlb {
namespace {

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

// One member that failed to extract, named, with the reason. A file that cannot be created is
// named as the user would write it, below the destination folder the user gave.
void ReportExtractFailure(const Options& options, int index, const TArchiveEntry& entry,
                          const Exception& failure) {
  const std::string folder = options.junkPaths ? std::string() : archive::ShortString(entry.Path);
  std::string reason;
  if (failure.Kind() == FailureKind::kCannotCreate) {
    reason = "Cannot create file " +
             ShownJoin(options.destDir, folder + "\\" + archive::ShortString(entry.Name));
  } else if (failure.Kind() == FailureKind::kCannotCreateFolder) {
    reason = "Unable to create destination path " +
             platform::WithoutTrailingSeparators(ShownJoin(options.destDir, folder));
  }
  if (reason.empty()) {
    reason = Describe(failure);
  } else if (!failure.Cause().empty()) {
    reason += ": " + ShownUtf8(failure.Cause());
  }
  Warn(MemberLabel(index, entry) + ": " + reason);
}

}  // namespace

int RunList(platform::Env& env, const Options& options) {
  TZLBArchive archive(nullptr, &env);
  OpenNamedArchive(archive, env, options, options.salvage);
  TArchiveEntry entry;
  if (options.tsv) {
    for (int index = 0; index < archive.FileCount(); ++index) {
      archive.GetFileEntry(index, entry);
      PrintLine(TsvLine(index, entry));
    }
    return 0;
  }
  MemberTable table;
  PrintLine(MemberTable::Header());
  for (int index = 0; index < archive.FileCount(); ++index) {
    archive.GetFileEntry(index, entry);
    PrintLine(table.Row(index, entry));
  }
  PrintLine(table.Total());
  return 0;
}

int RunInfo(platform::Env& env, const Options& options) {
  TZLBArchive archive(nullptr, &env);
  OpenNamedArchive(archive, env, options, options.salvage);
  const TArchiveTrailer& trailer = archive.Trailer();
  PrintLine("files=" + std::to_string(trailer.FileCount));
  PrintLine("registry_offset=" + std::to_string(trailer.RegistryOffset));
  PrintLine("registry_size=" + std::to_string(trailer.RegistrySize));
  PrintLine("registry_compressed=" + std::to_string(trailer.RegistryCompressed));
  PrintLine("registry_mark=" + std::to_string(trailer.RegistryMark));
  PrintLine("archive_crc=" + Hex8(trailer.ArchiveCRC));
  return 0;
}

int RunTest(platform::Env& env, const Options& options) {
  ProgressLine progress(!options.quiet, "Testing");
  TZLBArchive archive(nullptr, &env);
  progress.Attach(archive);
  OpenNamedArchive(archive, env, options, options.salvage);

  // Each member goes into a sink that keeps nothing, so memory stays flat whatever the
  // member's size; the archive checks the CRC of the bytes as they pass.
  archive.SetCheckCRC(true);
  TArchiveEntry entry;
  int bad = 0;
  for (int index = 0; index < archive.FileCount(); ++index) {
    archive.GetFileEntry(index, entry);
    progress.SetItem(ShownMember(entry));
    std::string verdict = "OK";
    try {
      NullSink sink;
      archive.ExtractToStream(index, sink);
    } catch (const Exception& failure) {
      verdict = failure.Kind() == FailureKind::kBadChecksum ? "bad CRC" : "damaged data";
      Warn(MemberLabel(index, entry) + ": " + Describe(failure));
    }
    bad += verdict == "OK" ? 0 : 1;
    if (options.verbose || options.salvage) {
      progress.Clear();
      PrintLine("testing: " + ShownMember(entry) + " " + verdict);
    }
  }
  progress.Clear();
  const std::string shownArchive = ShownUtf8(options.archive);
  if (bad > 0) {
    Warn(shownArchive + ": " + std::to_string(bad) + " of " + Members(archive.FileCount()) +
         " failed the test");
    return 1;
  }
  PrintLine(shownArchive + ": " + Members(archive.FileCount()) + " OK");
  return 0;
}

int RunExtract(platform::Env& hostEnv, const Options& options) {
  // Ctrl-C or SIGTERM removes the temporary file of the member being written; the members
  // already extracted stay.
  platform::InterruptCleanup cleanup(kInterruptedNotice);
  TemporaryFilesCleanupEnv env(&hostEnv, cleanup);
  ProgressLine progress(!options.quiet, "Extracting");
  TZLBArchive archive(nullptr, &env);
  progress.Attach(archive);
  OpenNamedArchive(archive, env, options, options.salvage);

  // Everything the arguments name is checked before anything is created.
  std::vector<int> chosen = SelectMembers(archive, ShownUtf8(options.archive), options.members);
  bool clean = true;
  if (options.junkPaths) {
    clean = DropFlattenedCollisions(archive, chosen);
  }

  std::string destDir = platform::WithoutTrailingSeparators(platform::Utf8ToAnsi(options.destDir));
  if (const platform::Status made = platform::ForceFolders(env, destDir); !made) {
    throw Failure(
        ShownUtf8(options.destDir) + ": Unable to create destination path: " +
        (env.HostPath(destDir) ? ShownUtf8(made.Text()) : Shown(WhyNothingThere(env, destDir))));
  }
  // The archive joins the folder and the member's name as they stand; a closing separator
  // makes the members land inside the folder, in the separator of the folder's own form, so
  // that names in messages read as the user wrote them.
  destDir = platform::WithTrailingSeparator(destDir);

  archive.SetCheckCRC(true);
  archive.SetExtractWithPath(!options.junkPaths);
  bool kept = false;  // the member's file existed and --no-clobber kept it
  if (options.noClobber) {
    archive.OnReplaceFile = [&kept](const std::string&, bool& Replace) {
      Replace = false;
      kept = true;
    };
  }
  TArchiveEntry entry;
  for (const int index : chosen) {
    archive.GetFileEntry(index, entry);
    progress.SetItem(ShownMember(entry));
    kept = false;
    try {
      archive.ExtractFile(destDir, index);
      if (options.verbose && !kept) {
        progress.Clear();
        PrintLine("extracting: " + ShownMember(entry));
      }
    } catch (const Exception& failure) {
      clean = false;
      ReportExtractFailure(options, index, entry, failure);
    }
  }
  return clean ? 0 : 1;
}

}  // namespace zlb
