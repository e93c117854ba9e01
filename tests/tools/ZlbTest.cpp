#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/ArchiveBuilder.h"
#include "tests/support/TempDir.h"
#include "tests/tools/ZlbRunner.h"

namespace {

using builder::ArchiveBuilder;
using builder::Crc;

std::string Hex(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

const std::string kUsageHint = "Try 'zlb --help'.\n";

void ExpectFailure(const ZlbResult& result, const std::string& message) {
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "zlb: " + message + "\n");
}

// Runs zlb in the folder (or in sub below it) and expects success with nothing on standard
// error.
std::string Ok(const TempDir& dir, const std::vector<std::string>& args,
               const std::string& sub = "") {
  const ZlbResult result = RunZlb(args, sub.empty() ? dir.path() : dir / sub);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  return result.out;
}

std::string Repeated(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i)
    out += text;
  return out;
}

}  // namespace

TEST(ZlbCommandLine, HelpGoesToStdoutAndUsageErrorsExitTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"-h"}, {"list", "a.zlb", "--help"}, {"frob", "--help"}}) {
    const ZlbResult help = RunZlb(args);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: zlb", 0), 0u);
    EXPECT_NE(help.out.find("temporary file ZLB* may remain: in $TMPDIR"), std::string::npos);
    EXPECT_EQ(help.err, "");
  }
  const ZlbResult version = RunZlb({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(std::regex_match(version.out, std::regex("zlb [0-9]+\\.[0-9]+\\.[0-9]+\n")))
      << version.out;

  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "no command given"},
      {{"frob"}, "unknown command 'frob'"},
      {{"list"}, "missing ARCHIVE"},
      {{"list", "a", "b"}, "unexpected argument 'b'"},
      {{"list", "--bogus", "a"}, "unknown option '--bogus'"},
      {{"extract", "--tsv", "a", "d"}, "option '--tsv' does not apply to 'extract'"},
      {{"extract", "a"}, "missing DESTDIR"},
      {{"extract", "a", ""}, "DESTDIR is empty"},
      {{"extract", "a", "d", "1", "x2"}, "invalid index 'x2'"},
      {{"create", "a"}, "missing FILE"},
      {{"add", "a", "f", "--level"}, "option '--level' needs a value"},
      {{"create", "--level=huge", "a", "f"},
       "invalid level 'huge' (none, fastest, default or maximum)"},
      {{"info", "a", "evil\nline"}, "unexpected argument 'evil\\x0aline'"},
  };
  for (const auto& [args, message] : cases) {
    const ZlbResult result = RunZlb(args);
    EXPECT_EQ(result.status, 2) << message;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "zlb: " + message + "\n" + kUsageHint);
  }
}

TEST(ZlbList, TsvAndTableShowEveryMemberOnOneLine) {
  TempDir dir;
  const std::string squeezed = Repeated("squeeze ", 500);
  ArchiveBuilder b;
  b.Stored("plain.txt", "hello");
  b.Deflated("a\tb\nc", squeezed, 3, "sub\\");
  b.Stored("caf\xE9\x7F", "");
  b.Write(dir / "a.zlb");
  // Options after the archive argument, as well as before it.
  EXPECT_EQ(Ok(dir, {"list", "a.zlb", "--tsv"}),
            "0\tplain.txt\t\t5\t5\t1\t0\t3610a686\n"
            "1\ta\\x09b\\x0ac\tsub\\\t4000\t" +
                std::to_string(builder::Deflate(squeezed, 9).size()) + "\t0\t3\t" +
                Hex(Crc(squeezed)) +
                "\n"
                "2\tcaf\xC3\xA9\\x7f\t\t0\t0\t1\t0\t00000000\n");

  const std::string table = Ok(dir, {"list", "a.zlb"});
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 2 + 3 + 2);  // header, rows, total
  EXPECT_NE(table.find("Index"), std::string::npos);
  EXPECT_NE(table.find("deflate-maximum"), std::string::npos);
  EXPECT_NE(table.find("sub\\a\\x09b\\x0ac\n"), std::string::npos);
  EXPECT_NE(table.find("4005"), std::string::npos);  // total size
  EXPECT_NE(table.find("3 members\n"), std::string::npos);

  ArchiveBuilder twoThirds;  // 2 bytes for 3: the ratio is rounded, not cut
  twoThirds.Stored("r", "ab").unpackedSize = 3;
  twoThirds.Write(dir / "r.zlb");
  EXPECT_NE(Ok(dir, {"list", "r.zlb"}).find(" 67%"), std::string::npos);
}

