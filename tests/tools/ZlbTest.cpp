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
    EXPECT_NE(help.out.find("temporary files: ZLB* in the archive's folder from create"),
              std::string::npos);
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
      {{"create", "-j", "a", "f"}, "option '-j' does not apply to 'create'"},
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
  // The ratio column is the space saved: none for a stored member.
  EXPECT_NE(table.find("Saved"), std::string::npos);
  EXPECT_NE(table.find("    0%  stored"), std::string::npos) << table;
  EXPECT_NE(table.find("sub\\a\\x09b\\x0ac\n"), std::string::npos);
  EXPECT_NE(table.find("4005"), std::string::npos);  // total size
  EXPECT_NE(table.find("3 members\n"), std::string::npos);

  ArchiveBuilder twoThirds;  // 1 byte for 3 saves two thirds: cut, never said to save more
  twoThirds.Stored("r", "a").unpackedSize = 3;
  twoThirds.Write(dir / "r.zlb");
  EXPECT_NE(Ok(dir, {"list", "r.zlb"}).find(" 66%"), std::string::npos);
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

TEST(ZlbTest, ChecksEveryMemberNamesEachBadOneAndSalvagesPastADamagedArchive) {
  TempDir dir;
  ArchiveBuilder sound;
  sound.Stored("a", "stored");
  sound.Deflated("b", Repeated("xyz", 3000), 2);
  sound.Stored("c", "");
  sound.Write(dir / "sound.zlb");
  EXPECT_EQ(Ok(dir, {"test", "sound.zlb"}), "sound.zlb: 3 members OK\n");

  // Every member is checked; each bad one is named with its reason.
  ArchiveBuilder bad = sound;
  bad.members[0].crc = 0x12345678;
  bad.members[1].unpackedSize = 9001;  // its zlib stream ends before that
  bad.Write(dir / "bad.zlb");
  const ZlbResult tested = RunZlb({"test", "-v", "bad.zlb"}, dir.path());
  EXPECT_EQ(tested.status, 1);
  EXPECT_EQ(tested.out, "testing: a bad CRC\ntesting: b damaged data\ntesting: c OK\n");
  EXPECT_EQ(tested.err,
            "zlb: member 0 (a): File (0) failed CRC check\n"
            "zlb: member 1 (b): File (1) is corrupt: its data ends before its size\n"
            "zlb: bad.zlb: 2 of 3 members failed the test\n");

  // One flipped byte fails the whole-file check; --salvage checks member by member and
  // extracts what is sound.
  std::string flipped = sound.Build();
  flipped[2] ^= 0x01;
  WriteHostFile(dir / "flipped.zlb", flipped);
  ExpectFailure(RunZlb({"test", "flipped.zlb"}, dir.path()),
                "flipped.zlb: The archive file appears to be corrupted (try --salvage to check "
                "member by member)");
  const ZlbResult salvaged = RunZlb({"test", "--salvage", "flipped.zlb"}, dir.path());
  EXPECT_EQ(salvaged.status, 1);
  EXPECT_EQ(salvaged.out, "testing: a bad CRC\ntesting: b OK\ntesting: c OK\n");
  EXPECT_EQ(RunZlb({"extract", "--salvage", "flipped.zlb", "out"}, dir.path()).status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "out/a"));
  EXPECT_EQ(ReadHostFile(dir / "out/b"), Repeated("xyz", 3000));
  EXPECT_TRUE(std::filesystem::exists(dir / "out/c"));
}

TEST(ZlbExtract, FoldersRecreatedByDefaultAndFlattenedWithJunkPaths) {
  TempDir dir;
  ArchiveBuilder b;
  b.Stored("one.txt", "first", "sub\\");
  b.Deflated("two.txt", Repeated("second", 900), 1);
  b.Stored("ONE.txt", "other", "deep\\er\\");
  b.Write(dir / "a.zlb");
  Ok(dir, {"extract", "a.zlb", "out/deep/er"});
  EXPECT_EQ(ReadHostFile(dir / "out/deep/er/sub/one.txt"), "first");
  EXPECT_EQ(ReadHostFile(dir / "out/deep/er/two.txt"), Repeated("second", 900));
  EXPECT_EQ(ReadHostFile(dir / "out/deep/er/deep/er/ONE.txt"), "other");
  Ok(dir, {"extract", "../../../a.zlb", "."}, "out/deep/er");  // members without a folder too

  Ok(dir, {"extract", "--with-paths", "a.zlb", "only/", "1"});
  EXPECT_FALSE(std::filesystem::exists(dir / "only/sub"));
  EXPECT_TRUE(std::filesystem::exists(dir / "only/two.txt"));

  // Flattened, two members land on one name: said once, the first one kept, exit 1.
  const ZlbResult flat = RunZlb({"extract", "-j", "a.zlb", "flat"}, dir.path());
  EXPECT_EQ(flat.status, 1);
  EXPECT_EQ(flat.err,
            "zlb: one.txt: 2 members land on this name with -j; extracted member 0 "
            "(sub\\one.txt), left out member 2 (deep\\er\\ONE.txt)\n");
  EXPECT_EQ(ReadHostFile(dir / "flat/one.txt"), "first");
  EXPECT_TRUE(std::filesystem::exists(dir / "flat/two.txt"));
}

