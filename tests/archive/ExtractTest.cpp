#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "archive/NamesOnExtract.h"
#include "archive/ZLIBArchive.h"
#include "platform/EnvWrapper.h"
#include "platform/HostEnv.h"
#include "tests/support/ArchiveBuilder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestData.h"

namespace fs = std::filesystem;

namespace {

using Reports = std::vector<std::pair<std::string, int>>;

std::string Text(std::size_t size) {
  std::string s;
  while (s.size() < size) {
    s += "Tiberian Sun rules line " + std::to_string(s.size() % 97) + "\n";
  }
  return s.substr(0, size);
}

// Whether a temporary file of an extraction is left in the folder.
bool HasTemporaryFile(const std::string& folder) {
  for (const auto& item : fs::directory_iterator(folder)) {
    if (item.path().filename().string().rfind("ZLB", 0) == 0) {
      return true;
    }
  }
  return false;
}

std::string Extracted(TZLBArchive& archive, int index) {
  TMemoryStream out;
  archive.ExtractToStream(index, out);
  return std::string(out.Bytes().begin(), out.Bytes().end());
}

class Extracting : public ::testing::Test {
 protected:
  Extracting() {
    fs::create_directory(out);
    archive.OnProgress = [this](const std::string& msg, int percent) {
      reports.emplace_back(msg, percent);
    };
  }
  void Open(const builder::ArchiveBuilder& b) {
    b.Write(file);
    ASSERT_TRUE(archive.OpenArchive(file));
    reports.clear();
  }
  std::vector<std::string> OutFiles() const {
    std::vector<std::string> names;
    for (const auto& item : fs::recursive_directory_iterator(out)) {
      names.push_back(item.path().lexically_relative(out).generic_string());
    }
    return names;
  }