TEST(ZlbInfo, PrintsTheTrailerKeysInOrder) {
  TempDir dir;
  ArchiveBuilder b;
  b.compressRegistry = false;
  b.Stored("x", "12345");
  const std::string archive = b.Build();
  WriteHostFile(dir / "plain.zlb", archive);
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", Crc(archive.substr(0, archive.size() - 36)));
  EXPECT_EQ(Ok(dir, {"info", "plain.zlb"}),
            "files=1\nregistry_offset=5\nregistry_size=0\nregistry_compressed=0\n"
            "registry_mark=1\narchive_crc=" +
                std::string(crc) + "\n");

  WriteHostFile(dir / "empty.zlb", "");
  EXPECT_EQ(Ok(dir, {"info", "empty.zlb"}),
            "files=0\nregistry_offset=0\nregistry_size=0\nregistry_compressed=0\n"
            "registry_mark=0\narchive_crc=00000000\n");
}

TEST(ZlbTest, ChecksEveryMemberAndNamesTheFirstBadOne) {
  TempDir dir;
  ArchiveBuilder sound;
  sound.Stored("a", "stored");
  sound.Deflated("b", Repeated("xyz", 3000), 2);
  sound.Stored("c", "");
  sound.Write(dir / "sound.zlb");
  EXPECT_EQ(Ok(dir, {"test", "sound.zlb"}), "sound.zlb: 3 members OK\n");

  ArchiveBuilder badCrc = sound;
  badCrc.members[1].crc = 0x12345678;
  badCrc.Write(dir / "crc.zlb");
  ExpectFailure(RunZlb({"test", "crc.zlb"}, dir.path()), "File (1) failed CRC check");

  ArchiveBuilder shortMember = sound;
  shortMember.members[1].unpackedSize = 9001;  // its zlib stream ends before that
  shortMember.Write(dir / "short.zlb");
  ExpectFailure(RunZlb({"test", "short.zlb"}, dir.path()), "File (1) is corrupt");

  std::string flipped = sound.Build();
  flipped[2] ^= 0x01;
  WriteHostFile(dir / "flipped.zlb", flipped);
  ExpectFailure(RunZlb({"test", "flipped.zlb"}, dir.path()),
                "The archive file appears to be corrupted");
  ExpectFailure(RunZlb({"test", "missing.zlb"}, dir.path()), "Archive file not found");
}

TEST(ZlbExtract, AllOrByIndexIntoAFolderCreatedOnDemand) {
  TempDir dir;
  ArchiveBuilder b;
  b.Stored("one.txt", "first", "sub\\");
  b.Deflated("two.txt", Repeated("second", 900), 1);
  b.Write(dir / "a.zlb");
  Ok(dir, {"extract", "a.zlb", "out/deep/er"});
  EXPECT_EQ(ReadHostFile(dir / "out/deep/er/one.txt"), "first");
  EXPECT_EQ(ReadHostFile(dir / "out/deep/er/two.txt"), Repeated("second", 900));

  Ok(dir, {"extract", "a.zlb", "only/", "1"});
  EXPECT_FALSE(std::filesystem::exists(dir / "only/one.txt"));
  EXPECT_TRUE(std::filesystem::exists(dir / "only/two.txt"));

  Ok(dir, {"extract", "--with-paths", "a.zlb", "paths"});
  EXPECT_EQ(ReadHostFile(dir / "paths/sub/one.txt"), "first");

  ExpectFailure(RunZlb({"extract", "a.zlb", "only", "2"}, dir.path()), "Index out of bounds");
  ExpectFailure(RunZlb({"extract", "a.zlb", "only", "--", "-1"}, dir.path()),
                "Index out of bounds");
}