TEST(ZlbExtract, HostFoldersTakeLetterCaseExactly) {
  TempDir dir;
  ArchiveBuilder b;
  b.Stored("GPL-3", "new");
  b.Write(dir / "s.zlb");
  ExpectFailure(RunZlb({"list", "S.ZLB"}, dir.path()),
                "S.ZLB: Archive file not found: No such file or directory");
  std::filesystem::create_directory(dir / "out");
  WriteHostFile(dir / "out/gpl-3", "old");
  Ok(dir, {"extract", "s.zlb", "out"});
  EXPECT_EQ(ReadHostFile(dir / "out/gpl-3"), "old");
  EXPECT_EQ(ReadHostFile(dir / "out/GPL-3"), "new");
}

TEST(ZlbExtract, NoClobberKeepsFilesAndABadMemberDoesNotStopTheRun) {
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

  // The CRC is always checked; a member that fails is named with its reason, and the members
  // after it are extracted all the same.
  ArchiveBuilder bad;
  bad.Stored("0.txt", "zero");
  bad.Stored("1.txt", "one").crc = 0xDEADBEEF;
  bad.Stored("..", "up", "..\\");
  bad.Stored("x.txt", "in the way", "2.txt\\");
  bad.Stored("3.txt", "three");
  bad.Write(dir / "bad.zlb");
  std::filesystem::create_directory(dir / "bad");
  WriteHostFile(dir / "bad/2.txt", "a file where a folder should be");
  const ZlbResult run = RunZlb({"extract", "bad.zlb", "bad"}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "zlb: member 1 (1.txt): File (1) failed CRC check\n"
            "zlb: member 2 (..\\..): File (2) has an unsafe name\n"
            "zlb: member 3 (2.txt\\x.txt): Unable to create destination path bad/2.txt: Not a "
            "directory\n");
  EXPECT_TRUE(std::filesystem::exists(dir / "bad/0.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir / "bad/1.txt"));
  EXPECT_EQ(ReadHostFile(dir / "bad/3.txt"), "three");
}

// Every failure names the file as the user gave it and says why; arguments are checked before
// anything is created.
TEST(ZlbMessages, NameTheFileAndTheReason) {
  TempDir dir;
  ArchiveBuilder b;
  b.Stored("one.txt", "first");
  b.Write(dir / "a.zlb");
  WriteHostFile(dir / "file", "");
  WriteHostFile(dir / "short", "not an archive");
  WriteHostFile(dir / "long", Repeated("not an archive at all ", 10));
  std::filesystem::create_directory(dir / "folder");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"list", "missing.zlb"}, "missing.zlb: Archive file not found: No such file or directory"},
      {{"info", "folder/"}, "folder/: Archive file not found: Is a directory"},
      {{"test", "Q:\\a.zlb"},
       "Q:\\a.zlb: Archive file not found: drive Q: is not mapped in the Wine prefix"},
      {{"list", "short"}, "short: The archive file appears to be corrupted: not a ZLB archive"},
      {{"list", "long"}, "long: The archive file appears to be corrupted: not a ZLB archive"},
      {{"extract", "a.zlb", "file/sub"},
       "file/sub: Unable to create destination path: Not a directory"},
      {{"extract", "a.zlb", "new", "1"},
       "a.zlb: member 1: Index out of bounds (the archive has 1 member)"},
      {{"extract", "a.zlb", "new", "--", "-1"},
       "a.zlb: member -1: Index out of bounds (the archive has 1 member)"},
  };
  for (const auto& [args, message] : cases) {
    ExpectFailure(RunZlb(args, dir.path()), message);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "new"));

  // Names land as Windows would store them, and one Windows cannot create fails.
  for (const char* name : {"a?b.txt", "nul.txt"}) {
    ArchiveBuilder odd;
    odd.Stored("Rules.", "rules");
    odd.Stored(name, "never");
    odd.Write(dir / "odd.zlb");
    const ZlbResult run = RunZlb({"extract", "odd.zlb", "odd"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(std::string("Cannot create file odd/") + name), std::string::npos)
        << run.err;
    EXPECT_EQ(ReadHostFile(dir / "odd/Rules"), "rules");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "odd"),
                            std::filesystem::directory_iterator()),
              1);
  }

  // A host destination is named with host separators.
  std::filesystem::create_directories(dir / "dd/one.txt");
  const ZlbResult blocked = RunZlb({"extract", "a.zlb", dir / "dd"}, dir.path());
  EXPECT_EQ(blocked.status, 1);
  EXPECT_NE(blocked.err.find("Cannot create file " + dir / "dd/one.txt"), std::string::npos)
      << blocked.err;
}