  TempDir dir;
  std::string file = dir / "a.zlb";
  std::string out = dir / "out";
  std::string destDir = dir.path() + "\\out\\";  // as a Windows caller would pass it
  TZLBArchive archive;
  Reports reports;
};

TEST_F(Extracting, EveryKindOfMemberComesBackWhole) {
  builder::ArchiveBuilder b;
  b.Stored("five.txt", "12345");
  b.Stored("empty", "");
  for (int level = 0; level <= 3; ++level) {
    b.Deflated("text" + std::to_string(level), Text(20000 + level), level);
  }
  b.Deflated("noise", Noise(9000), 3);
  Open(b);
  archive.SetCheckCRC(true);
  for (int i = 0; i < archive.FileCount(); ++i) {
    const builder::Member& m = b.members[static_cast<std::size_t>(i)];
    EXPECT_EQ(Extracted(archive, i), m.content) << m.name;
    archive.ExtractFile(destDir, i);
    EXPECT_EQ(ReadHostFile(out + "/" + m.name), m.content) << m.name;
  }
  EXPECT_EQ(OutFiles().size(), b.members.size());  // no temporary files left behind
}

TEST_F(Extracting, ReportsEachPieceThenIdleAndNothingForAnEmptyMember) {
  builder::ArchiveBuilder b;
  b.Deflated("big.bin", Text(10000), 2);
  b.Stored("empty", "");
  Open(b);
  Extracted(archive, 0);
  EXPECT_EQ(reports, (Reports{{"Extracting big.bin", 41},
                              {"Extracting big.bin", 82},
                              {"Extracting big.bin", 100}}));
  reports.clear();
  Extracted(archive, 1);
  EXPECT_TRUE(reports.empty());
  archive.ExtractFile(destDir, 1);
  EXPECT_EQ(reports, (Reports{{file, 0}}));
  EXPECT_EQ(ReadHostFile(out + "/empty"), "");
}

TEST_F(Extracting, DataThatEndsEarlyOrIsNoStreamIsCorrupt) {
  const std::vector<std::function<void(builder::Member&)>> forgeries = {
      [](auto& m) { m.unpackedSize = 3001; },  // the zlib stream ends before this
      [](auto& m) { m.unpackedSize = INT32_MAX; },
      [](auto& m) { m.unpackedSize = -1; },
      [](auto& m) { m.data = "this is no zlib stream at all"; },
      [](auto& m) { m.data = builder::Deflate(m.content, 9).substr(0, 40); },
      [](auto& m) {  // stored, reaching into the registry
        m.stored = true;
        m.data = m.content.substr(0, 2000);
      },
  };
  for (std::size_t i = 0; i < forgeries.size(); ++i) {
    SCOPED_TRACE(i);
    builder::ArchiveBuilder b;
    b.Stored("first", "abc");
    forgeries[i](b.Deflated("victim", Text(3000), 3));
    Open(b);
    TMemoryStream sink;
    EXPECT_EQ(FailureOf([&] { archive.ExtractToStream(1, sink); }), "File (1) is corrupt");
    EXPECT_EQ(FailureOf([&] { archive.ExtractFile(destDir, 1); }), "File (1) is corrupt");
    EXPECT_TRUE(OutFiles().empty());
  }
}

TEST_F(Extracting, FailedChecksLeaveNoFileAndExistingFilesIntact) {
  builder::ArchiveBuilder b;
  b.Deflated("good", Text(5000), 3);
  b.Deflated("bad", Text(6000), 3).crc = 1234;
  Open(b);
  EXPECT_EQ(Extracted(archive, 1), Text(6000));  // nobody asked for the check
  archive.SetCheckCRC(true);
  TMemoryStream used;
  used.WriteBuffer("x", 1);
  EXPECT_EQ(FailureOf([&] { archive.ExtractToStream(0, used); }), "File (0) failed CRC check");

  WriteHostFile(out + "/bad", "precious");
  EXPECT_EQ(FailureOf([&] { archive.ExtractFile(destDir, 1); }), "File (1) failed CRC check");
  EXPECT_EQ(ReadHostFile(out + "/bad"), "precious");

  archive.OnProgress = [](const std::string& msg, int) {
    if (msg.rfind("Extracting", 0) == 0) {
      throw std::runtime_error("handler");
    }
  };
  WriteHostFile(out + "/good", "precious");
  EXPECT_EQ(FailureOf([&] { archive.ExtractFile(destDir, 0); }), "File (0) is corrupt");
  EXPECT_EQ(ReadHostFile(out + "/good"), "precious");
  EXPECT_EQ(OutFiles().size(), 2u);

  // The member is complete, but it cannot be put in place of a folder.
  archive.OnProgress = nullptr;
  fs::remove(out + "/good");
  fs::create_directory(out + "/good");
  EXPECT_EQ(FailureOf([&] { archive.ExtractFile(destDir, 0); }),
            "Cannot create file " + destDir + "\\good");
  EXPECT_TRUE(fs::is_directory(out + "/good"));
  EXPECT_FALSE(HasTemporaryFile(out));
}

// A host where no file can be created beside the target, as in a folder one may not write in.
class NoTempFilesEnv : public platform::HostEnv {
 public:
  platform::Result<std::string> CreateTempFile(const std::string&, const std::string&) override {
    return platform::Status::Of(platform::Reason::kAccessDenied);
  }
};

TEST_F(Extracting, OntoExistingNamesAsWindowsWould) {
  const std::string fresh = Text(20000);
  builder::ArchiveBuilder b;
  b.Deflated("rules.ini", fresh, 3);
  b.Deflated("folder", fresh, 3);
  Open(b);

  // A read-only file is refused, whoever runs this, and the message keeps the form of the
  // destination it was given.
  const std::string target = out + "/rules.ini";
  WriteHostFile(target, "precious");
  fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(FailureOf([&] { archive.ExtractFile(destDir, 0); }),
            "Cannot create file " + destDir + "\\rules.ini");
  EXPECT_EQ(FailureOf([&] { archive.ExtractFile(out, 0); }), "Cannot create file " + target);
  EXPECT_EQ(ReadHostFile(target), "precious");

  // A folder of that name is refused before anything is extracted.
  fs::create_directory(out + "/folder");
  reports.clear();
  EXPECT_EQ(FailureOf([&] { archive.ExtractFile(out + "/", 1); }),
            "Cannot create file " + out + "/folder");
  EXPECT_TRUE(reports.empty());

  // A file that appears while the member is being written was never asked about: with a
  // question that says no (zlb --no-clobber), it is left alone.
  const std::string late = dir / "late";
  fs::create_directory(late);
  archive.OnReplaceFile = [](const std::string&, bool& replace) { replace = false; };
  archive.OnProgress = [&](const std::string& msg, int) {
    if (msg.rfind("Extracting", 0) == 0) {
      WriteHostFile(late + "/rules.ini", "theirs");
    }
  };
  archive.ExtractFile(late, 0);
  EXPECT_EQ(ReadHostFile(late + "/rules.ini"), "theirs");
  EXPECT_EQ(std::distance(fs::directory_iterator(late), fs::directory_iterator()), 1);

  // Where no file can be made beside it, a writable file is overwritten where it stands; a
  // new one cannot be made at all.
  NoTempFilesEnv env;
  TZLBArchive confined(nullptr, &env);
  confined.OpenArchive(file);
  fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
  confined.ExtractFile(out, 0);
  EXPECT_EQ(ReadHostFile(target), fresh);
  fs::remove(target);
  EXPECT_EQ(FailureOf([&] { confined.ExtractFile(out, 0); }), "Cannot create file " + target);
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(Extracting, ReplaceDecisionAndExtractedNameText) {
  const std::string fresh = Text(50000);
  builder::ArchiveBuilder b;
  b.Deflated("rules.ini", fresh, 3);
  Open(b);
  std::vector<std::string> asked, extracted;
  // By the time the event comes, the file is complete under its own name.
  archive.OnFileExtracted = [&](const std::string& name) {
    extracted.push_back(name);
    EXPECT_EQ(ReadHostFile(out + "/rules.ini"), fresh);
    EXPECT_FALSE(HasTemporaryFile(out));
  };

  archive.ExtractFile(destDir, 0);  // nothing there yet: no question asked
  WriteHostFile(out + "/rules.ini", "old");
  archive.ExtractFile(destDir, 0);  // no handler: overwritten
  EXPECT_EQ(ReadHostFile(out + "/rules.ini"), fresh);

  WriteHostFile(out + "/rules.ini", "old");
  archive.OnReplaceFile = [&](const std::string& name, bool&) { asked.push_back(name); };
  reports.clear();
  archive.ExtractFile(destDir, 0);  // handler leaves Replace false: skipped, still idle report
  EXPECT_EQ(ReadHostFile(out + "/rules.ini"), "old");
  EXPECT_EQ(reports, (Reports{{file, 0}}));

  archive.OnReplaceFile = [&](const std::string& name, bool& replace) {
    asked.push_back(name);
    replace = true;
  };
  archive.ExtractFile(dir.path() + "\\out", 0);
  EXPECT_EQ(ReadHostFile(out + "/rules.ini"), fresh);

  EXPECT_EQ(asked, (std::vector<std::string>{destDir + "\\rules.ini", destDir + "rules.ini"}));
  EXPECT_EQ(extracted, (std::vector<std::string>{destDir + "rules.ini", destDir + "rules.ini",
                                                 dir.path() + "\\outrules.ini"}));
}

// The host, but the calls named fail with a reason of the test's choosing.
class FailingEnv : public platform::EnvWrapper {
 public:
  FailingEnv() : EnvWrapper(platform::Env::Default()) {}
  std::set<std::string> failing;  // "CreateFolder", "CreateTempFile", "fmCreate", ...
  const platform::Status injected{platform::Reason::kNoSpace, "injected: the disk is full"};

  platform::Result<std::unique_ptr<platform::File>> OpenFile(const std::string& path,
                                                             TFileMode mode) override {
    const char* call = mode == TFileMode::fmCreate                   ? "fmCreate"
                       : mode == TFileMode::fmOpenReadWriteExclusive ? "fmOpenReadWriteExclusive"
                                                                     : "fmOpenReadDenyWrite";
    return Fails(call) ? injected : EnvWrapper::OpenFile(path, mode);
  }
  platform::Status CreateFolder(const std::string& path) override {
    return Fails("CreateFolder") ? injected : EnvWrapper::CreateFolder(path);
  }
  platform::Result<std::string> CreateTempFile(const std::string& folder,
                                               const std::string& prefix) override {
    return Fails("CreateTempFile") ? injected : EnvWrapper::CreateTempFile(folder, prefix);
  }
  platform::Status MoveFile(const std::string& from, const std::string& to) override {
    return Fails("MoveFile") ? injected : EnvWrapper::MoveFile(from, to);
  }
  platform::Status RenameFile(const std::string& source, const std::string& target) override {
    return Fails("ReplaceFile") ? injected : EnvWrapper::RenameFile(source, target);
  }

 private:
  bool Fails(const std::string& call) const { return failing.count(call) != 0; }
};

// Whichever step of putting a member on disk the system refuses, the failure is of the kind a
// caller decides by, carries the system's own words for the refusal, and leaves nothing behind.
TEST_F(Extracting, TheSystemsReasonReachesTheFailure) {
  builder::ArchiveBuilder b;
  b.Deflated("rules.ini", Text(5000), 3, "sub\\");
  b.Write(file);
  struct Case {
    std::set<std::string> failing;
    bool existing;  // the member's file is there already
    FailureKind kind;
  };
  const std::vector<Case> cases = {
      {{"CreateTempFile"}, false, FailureKind::kCannotCreate},
      {{"fmCreate"}, false, FailureKind::kCannotCreate},
      {{"MoveFile", "ReplaceFile"}, false, FailureKind::kCannotCreate},
      {{"ReplaceFile"}, true, FailureKind::kCannotCreate},
      {{"fmOpenReadWriteExclusive"}, true, FailureKind::kCannotCreate},
      {{"CreateFolder"}, false, FailureKind::kCannotCreateFolder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(*c.failing.begin());
    fs::remove_all(out);
    fs::create_directories(out + (c.failing.count("CreateFolder") ? "" : "/sub"));
    if (c.existing) {
      WriteHostFile(out + "/sub/rules.ini", "old");
    }
    FailingEnv env;
    TZLBArchive failing(nullptr, &env);
    failing.OpenArchive(file);
    failing.SetExtractWithPath(true);
    env.failing = c.failing;
    try {
      failing.ExtractFile(out, 0);
      ADD_FAILURE() << "the extraction must fail";
    } catch (const Exception& e) {
      EXPECT_EQ(static_cast<int>(e.Kind()), static_cast<int>(c.kind)) << e.Message();
      EXPECT_EQ(e.Cause(), env.injected.Text()) << e.Message();
    }
    // Nothing new is left, and what was there stays as it was.
    std::vector<std::string> expected;
    if (c.failing.count("CreateFolder") == 0) {
      expected.push_back("sub");
    }
    if (c.existing) {
      expected.push_back("sub/rules.ini");
      EXPECT_EQ(ReadHostFile(out + "/sub/rules.ini"), "old");
    }
    EXPECT_EQ(OutFiles(), expected);
  }
}

TEST_F(Extracting, WithPathJoinsFoldersAndCreatesThem) {
  builder::ArchiveBuilder b;
  b.Stored("a.txt", "A", "\\sub\\\\deeper\\");
  b.Stored("b.txt", "B", "sub\\");
  b.Stored("c.txt", "C");
  b.Stored("d.txt", "D", "blocker\\");
  b.Stored("e.txt", "E", ".\\evil\\");
  Open(b);
  archive.SetExtractWithPath(true);
  archive.ExtractFile(destDir, 0);
  archive.ExtractFile(dir.path() + "\\out", 1);  // the separator is put in between
  archive.ExtractFile(destDir, 2);
  EXPECT_EQ(ReadHostFile(out + "/sub/deeper/a.txt"), "A");
  EXPECT_EQ(ReadHostFile(out + "/sub/b.txt"), "B");
  // "deep\." and ".\evil" must not run together into "deep\..\evil".
  fs::create_directory(out + "/deep");
  archive.ExtractFile(destDir + "deep\\.", 4);
  EXPECT_EQ(ReadHostFile(out + "/deep/evil/e.txt"), "E");
  EXPECT_FALSE(fs::exists(out + "/evil"));
  EXPECT_EQ(ReadHostFile(out + "/c.txt"), "C");

  WriteHostFile(out + "/blocker", "");
  EXPECT_EQ(FailureOf([&] { archive.ExtractFile(destDir, 3); }),
            "Unable to create destination path");
  EXPECT_EQ(FailureOf([&] { archive.ExtractFile("\\", 2); }), "Unable to create directory");
  // A network name stays one, so it names nothing here instead of the host folder.
  std::string windowsOut = destDir;
  std::replace(windowsOut.begin(), windowsOut.end(), '/', '\\');
  EXPECT_EQ(FailureOf([&] { archive.ExtractFile("\\\\" + windowsOut, 2); }),
            "Unable to create destination path");
  archive.SetExtractWithPath(false);
  const std::string missing = dir.path() + "\\missing\\";
  EXPECT_EQ(FailureOf([&] { archive.ExtractFile(missing, 2); }),
            "Cannot create file " + missing + "\\c.txt");

  EXPECT_EQ(archive::JoinExtractFolder("\\\\srv\\", "\\\\share\\x\\"), "\\\\srv\\share\\x");
  EXPECT_EQ(archive::JoinExtractFolder("\\\\\\srv", ""), "\\\\srv");
  EXPECT_EQ(archive::JoinExtractFolder("C:\\Games\\", "\\Quorin\\"), "C:\\Games\\Quorin");
  // Only the folder given can be a network name, never the stored path joined to it.
  EXPECT_EQ(archive::JoinExtractFolder("\\", "\\srv\\share\\"), "\\srv\\share");
  EXPECT_EQ(archive::JoinExtractFolder("\\", "\\x\\"), "\\x");
  EXPECT_EQ(archive::JoinExtractFolder("C:\\x\\..", "y\\.\\z"), "C:\\y\\z");
  EXPECT_TRUE(archive::StaysWithinFolder("C:\\x\\..", "y\\"));
  EXPECT_FALSE(archive::StaysWithinFolder("C:\\x", "a\\..\\..\\y\\"));
  EXPECT_FALSE(archive::StaysWithinFolder("..\\x", "..\\y\\"));
}

TEST_F(Extracting, MisplacedMemberDataRefusesTheArchiveAndFailsAloneInSalvage) {
  const std::string text = Text(3000);
  const auto streamSize = static_cast<std::uint32_t>(builder::Deflate(text, 9).size());
  builder::ArchiveBuilder b;
  b.Deflated("a", text, 3);
  builder::Member& twin = b.Deflated("twin", text, 3);  // a second record over a's stream
  twin.data = "";
  twin.dataOffset = 0;
  b.Stored("short", "ab").unpackedSize = 4;  // must not run on into c's bytes
  b.Stored("c", "xyz");
  builder::Member& registry = b.Deflated("registry", std::string(5 * 532, 'r'), 3);
  registry.data = "";  // its record points at the registry's own valid zlib stream
  registry.dataOffset = static_cast<std::int32_t>(streamSize + 5);
  b.editRegistry = [&](std::string& records) {
    builder::Put32(records, 532 + 516, streamSize);
    builder::Put32(records, 4 * 532 + 516, 100000);
  };
  b.Write(file);
  try {
    archive.OpenArchive(file);
    ADD_FAILURE() << "an archive whose members share data must be refused";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unable to read archive file list");
    EXPECT_EQ(e.Cause(), "member 1 shares data with member 0");
  }
  EXPECT_EQ(archive.FileCount(), 0);

  ASSERT_TRUE(archive.OpenArchiveForSalvage(file));
  for (int i : {0, 1, 2, 4}) {
    TMemoryStream sink;
    EXPECT_EQ(FailureOf([&] { archive.ExtractToStream(i, sink); }),
              "File (" + std::to_string(i) + ") is corrupt");
  }
  EXPECT_EQ(Extracted(archive, 3), "xyz");

  // Data before the start or past the registry is refused the same way.
  for (const std::int32_t offset : {-1, 1 << 20}) {
    builder::ArchiveBuilder outside;
    outside.Stored("first", "abc");
    outside.Deflated("victim", text, 3).dataOffset = offset;
    outside.Write(file);
    try {
      archive.OpenArchive(file);
      ADD_FAILURE() << offset;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Cause(), "member 1's data lies outside the member data");
    }
  }
}

TEST_F(Extracting, UnsafeNamesAreRefusedBeforeAnythingIsWritten) {
  builder::ArchiveBuilder b;
  for (const char* name : {"", ".", "..", "...", "a\\b", "a/b", "c:x", "tab\t", "del\x7f"}) {
    b.Stored(name, "evil");
  }
  const int names = static_cast<int>(b.members.size());
  for (const char* path : {"..\\", "sub/../../", "a\\..", "C:\\x\\", "x:"}) {
    b.Stored("ok.txt", "evil", path);
  }
  b.Stored("fine.txt", "fine", "x\\...\\");
  Open(b);
  const std::string up = dir.path() + "\\out\\deep\\";
  fs::create_directory(out + "/deep");
  archive.SetExtractWithPath(true);
  for (int i = 0; i + 1 < archive.FileCount(); ++i) {
    EXPECT_EQ(FailureOf([&] { archive.ExtractFile(up, i); }),
              "File (" + std::to_string(i) + ") has an unsafe name");
  }
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"deep"}));
  EXPECT_FALSE(fs::exists(dir / "ok.txt"));

