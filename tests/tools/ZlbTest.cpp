#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "tools/ZlbRunner.h"

namespace {

// --- archives written byte by byte, independently of the archive component ---

struct RawMember {
  RawMember(std::string name, std::string path, std::string data, int level = -1,
            std::optional<std::uint32_t> crc = std::nullopt)
      : name(std::move(name)),
        path(std::move(path)),
        data(std::move(data)),
        level(level),
        crc(crc) {}
  std::string name;
  std::string path;
  std::string data;
  int level;                         // -1: stored; 0 to 3: deflated, recorded as this level
  std::optional<std::uint32_t> crc;  // a wrong CRC to record instead of the real one
  std::optional<std::int32_t> size;  // a wrong unpacked size to record
};

void Put32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string ShortField(const std::string& text) {
  std::string field(256, '\0');
  field[0] = static_cast<char>(text.size());
  field.replace(1, text.size(), text);
  return field;
}

std::uint32_t Crc(const std::string& bytes) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string Hex(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

std::string Deflate(const std::string& bytes, int level) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()), level);
  out.resize(size);
  return out;
}

std::string RawArchive(const std::vector<RawMember>& members, bool compressRegistry = true) {
  static const int kZlibLevels[] = {0, 1, -1, 9};
  std::string data, registry;
  for (const auto& member : members) {
    const std::string packed =
        member.level < 0 ? member.data : Deflate(member.data, kZlibLevels[member.level]);
    registry += ShortField(member.name) + ShortField(member.path);
    Put32(registry, static_cast<std::uint32_t>(member.size.value_or(member.data.size())));
    Put32(registry, static_cast<std::uint32_t>(packed.size()));
    Put32(registry, static_cast<std::uint32_t>(data.size()));
    Put32(registry, member.crc.value_or(Crc(member.data)));
    registry += member.level < 0 ? '\1' : '\0';
    registry += static_cast<char>(member.level < 0 ? 0 : member.level);
    registry += std::string(2, '\0');
    data += packed;
  }
  std::string archive = data + (compressRegistry ? Deflate(registry, 9) : registry);
  const auto registrySize = compressRegistry ? archive.size() - data.size() : 0;
  std::string trailer;
  Put32(trailer, Crc(archive));
  Put32(trailer, static_cast<std::uint32_t>(members.size()));
  Put32(trailer, 1);
  Put32(trailer, static_cast<std::uint32_t>(registrySize));
  Put32(trailer, static_cast<std::uint32_t>(data.size()));
  trailer += compressRegistry ? '\1' : '\0';
  return archive + trailer + std::string(15, '\0');
}

const std::string kUsageHint = "Try 'zlb --help'.\n";

void ExpectFailure(const ZlbResult& result, const std::string& message) {
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "zlb: " + message + "\n");
}

// Runs zlb in the folder and expects success with nothing on standard error.
std::string Ok(const TempDir& dir, const std::vector<std::string>& args) {
  const ZlbResult result = RunZlb(args, dir.path());
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
    EXPECT_EQ(help.err, "");
  }

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
  WriteHostFile(dir / "a.zlb", RawArchive({{"plain.txt", "", "hello"},
                                           {"a\tb\nc", "sub\\", Repeated("squeeze ", 500), 3},
                                           {"caf\xE9\x7F", "", ""}}));
  // Options after the archive argument, as well as before it.
  const std::string squeezed = Repeated("squeeze ", 500);
  EXPECT_EQ(Ok(dir, {"list", "a.zlb", "--tsv"}),
            "0\tplain.txt\t\t5\t5\t1\t0\t3610a686\n"
            "1\ta\\x09b\\x0ac\tsub\\\t4000\t" +
                std::to_string(Deflate(squeezed, 9).size()) + "\t0\t3\t" + Hex(Crc(squeezed)) +
                "\n"
                "2\tcaf\xC3\xA9\\x7f\t\t0\t0\t1\t0\t00000000\n");

  const std::string table = Ok(dir, {"list", "a.zlb"});
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 2 + 3 + 2);  // header, rows, total
  EXPECT_NE(table.find("Index"), std::string::npos);
  EXPECT_NE(table.find("deflate-maximum"), std::string::npos);
  EXPECT_NE(table.find("sub\\a\\x09b\\x0ac\n"), std::string::npos);
  EXPECT_NE(table.find("4005"), std::string::npos);  // total size
  EXPECT_NE(table.find("3 members\n"), std::string::npos);
}