TEST(ZlbExtract, MembersChosenByIndexNameOrWildcard) {
  TempDir dir;
  ArchiveBuilder b;
  b.Stored("copyright", "a", "doc\\a\\");
  b.Stored("README", "r", "doc\\");
  b.Stored("Copyright", "b", "doc\\b\\");
  b.Stored("12", "twelve");
  b.Write(dir / "a.zlb");
  Ok(dir, {"extract", "-v", "a.zlb", "one", "COPY*"});
  EXPECT_TRUE(std::filesystem::exists(dir / "one/doc/a/copyright"));
  EXPECT_TRUE(std::filesystem::exists(dir / "one/doc/b/Copyright"));
  EXPECT_FALSE(std::filesystem::exists(dir / "one/doc/README"));

  // A pattern with a folder separator matches the folder too; digits alone are an index.
  EXPECT_EQ(Ok(dir, {"extract", "-v", "a.zlb", "two", "doc/?/c*", "3", "doc\\readme"}),
            "extracting: doc\\a\\copyright\nextracting: doc\\b\\Copyright\n"
            "extracting: 12\nextracting: doc\\README\n");
  ExpectFailure(RunZlb({"extract", "a.zlb", "three", "*.txt", "12"}, dir.path()),
                "a.zlb: no member matches '*.txt'\n"
                "zlb: a.zlb: member 12: Index out of bounds (the archive has 4 members)");
  EXPECT_FALSE(std::filesystem::exists(dir / "three"));
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
  WriteHostFile(dir / "MORE.TXT", "MORE");
  ExpectFailure(RunZlb({"create", "x.zlb", "more.txt"}, dir.path()),
                "x.zlb: File already exists (use -f to replace it)");
  ExpectFailure(RunZlb({"add", "x.zlb", "MORE.TXT"}, dir.path()),
                "MORE.TXT: the archive already holds more.txt (names that differ only in letter "
                "case are one name in an archive)");
  EXPECT_EQ(ReadHostFile(dir / "x.zlb"), before);
  ExpectFailure(RunZlb({"add", "nowhere.zlb", "more.txt"}, dir.path()),
                "nowhere.zlb: Archive file not found: No such file or directory");

  // -f builds the new archive and only then puts it in the old one's place.
  EXPECT_EQ(Ok(dir, {"create", "-f", "-v", "x.zlb", "text.txt", "more.txt"}),
            "adding: text.txt (deflated 99%)\nadding: more.txt (stored 0%)\n");
  EXPECT_EQ(Ok(dir, {"info", "x.zlb"}).rfind("files=2\n", 0), 0u);
  const std::string replaced = ReadHostFile(dir / "x.zlb");
  ExpectFailure(RunZlb({"create", "-f", "x.zlb", "missing"}, dir.path()),
                "missing: cannot read the file: No such file or directory");
  EXPECT_EQ(ReadHostFile(dir / "x.zlb"), replaced);
}