TEST(ZlbExtract, NoClobberKeepsFilesAndAFailureStopsTheRun) {
  TempDir dir;
  ArchiveBuilder keep;
  keep.Stored("keep.txt", "archived");
  keep.Write(dir / "a.zlb");
  std::filesystem::create_directory(dir / "out");
  WriteHostFile(dir / "out/keep.txt", "mine");
  Ok(dir, {"extract", "--no-clobber", "a.zlb", "out"});
  EXPECT_EQ(ReadHostFile(dir / "out/keep.txt"), "mine");
  Ok(dir, {"extract", "a.zlb", "out"});
  EXPECT_EQ(ReadHostFile(dir / "out/keep.txt"), "archived");

  // The CRC is always checked, and nothing after the first failure is extracted.
  ArchiveBuilder bad;
  bad.Stored("0.txt", "zero");
  bad.Stored("1.txt", "one").crc = 0xDEADBEEF;
  bad.Stored("2.txt", "two");
  bad.Write(dir / "bad.zlb");
  ExpectFailure(RunZlb({"extract", "bad.zlb", "bad"}, dir.path()), "File (1) failed CRC check");
  EXPECT_TRUE(std::filesystem::exists(dir / "bad/0.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir / "bad/2.txt"));

  WriteHostFile(dir / "file", "");
  ExpectFailure(RunZlb({"extract", "a.zlb", "file/sub"}, dir.path()),
                "Unable to create destination path");

  // Names land as Windows would store them, and one Windows cannot create fails.
  for (const char* name : {"a?b.txt", "nul.txt"}) {
    ArchiveBuilder odd;
    odd.Stored("Rules.", "rules");
    odd.Stored(name, "never");
    odd.Write(dir / "odd.zlb");
    ExpectFailure(RunZlb({"extract", "odd.zlb", "odd"}, dir.path()),
                  std::string("Cannot create file odd\\\\") + name);
    EXPECT_EQ(ReadHostFile(dir / "odd/Rules"), "rules");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "odd"),
                            std::filesystem::directory_iterator()),
              1);
  }

  // A host destination is named with host separators.
  std::filesystem::create_directories(dir / "dd/keep.txt");
  ExpectFailure(RunZlb({"extract", "a.zlb", dir / "dd"}, dir.path()),
                "Cannot create file " + dir / "dd/keep.txt");
}

TEST(ZlbCreate, CreateAndAddRoundTripThroughTheReader) {
  TempDir dir;
  const std::string text = Repeated("all work and no play ", 400);
  WriteHostFile(dir / "text.txt", text);
  WriteHostFile(dir / "empty", "");
  WriteHostFile(dir / "more.txt", "more");
  Ok(dir, {"create", "--level", "maximum", "x.zlb", "text.txt", "empty"});
  Ok(dir, {"add", "x.zlb", "more.txt"});
  const std::string tsv = Ok(dir, {"list", "--tsv", "x.zlb"});
  EXPECT_NE(tsv.find("0\ttext.txt\t\t8400\t"), std::string::npos);
  EXPECT_NE(tsv.find("\t0\t3\t"), std::string::npos);  // deflated at maximum
  EXPECT_NE(tsv.find("1\tempty\t\t0\t0\t1\t0\t00000000\n"), std::string::npos);
  EXPECT_NE(tsv.find("2\tmore.txt\t\t4\t4\t1\t0\t"), std::string::npos);
  Ok(dir, {"test", "x.zlb"});
  Ok(dir, {"extract", "x.zlb", "out"});
  EXPECT_EQ(ReadHostFile(dir / "out/text.txt"), text);
  EXPECT_EQ(ReadHostFile(dir / "out/more.txt"), "more");

  const std::string before = ReadHostFile(dir / "x.zlb");
  ExpectFailure(RunZlb({"create", "x.zlb", "more.txt"}, dir.path()), "File already exists");
  ExpectFailure(RunZlb({"add", "x.zlb", "empty2", "MORE.TXT"}, dir.path()),
                "Unable to open file (empty2)");
  WriteHostFile(dir / "empty2", "");
  ExpectFailure(RunZlb({"add", "x.zlb", "empty2", "MORE.TXT"}, dir.path()),
                "File already exists (MORE.TXT)");
  EXPECT_EQ(ReadHostFile(dir / "x.zlb"), before);

  // All or nothing: a failing file leaves no archive behind.
  ExpectFailure(RunZlb({"create", "y.zlb", "more.txt", "missing", "text.txt"}, dir.path()),
                "Unable to open file (missing)");
  EXPECT_FALSE(std::filesystem::exists(dir / "y.zlb"));
  ExpectFailure(RunZlb({"add", "nowhere.zlb", "more.txt"}, dir.path()), "Archive file not found");
}

