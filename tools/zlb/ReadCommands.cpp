#include <cstdio>
#include <string>

#include "archive/ZLIBArchive.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/WinNames.h"
#include "tools/zlb/Commands.h"
#include "tools/zlb/Display.h"
#include "tools/zlb/NullSink.h"
#include "tools/zlb/Progress.h"

namespace zlb {
namespace {

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

}  // namespace

void RunList(const Options& options) {
  TZLBArchive archive;
  archive.OpenArchive(platform::Utf8ToAnsi(options.archive));
  TArchiveEntry entry;
  if (options.tsv) {
    for (int index = 0; index < archive.FileCount(); ++index) {
      archive.GetFileEntry(index, entry);
      PrintLine(TsvLine(index, entry));
    }
    return;
  }
  MemberTable table;
  PrintLine(MemberTable::Header());
  for (int index = 0; index < archive.FileCount(); ++index) {
    archive.GetFileEntry(index, entry);
    PrintLine(table.Row(index, entry));
  }
  PrintLine(table.Total());
}

void RunInfo(const Options& options) {
  TZLBArchive archive;
  archive.OpenArchive(platform::Utf8ToAnsi(options.archive));
  const TArchiveTrailer& trailer = archive.Trailer();
  PrintLine("files=" + std::to_string(trailer.FileCount));
  PrintLine("registry_offset=" + std::to_string(trailer.RegistryOffset));
  PrintLine("registry_size=" + std::to_string(trailer.RegistrySize));
  PrintLine("registry_compressed=" + std::to_string(trailer.RegistryCompressed));
  PrintLine("registry_mark=" + std::to_string(trailer.RegistryMark));
  PrintLine("archive_crc=" + Hex8(trailer.ArchiveCRC));
}

void RunTest(const Options& options) {
  const std::string name = platform::Utf8ToAnsi(options.archive);
  ProgressLine progress(!options.quiet, name);
  TZLBArchive archive;
  progress.Attach(archive);
  archive.OpenArchive(name);

  // Each member goes into a sink that keeps nothing, so memory stays flat whatever the
  // member's size; the archive checks the CRC of the bytes as they pass.
  archive.SetCheckCRC(true);
  for (int index = 0; index < archive.FileCount(); ++index) {
    NullSink sink;
    archive.ExtractToStream(index, sink);
  }
  progress.Finish();
  PrintLine(Shown(name) + ": " + Members(archive.FileCount()) + " OK");
}

void RunExtract(const Options& options) {
  const std::string name = platform::Utf8ToAnsi(options.archive);
  ProgressLine progress(!options.quiet, name);
  TZLBArchive archive;
  progress.Attach(archive);
  archive.OpenArchive(name);

  std::string destDir = platform::Utf8ToAnsi(options.destDir);
  if (!platform::ForceFolders(*platform::Env::Default(), destDir)) {
    throw Exception("Unable to create destination path");
  }
  // The archive joins the folder and the member's name as they stand; a closing separator
  // makes the members land inside the folder.
  // In the separator of its own form, so that names in messages read as the user wrote them.
  if (!platform::EndsWithSeparator(destDir)) {
    destDir += destDir.find('\\') == std::string::npos && destDir.find('/') != std::string::npos
                   ? '/'
                   : '\\';
  }

  archive.SetCheckCRC(true);
  archive.SetExtractWithPath(options.withPaths);
  if (options.noClobber) {
    archive.OnReplaceFile = [](const std::string&, bool& Replace) { Replace = false; };
  }
  if (options.indexes.empty()) {
    for (int index = 0; index < archive.FileCount(); ++index) {
      archive.ExtractFile(destDir, index);
    }
  } else {
    for (const int index : options.indexes) {
      archive.ExtractFile(destDir, index);
    }
  }
}

}  // namespace zlb