// Every file is checked before anything is written; every problem is reported at once, and a
// run that reports one leaves no archive (create) or the archive as it was (add).
TEST(ZlbCreate, ProblemsAreAllReportedBeforeAnythingIsWritten) {
  TempDir dir;
  std::filesystem::create_directories(dir / "doc/a");
  std::filesystem::create_directories(dir / "doc/b");
  WriteHostFile(dir / "doc/a/copyright", "a");
  WriteHostFile(dir / "doc/b/copyright", "b");
  WriteHostFile(dir / "doc/a/Index.html", "I");
  WriteHostFile(dir / "doc/a/index.html", "i");
  std::filesystem::create_symlink(dir / "nowhere", dir / "doc/broken");
  WriteHostFile(dir / "ctl\x01", "");
  const ZlbResult created =
      RunZlb({"create", "-r", "--save-paths", "d.zlb", "doc", "gone", "."}, dir.path());
  EXPECT_EQ(created.status, 1);
  EXPECT_NE(created.err.find("zlb: doc/a/Index.html: same name in the archive as "
                             "doc/a/index.html (names that differ only in letter case are one "
                             "name in an archive)\n"),
            std::string::npos)
      << created.err;
  EXPECT_NE(created.err.find("zlb: doc/broken: cannot read the file: No such file or "
                             "directory\n"),
            std::string::npos);
  EXPECT_NE(created.err.find("zlb: gone: cannot read the file: No such file or directory\n"),
            std::string::npos);
  EXPECT_NE(created.err.find("zlb: ./doc/a/copyright: its folder would be stored as "
                             "'.\\doc\\a\\', with a '.' folder in it"),
            std::string::npos);
  // A name Windows cannot hold is skipped by the folder listing with a warning of its own.
  EXPECT_NE(created.err.find("zlb: skipped " + dir / "ctl\\x01" + ": the name cannot be stored"),
            std::string::npos)
      << created.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "d.zlb"));
  std::filesystem::remove(dir / "doc/broken");
  std::filesystem::remove(dir / "doc/a/Index.html");

  ExpectFailure(RunZlb({"create", "-r", "flat.zlb", "doc"}, dir.path()),
                "doc/a/copyright: same name in the archive as doc/b/copyright (use "
                "--save-paths to keep their folders apart)");
  ExpectFailure(RunZlb({"create", "--save-paths", "up.zlb", "../b/copyright"}, dir / "doc/a"),
                "../b/copyright: its folder would be stored as '..\\b\\', which leads out of "
                "the folder it is extracted into (run zlb from the common parent folder "
                "instead)");
  Ok(dir, {"create", "d.zlb", "doc/b/copyright"});
  const std::string before = ReadHostFile(dir / "d.zlb");
  ExpectFailure(RunZlb({"add", "d.zlb", "doc/a/index.html", "doc", "d.zlb"}, dir.path()),
                "doc: is a folder (use -r to add the files in it)\n"
                "zlb: d.zlb: cannot add the archive to itself");
  EXPECT_EQ(ReadHostFile(dir / "d.zlb"), before);
  EXPECT_FALSE(std::filesystem::exists(dir / "flat.zlb"));
  EXPECT_FALSE(std::filesystem::exists(dir / "doc/a/up.zlb"));
  for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_NE(item.path().filename().string().rfind("ZLB", 0), 0u) << item.path();
  }
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

  ExpectFailure(RunZlb({"create", "folder.zlb", "src"}, dir.path()),
                "src: is a folder (use -r to add the files in it)");

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
  // Only the member's data is shown; reading the archive's registry is not.
  EXPECT_EQ(shown.err.rfind("\rExtracting m.txt ", 0), 0u) << shown.err;
  const auto at41 = shown.err.find("\rExtracting m.txt 41%");
  const auto at82 = shown.err.find("\rExtracting m.txt 82%");
  const auto at100 = shown.err.find("\rExtracting m.txt 100%");
  EXPECT_LT(at41, at82) << shown.err;
  EXPECT_LT(at82, at100);
  EXPECT_NE(at100, std::string::npos);
  // Wiped off the screen at the end.
  const auto wiped = [](const std::string& text) {
    return '\r' + text + '\r' + std::string(text.size(), ' ') + '\r';
  };
  EXPECT_EQ(shown.err.substr(at100), wiped("Extracting m.txt 100%"));

  // Creating shows the files added out of the total.
  WriteHostFile(dir / "f", "f");
  const ZlbResult created = RunZlb({"create", "b.zlb", "f", "out/m.txt"}, dir.path(), true);
  EXPECT_EQ(created.status, 0);
  EXPECT_EQ(created.err, "\rAdding: 1/2 files, 0.0 MiB" + wiped("Adding: 2/2 files, 0.0 MiB"));

  const ZlbResult quiet = RunZlb({"extract", "--quiet", "a.zlb", "out"}, dir.path(), true);
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.err, "");

  // The line names what the command does, and a message never runs into it.
  const ZlbResult tested = RunZlb({"test", "a.zlb"}, dir.path(), true);
  EXPECT_NE(tested.err.find("\rTesting m.txt 100%"), std::string::npos) << tested.err;
  b.members[0].crc = 0;
  b.Write(dir / "a.zlb");
  const ZlbResult failed = RunZlb({"test", "a.zlb"}, dir.path(), true);
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find(wiped("Testing m.txt 100%") +
                            "zlb: member 0 (m.txt): File (0) failed CRC check\n"),
            std::string::npos)
      << failed.err;
}