TEST(ZlbInfo, PrintsTheTrailerKeysInOrder) {
  TempDir dir;
  const std::string archive = RawArchive({{"x", "", "12345"}}, false);
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
  const std::vector<RawMember> sound = {
      {"a", "", "stored"}, {"b", "", Repeated("xyz", 3000), 2}, {"c", "", ""}};
  WriteHostFile(dir / "sound.zlb", RawArchive(sound));
  EXPECT_EQ(Ok(dir, {"test", "sound.zlb"}), "sound.zlb: 3 members OK\n");

  auto badCrc = sound;
  badCrc[1].crc = 0x12345678;
  WriteHostFile(dir / "crc.zlb", RawArchive(badCrc));
  ExpectFailure(RunZlb({"test", "crc.zlb"}, dir.path()), "File (1) failed CRC check");

  auto shortMember = sound;
  shortMember[0].size = 100;
  WriteHostFile(dir / "short.zlb", RawArchive(shortMember));
  ExpectFailure(RunZlb({"test", "short.zlb"}, dir.path()), "File (0) is corrupt");

  std::string flipped = RawArchive(sound);
  flipped[2] ^= 0x01;
  WriteHostFile(dir / "flipped.zlb", flipped);
  ExpectFailure(RunZlb({"test", "flipped.zlb"}, dir.path()),
                "The archive file appears to be corrupted");
  ExpectFailure(RunZlb({"test", "missing.zlb"}, dir.path()), "Archive file not found");
}

TEST(ZlbExtract, AllOrByIndexIntoAFolderCreatedOnDemand) {
  TempDir dir;
  WriteHostFile(dir / "a.zlb", RawArchive({{"one.txt", "sub\\", "first"},
                                           {"two.txt", "", Repeated("second", 900), 1}}));
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
  WriteHostFile(dir / "a.zlb", RawArchive({{"keep.txt", "", "archived"}}));
  std::filesystem::create_directory(dir / "out");
  WriteHostFile(dir / "out/keep.txt", "mine");
  Ok(dir, {"extract", "--no-clobber", "a.zlb", "out"});
  EXPECT_EQ(ReadHostFile(dir / "out/keep.txt"), "mine");
  Ok(dir, {"extract", "a.zlb", "out"});
  EXPECT_EQ(ReadHostFile(dir / "out/keep.txt"), "archived");

  // The CRC is always checked, and nothing after the first failure is extracted.
  WriteHostFile(dir / "bad.zlb", RawArchive({{"0.txt", "", "zero"},
                                             {"1.txt", "", "one", -1, 0xDEADBEEF},
                                             {"2.txt", "", "two"}}));
  ExpectFailure(RunZlb({"extract", "bad.zlb", "bad"}, dir.path()), "File (1) failed CRC check");
  EXPECT_TRUE(std::filesystem::exists(dir / "bad/0.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir / "bad/2.txt"));

  WriteHostFile(dir / "file", "");
  ExpectFailure(RunZlb({"extract", "a.zlb", "file/sub"}, dir.path()),
                "Unable to create destination path (file/sub)");
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
  ExpectFailure(RunZlb({"add", "x.zlb", "MORE.TXT"}, dir.path()), "File already exists");
  EXPECT_EQ(ReadHostFile(dir / "x.zlb"), before);

  // A failing file stops the run; what was added before it stays.
  ExpectFailure(RunZlb({"create", "y.zlb", "more.txt", "missing", "text.txt"}, dir.path()),
                "Unable to open file (missing)");
  EXPECT_EQ(Ok(dir, {"list", "--tsv", "y.zlb"}).rfind("0\tmore.txt\t", 0), 0u);
  EXPECT_EQ(Ok(dir, {"info", "y.zlb"}).rfind("files=1\n", 0), 0u);
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
}

TEST(ZlbProgress, ShownAsOneRewrittenLineOnlyOnATerminal) {
  TempDir dir;
  WriteHostFile(dir / "a.zlb", RawArchive({{"m.txt", "", std::string(10000, 'm'), 2}}));
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

  const ZlbResult quiet = RunZlb({"extract", "--quiet", "a.zlb", "out"}, dir.path(), true);
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.err, "");

  // A failure after progress starts on a line of its own.
  const ZlbResult failed = RunZlb({"extract", "a.zlb", "out", "0", "5"}, dir.path(), true);
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("100%\nzlb: Index out of bounds\n"), std::string::npos) << failed.err;
}