#ifndef _WIN32  // there the system decides what such a folder name means
  archive.ExtractFile(up, archive.FileCount() - 1);
  // A folder name of dots alone is passed over, as Windows does; it never climbs.
  EXPECT_EQ(ReadHostFile(out + "/deep/x/fine.txt"), "fine");
#endif
  archive.SetExtractWithPath(false);  // the stored path is not used, so it cannot do harm
  archive.ExtractFile(up, names);
  EXPECT_EQ(ReadHostFile(out + "/deep/ok.txt"), "evil");
}

TEST_F(Extracting, NeedsAnOpenArchiveAndAValidIndex) {
  TMemoryStream sink;
  EXPECT_EQ(FailureOf([&] { archive.ExtractFile(destDir, 0); }), "No archive is currently open");
  EXPECT_EQ(FailureOf([&] { archive.ExtractToStream(0, sink); }), "Index out of bounds");
  builder::ArchiveBuilder b;
  b.Stored("a", "a");
  Open(b);
  TArchiveEntry entry;
  for (int bad : {-1, 1}) {
    EXPECT_EQ(FailureOf([&] { archive.GetFileEntry(bad, entry); }), "Index out of bounds");
    EXPECT_EQ(FailureOf([&] { archive.ExtractToStream(bad, sink); }), "Index out of bounds");
    EXPECT_EQ(FailureOf([&] { archive.ExtractFile(destDir, bad); }), "Index out of bounds");
  }
  fs::remove(file);
  EXPECT_EQ(FailureOf([&] { archive.ExtractToStream(0, sink); }),
            "Unable to open file (" + file + ")");
}

}  // namespace
