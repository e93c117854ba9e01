#include <cstdio>
#include <string>

#include "archive/Crc32.h"
#include "archive/ZLIBArchive.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "tools/zlb/Commands.h"
#include "tools/zlb/CrcSink.h"
#include "tools/zlb/Display.h"
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

  // Each member goes into a sink that keeps only its CRC-32, so memory stays flat whatever the
  // member's size. The archive's own check (CheckCRC) reads the extracted stream back from its
  // start, which a sink that keeps nothing cannot do, so the tool compares the CRC itself. A
  // member whose data ends early has already failed in ExtractToStream.
  const Crc32Engine engine(BuildCRC32Table());
  TArchiveEntry entry;
  for (int index = 0; index < archive.FileCount(); ++index) {
    archive.GetFileEntry(index, entry);
    CrcSink sink(engine);
    archive.ExtractToStream(index, sink);
    if (sink.Crc() != entry.CRC) {
      throw Exception(FormatMessage("File (%d) failed CRC check", index));
    }
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
  if (destDir.back() != '\\' && destDir.back() != '/') {
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