TEST(ZlbCreate, RecursionAddsTheFilesBelowAFolderButNoFolders) {
  TempDir dir;
  std::filesystem::create_directories(dir / "src/s");
  WriteHostFile(dir / "src/f", "f");
  WriteHostFile(dir / "src/s/g", "g");

  const std::string f = "\t1\t1\t1\t0\t" + Hex(Crc("f")) + "\n";
  const std::string g = "\t1\t1\t1\t0\t" + Hex(Crc("g")) + "\n";
  Ok(dir, {"create", "-r", "--save-paths", "paths.zlb", "src/"});
  // A folder's contents come before the files beside it.
  EXPECT_EQ(Ok(dir, {"list", "--tsv", "paths.zlb"}), "0\tg\tsrc\\s\\" + g + "1\tf\tsrc\\" + f);
  Ok(dir, {"create", "--recursive", "flat.zlb", "src"});
  EXPECT_EQ(Ok(dir, {"list", "--tsv", "flat.zlb"}), "0\tg\t" + g + "1\tf\t" + f);

  ExpectFailure(RunZlb({"create", "folder.zlb", "src"}, dir.path()), "Unable to open file (src)");

  // Folders with no files give an empty archive: a file of no bytes that takes additions.
  std::filesystem::create_directories(dir / "hollow/inner");
  Ok(dir, {"create", "-r", "hollow.zlb", "hollow"});
  EXPECT_EQ(ReadHostFile(dir / "hollow.zlb"), "");
  EXPECT_EQ(Ok(dir, {"info", "hollow.zlb"}).rfind("files=0\n", 0), 0u);
  Ok(dir, {"add", "hollow.zlb", "src/f"});
  EXPECT_EQ(Ok(dir, {"list", "--tsv", "hollow.zlb"}), "0\tf\t" + f);
  EXPECT_EQ(Ok(dir, {"test", "hollow.zlb"}), "hollow.zlb: 1 member OK\n");

  // An archive inside the folder being added is not added to itself.
  WriteHostFile(dir / "o", "o");
  Ok(dir, {"create", "src/self.zlb", "o"});
  Ok(dir, {"add", "-r", "self.zlb", "."}, "src");
  EXPECT_EQ(Ok(dir, {"list", "--tsv", "self.zlb"}, "src"),
            "0\to\t\t1\t1\t1\t0\t" + Hex(Crc("o")) + "\n1\tg\t" + g + "2\tf\t" + f);
}

// A file whose host name cannot be stored does not spoil the run: it is named on standard
// error, the rest is added, and the status says that not everything was.
TEST(ZlbCreate, RecursionSkipsNamesThatCannotBeStored) {
  TempDir dir;
  std::filesystem::create_directories(dir / "src/s");
  WriteHostFile(dir / "src/f", "f");
  WriteHostFile(dir / "src/\xE6\x97\xA5\xE6\x9C\xAC.txt", "x");
  WriteHostFile(dir / "src/s/a?b", "x");
  const ZlbResult result = RunZlb({"create", "-r", "a.zlb", "src"}, dir.path());
  EXPECT_EQ(result.status, 1);
  const std::string skipped = ": the name cannot be stored\n";
  const std::string first = "zlb: skipped " + dir / "src/s/a?b" + skipped;
  const std::string second = "zlb: skipped " + dir / "src/\xE6\x97\xA5\xE6\x9C\xAC.txt" + skipped;
  EXPECT_EQ(result.err, second + first + "zlb: 2 files skipped\n");
  EXPECT_EQ(Ok(dir, {"list", "--tsv", "a.zlb"}), "0\tf\t\t1\t1\t1\t0\t" + Hex(Crc("f")) + "\n");
}

TEST(ZlbProgress, ShownAsOneRewrittenLineOnlyOnATerminal) {
  TempDir dir;
  ArchiveBuilder b;
  b.Deflated("m.txt", std::string(10000, 'm'), 2);
  b.Write(dir / "a.zlb");
  const ZlbResult shown = RunZlb({"extract", "a.zlb", "out"}, dir.path(), true);
  EXPECT_EQ(shown.status, 0);
  const auto at41 = shown.err.find("\rExtracting m.txt 41%");
  const auto at82 = shown.err.find("\rExtracting m.txt 82%");
  const auto at100 = shown.err.find("\rExtracting m.txt 100%");
  EXPECT_LT(at41, at82) << shown.err;
  EXPECT_LT(at82, at100);
  EXPECT_NE(at100, std::string::npos);
  EXPECT_EQ(shown.err.back(), '\n');
  EXPECT_EQ(std::count(shown.err.begin(), shown.err.end(), '\n'), 1);

  // Creating shows the files added out of the total.
  WriteHostFile(dir / "f", "f");
  const ZlbResult created = RunZlb({"create", "b.zlb", "f", "out/m.txt"}, dir.path(), true);
  EXPECT_EQ(created.status, 0);
  EXPECT_EQ(created.err, "\rAdding: 1/2 files, 0.0 MiB\rAdding: 2/2 files, 0.0 MiB\n");

  const ZlbResult quiet = RunZlb({"extract", "--quiet", "a.zlb", "out"}, dir.path(), true);
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.err, "");

  // A failure after progress starts on a line of its own.
  const ZlbResult failed = RunZlb({"extract", "a.zlb", "out", "0", "5"}, dir.path(), true);
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("100%\nzlb: Index out of bounds\n"), std::string::npos) << failed.err;
}
