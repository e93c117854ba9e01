#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/ArchiveLimits.h"
#include "archive/NamesOnAdd.h"
#include "archive/ZLIBArchive.h"
#include "platform/HostEnv.h"
#include "platform/Status.h"
#include "platform/WinNames.h"
#include "tests/support/ArchiveBuilder.h"
#include "tests/support/ArchiveDecoder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestData.h"

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

class ShiftedFile : public platform::File {
 public:
  ShiftedFile(std::unique_ptr<platform::File> file, std::int64_t shift)
      : file_(std::move(file)), shift_(shift) {}
  std::size_t Read(void* buffer, std::size_t count) override { return file_->Read(buffer, count); }
  std::size_t Write(const void* buffer, std::size_t count) override {
    return file_->Write(buffer, count);
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    const std::int64_t real =
        file_->Seek(origin == TSeekOrigin::soBeginning ? offset - shift_ : offset, origin);
    return real < 0 ? real : real + shift_;
  }

 private:
  std::unique_ptr<platform::File> file_;
  std::int64_t shift_;
};

// A file on a disk that is full: every write fails as the host's would.
class FullDiskFile : public ShiftedFile {
 public:
  using ShiftedFile::ShiftedFile;
  std::size_t Write(const void*, std::size_t) override {
    throw EWriteError("Stream write error", platform::SystemText(platform::Reason::kNoSpace));
  }
};

// The host environment with a temporary folder of the test's choosing and a replacement that
// can be made to fail.
class TestEnv : public platform::HostEnv {
 public:
  std::string tempFolder;
  bool failReplace = false;
  bool tempDiskFull = false;  // files opened in the temporary folder cannot be written
  // Files opened in the temporary folder report every position this much further on, as if
  // that much lay before their start.
  std::int64_t tempShift = 0;
  std::string TempFolder() override { return tempFolder; }
  platform::Result<std::unique_ptr<platform::File>> OpenFile(const std::string& path,
                                                             TFileMode mode) override {
    auto file = HostEnv::OpenFile(path, mode);
    if (file && tempDiskFull && path.rfind(tempFolder, 0) == 0) {
      return std::unique_ptr<platform::File>(
          std::make_unique<FullDiskFile>(std::move(file).Value(), 0));
    }
    if (file && tempShift != 0 && path.rfind(tempFolder, 0) == 0) {
      return std::unique_ptr<platform::File>(
          std::make_unique<ShiftedFile>(std::move(file).Value(), tempShift));
    }
    return file;
  }
  platform::Status RenameFile(const std::string& source, const std::string& target) override {
    if (failReplace) {
      return platform::Status::Of(platform::Reason::kAccessDenied);
    }
    return HostEnv::RenameFile(source, target);
  }
};

// The cause the failure of an action carries (its message is FailureOf's).
std::string CauseOfFailure(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Cause();
  }
  return "(no failure)";
}

std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// A folder as a member stores it: without its drive ("C:\a\" is kept as "\a\").
std::string Stored(std::string folder) {
  return folder.size() >= 2 && folder[1] == ':' ? folder.substr(2) : folder;
}

class Writing : public ::testing::Test {
 protected:
  Writing() {
    fs::create_directory(dir / "tmp");
    env.tempFolder = dir / "tmp/";
  }
  std::string File(const std::string& name, const std::string& content) {
    fs::create_directories(fs::path(dir / name).parent_path());
    WriteHostFile(dir / name, content);
    return dir / name;
  }
  decoder::Archive Decoded() { return decoder::Decode(ReadHostFile(name)); }

  TempDir dir;
  TestEnv env;
  TZLBArchive archive{nullptr, &env};
  std::string name = dir / "a.zlb";
};

TEST_F(Writing, MembersFollowTheStoredOrCompressedRuleByteForByte) {
  archive.SetCompressionLevel(fcMaximum);
  archive.CreateArchive(name);
  EXPECT_FALSE(fs::exists(name));
  archive.AddFile(File("five.txt", "hello"));
  EXPECT_FALSE(archive.IsNew());
  decoder::Archive a = Decoded();
  ASSERT_EQ(a.FileCount(), 1);
  EXPECT_EQ(a.RegistryOffset(), 5);
  EXPECT_EQ(a.entries[0].Fields(), std::make_tuple(0, 5, 5, 1, 0));
  EXPECT_EQ(a.entries[0].raw.substr(256, 256), std::string(256, '\0'));

  const Strings contents = {"hello", "", Noise(100000), std::string(200000, 'q')};
  archive.AddFile(File("empty", ""));
  archive.AddFile(File("noise.bin", contents[2]));
  archive.AddFile(File("text.txt", contents[3]));
  a = Decoded();
  ASSERT_EQ(a.FileCount(), 4);
  EXPECT_EQ(a.entries[1].Fields(), std::make_tuple(5, 0, 0, 1, 0));
  EXPECT_EQ(a.entries[2].Fields(), std::make_tuple(5, 100000, 100000, 1, 0));
  EXPECT_EQ(std::get<3>(a.entries[3].Fields()), 0);
  EXPECT_EQ(std::get<4>(a.entries[3].Fields()), 3);
  EXPECT_LT(a.entries[3].PackedSize(), 200000);
  EXPECT_EQ(a.entries[3].DataOffset(), 100005);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(a.Content(i), contents[i]) << i;
    EXPECT_EQ(a.entries[i].CRC(), decoder::Crc(contents[i])) << i;
    EXPECT_TRUE(a.entries[i].SlackIsZero()) << i;
  }
  const std::int32_t dataEnd = 100005 + a.entries[3].PackedSize();
  EXPECT_EQ(a.RegistryOffset(), dataEnd);
  EXPECT_EQ(a.RegistryCompressed(), 1);  // and Decode inflated it as one stream
  EXPECT_EQ(a.RegistrySize(), static_cast<std::int32_t>(a.bytes.size()) - 36 - dataEnd);
  EXPECT_EQ(a.RegistryMark(), 1);
  EXPECT_EQ(a.trailer.substr(21), std::string(15, '\0'));
  EXPECT_EQ(a.ArchiveCRC(), a.ComputedCRC());
}

TEST_F(Writing, RoundTripsThroughTheReaderAtEveryLevel) {
  archive.CreateArchive(name);
  const Strings contents = {Noise(300000), std::string(70000, 'x') + "end", "", "tiny"};
  const TFileCompressionLevel levels[] = {fcNone, fcFastest, fcDefault, fcMaximum};
  std::vector<int> updating;  // the 300000 bytes pass several full 64 KB buffers on
  archive.OnProgress = [&](const std::string& msg, int pct) {
    if (msg == "Updating " + (dir / "m0"))
      updating.push_back(pct);
  };
  for (std::size_t i = 0; i < contents.size(); ++i) {
    archive.SetCompressionLevel(levels[i]);
    archive.AddFile(File(std::string("m").append(std::to_string(i)), contents[i]));
  }
  EXPECT_GE(updating.size(), 3u);
  EXPECT_TRUE(std::is_sorted(updating.begin(), updating.end()));
  EXPECT_TRUE(updating.front() > 0 && updating.back() <= 100);

  TZLBArchive reader(nullptr, &env);
  reader.SetCheckCRC(true);
  ASSERT_TRUE(reader.OpenArchive(name));
  ASSERT_EQ(reader.FileCount(), 4);
  for (std::size_t i = 0; i < contents.size(); ++i) {
    TMemoryStream out;
    EXPECT_TRUE(reader.ExtractToStream(static_cast<int>(i), out));
    EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().end()), contents[i]) << i;
  }
}

TEST(MemberNames, SplitWindowsNetworkAndHostNames) {
  EXPECT_EQ(archive::MemberPath("C:\\Data\\a.txt"), "\\Data\\");
  EXPECT_EQ(archive::MemberPath("..\\Rules\\Distrib\\rules.ini"), "..\\Rules\\Distrib\\");
  EXPECT_EQ(archive::MemberPath("\\\\srv\\share\\a.txt"), "\\\\srv\\share\\");
  EXPECT_EQ(archive::MemberPath("//srv/share/a.txt"), "\\\\srv\\share\\");
  EXPECT_EQ(archive::MemberPath("C:a.txt") + archive::MemberPath("Quorin.exe"), "");
  EXPECT_EQ(archive::MemberName("C:\\Data/sub\\a.txt") + archive::MemberName("C:b"), "a.txtb");
  EXPECT_EQ(archive::MemberIdentity("Help/Quorin License.txt", true), "Help\\Quorin License.txt");
  EXPECT_EQ(archive::MemberIdentity("Help/Quorin License.txt", false), "Quorin License.txt");
  EXPECT_EQ(platform::FoldAsciiCase("AbZ\xC9\xE9@["), "abz\xC9\xE9@[");
}

TEST_F(Writing, SavedPathsKeepTheFolderAndAreCutTo255) {
  archive.SetSavePaths(true);
  archive.CreateArchive(name);
  archive.AddFile(File("Data/a.txt", "A"));
  const std::string folder = Stored(Backslashed(dir / "Data/"));
  EXPECT_EQ(Decoded().entries[0].Path(), folder);
  EXPECT_EQ(Decoded().entries[0].Name(), "a.txt");
  // A drive is not part of the identity, and letter case is not either.
  EXPECT_EQ(archive.IndexOfFile("C:" + folder + "A.TXT"), 0);
  EXPECT_EQ(archive.IndexOfFile("\\" + folder + "a.txt"), -1);

#ifndef _WIN32  // the ANSI calls take no path longer than MAX_PATH (260)
  std::string deep = "deep";
  while (deep.size() < 300) {
    deep.append(1, '/').append(40, 'd');
  }
  const std::string longName(255, 'n');
  archive.AddFile(File(deep + "/" + longName, "B"));
  const decoder::Entry e = Decoded().entries[1];
  EXPECT_EQ(e.Path(), Stored(Backslashed(dir / deep + "/")).substr(0, 255));
  EXPECT_EQ(e.Name(), longName);
  EXPECT_TRUE(e.SlackIsZero());
  // Its identity runs past 255 characters, so it matches nothing any more.
  EXPECT_EQ(archive.IndexOfFile(dir / (deep + "/" + longName)), -1);
#endif
}

TEST_F(Writing, DuplicatesAreRefusedInAnyAsciiCase) {
  archive.CreateArchive(name);
  archive.AddFile(File("one/Readme.TXT", "1"));
  const std::string before = ReadHostFile(name);
  EXPECT_EQ(FailureOf([&] { archive.AddFile(File("two/README.txt", "2")); }),
            "File already exists");
  EXPECT_EQ(archive.IndexOfFile("x:\\elsewhere\\readme.txt"), 0);
  EXPECT_EQ(ReadHostFile(name), before);
#ifndef _WIN32  // the ANSI calls take no path longer than MAX_PATH (260)
  // A name of exactly 255 characters is kept whole and still identifies its member.
  archive.AddFile(File("one/" + std::string(255, 'n'), "3"));
  EXPECT_EQ(FailureOf([&] { archive.AddFile(File("two/" + std::string(255, 'N'), "4")); }),
            "File already exists");
#endif

  TZLBArchive withPaths(nullptr, &env);
  withPaths.SetSavePaths(true);
  withPaths.CreateArchive(dir / "b.zlb");
  withPaths.AddFile(dir / "one/Readme.TXT");
  withPaths.AddFile(dir / "two/README.txt");  // another folder: another member
  EXPECT_EQ(withPaths.FileCount(), 2);
  File("ONE/readme.txt", "3");
  EXPECT_EQ(FailureOf([&] { withPaths.AddFile(dir / "ONE/readme.txt"); }), "File already exists");
  EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

TEST_F(Writing, NothingOpenAndExistingArchiveNames) {
  EXPECT_EQ(FailureOf([&] { archive.AddFile(File("x", "x")); }), "No archive is currently open");
  EXPECT_EQ(FailureOf([&] { archive.IndexOfFile("x"); }), "No archive is currently open");
  archive.CreateArchive("");
  EXPECT_EQ(archive.FileName(), "");

  File("a.zlb", "not an archive");
  EXPECT_EQ(FailureOf([&] { archive.CreateArchive(name); }), "File already exists");
  EXPECT_EQ(archive.FileName(), "");
  EXPECT_EQ(ReadHostFile(name), "not an archive");

  int opened = 0;
  archive.OnArchiveOpened = [&](TObject* sender) { opened += sender == &archive; };
  archive.CreateArchive(dir / "new.zlb");
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(archive.IsNew());
  EXPECT_EQ(archive.IndexOfFile("x"), -1);
  EXPECT_FALSE(fs::exists(dir / "new.zlb"));
}

TEST_F(Writing, AFailedAdditionLeavesArchiveStateAndTempFolderAsBefore) {
  archive.CreateArchive(name);
  const std::string missing = dir / "missing.txt";
  EXPECT_EQ(FailureOf([&] { archive.AddFile(missing); }), "Unable to open file (" + missing + ")");
  EXPECT_TRUE(archive.IsNew());
  EXPECT_FALSE(fs::exists(name));

  archive.AddFile(File("first", "first member"));
  const std::string before = ReadHostFile(name);
  // The message, and when given the system's reason carried as its cause.
  const auto check = [&](const std::string& expected, const std::function<void()>& action,
                         const std::string& cause = "") {
    EXPECT_EQ(FailureOf(action), expected);
    if (!cause.empty()) {
      EXPECT_EQ(CauseOfFailure(action), cause);
    }
    EXPECT_EQ(ReadHostFile(name), before);
    EXPECT_EQ(archive.FileCount(), 1);
    EXPECT_EQ(archive.FileName(), name);
    EXPECT_FALSE(archive.IsNew());
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
  };
  check("Unable to open file (" + missing + ")", [&] { archive.AddFile(missing); });

  const std::string huge = File("huge", "");  // 2 GiB of nothing, refused before it is read
  fs::resize_file(huge, std::uint64_t{1} << 31);
  check("File too large for an archive (" + huge + ")", [&] { archive.AddFile(huge); });

  // Member data ending so near the limit that the new record's registry no longer fits.
  const std::string hello = File("hello", "hello");
  env.tempShift = archive::kMaxArchiveBytes + 1 - 12 - 5 - archive::RegistryBound(2) - 36;
  check("File too large for an archive (" + hello + ")", [&] { archive.AddFile(hello); });
  env.tempShift = 0;

  env.failReplace = true;
  const std::string second = File("second", "second member");
  check(
      "Unable to update archive (" + name + ")", [&] { archive.AddFile(second); },
      platform::SystemText(platform::Reason::kAccessDenied));
  env.failReplace = false;
  // No temporary file can be made in a folder that is a file; the open that would follow fails.
  // Linux says the file is no folder; Windows finds no folder of that name.
#ifdef _WIN32
  const auto noFolder = platform::Reason::kNotFound;
#else
  const auto noFolder = platform::Reason::kNotFolder;
#endif
  env.tempFolder = File("plain", "") + "/";
  check(
      "Cannot open file ", [&] { archive.AddFile(second); }, platform::SystemText(noFolder));
  env.tempFolder = dir / "tmp/";
  archive.AddFile(second);
  EXPECT_EQ(archive.FileCount(), 2);
}

TEST_F(Writing, ABatchGivesTheBytesOfSingleAdditionsAndIsAllOrNothing) {
  const Strings files = {File("a/one.txt", std::string(70000, 'a') + "end"),
                         File("b/noise.bin", Noise(150000)), File("c/empty", ""),
                         File("d/tiny", "tiny"), File("e/ONE.TXT", "same name, other folder")};
  for (const bool savePaths : {false, true}) {
    SCOPED_TRACE(savePaths);
    const auto build = [&](const std::string& archiveName, bool batch) {
      TZLBArchive writer(nullptr, &env);
      writer.SetSavePaths(savePaths);
      writer.SetCompressionLevel(fcMaximum);
      writer.CreateArchive(archiveName);
      writer.AddFile(files[0]);  // the batch appends to an archive that exists
      const Strings rest(files.begin() + 1, files.end() - (savePaths ? 0 : 1));
      if (batch) {
        writer.AddFiles(rest);
      } else {
        for (const auto& file : rest) {
          writer.AddFile(file);
        }
      }
      EXPECT_EQ(writer.FileCount(), static_cast<int>(rest.size()) + 1);
      return ReadHostFile(archiveName);
    };
    const std::string single = build(dir / "single.zlb", false);
    EXPECT_TRUE(build(dir / "batch.zlb", true) == single);
    fs::remove(dir / "single.zlb");
    fs::remove(dir / "batch.zlb");
  }

  // A name present already, a name repeated within the batch, or a file that cannot be
  // opened: nothing changes, and the message names the file.
  archive.CreateArchive(name);
  const std::string missing = dir / "missing";
  const auto refused = [&](const Strings& batch) {
    const std::string message = FailureOf([&] { archive.AddFiles(batch); });
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
    return message;
  };
  EXPECT_EQ(refused({files[1], missing}), "Unable to open file (" + missing + ")");
  env.tempDiskFull = true;  // the file that fails is named, and the system's reason kept
  EXPECT_EQ(refused({files[1]}), "Stream write error (" + files[1] + ")");
  EXPECT_EQ(CauseOfFailure([&] { archive.AddFiles({files[1]}); }),
            platform::SystemText(platform::Reason::kNoSpace));
  env.tempDiskFull = false;
  EXPECT_TRUE(archive.IsNew());
  EXPECT_FALSE(fs::exists(name));  // a new archive is not begun on disk
  EXPECT_EQ(refused({files[1], files[3], files[0], files[4]}),
            "File already exists (" + files[4] + ")");
  EXPECT_FALSE(fs::exists(name));

  int reports = 0;
  archive.OnBatchProgress = [&](int done, int total, std::int64_t bytes) {
    EXPECT_EQ(total, 2);
    reports += done == 2 && bytes == 150004;
  };
  archive.AddFiles({files[1], files[3]});
  EXPECT_EQ(reports, 1);
  const std::string before = ReadHostFile(name);
  EXPECT_EQ(refused({files[2], dir / "d/TINY"}), "File already exists (" + dir / "d/TINY" + ")");
  EXPECT_EQ(refused({files[0], missing}), "Unable to open file (" + missing + ")");
  EXPECT_EQ(ReadHostFile(name), before);
  EXPECT_EQ(archive.FileCount(), 2);
  archive.AddFiles({});
  EXPECT_EQ(ReadHostFile(name), before);
}

// Assembled in a file the caller gives, the new archive is the one AddFiles would have put in
// place, byte for byte, and stays there: the archive's own file and the temporary folder are not
// touched, on success or failure, and a file that is the archive itself is never written over.
TEST_F(Writing, ABuildFileTakesTheNewArchiveAndLeavesTheOldOneAlone) {
  const Strings files = {File("one", "first"), File("two", Noise(3000)),
                         File("three", std::string(5000, '3'))};
  archive.CreateArchive(name);
  archive.AddFile(files[0]);
  const std::string before = ReadHostFile(name);
  fs::copy_file(name, dir / "plain.zlb");
  TZLBArchive plain(nullptr, &env);
  plain.OpenArchive(dir / "plain.zlb");
  plain.AddFiles({files[1], files[2]});

  const std::string missing = dir / "missing";
  const std::string build = File("build", "");
  EXPECT_EQ(FailureOf([&] {
              archive.AddFiles({files[1], missing}, build);
            }),
            "Unable to open file (" + missing + ")");
  EXPECT_EQ(archive.FileName(), name);
  EXPECT_EQ(archive.FileCount(), 1);
  archive.AddFiles({files[1], files[2]}, build);
  EXPECT_EQ(ReadHostFile(name), before);
  EXPECT_TRUE(ReadHostFile(build) == ReadHostFile(dir / "plain.zlb"));
  EXPECT_EQ(archive.FileName(), build);
  EXPECT_EQ(archive.FileCount(), 3);
  EXPECT_TRUE(fs::is_empty(dir / "tmp"));

  // The archive open now is the build file, with member data: it is refused, and kept.
  const std::string built = ReadHostFile(build);
  EXPECT_EQ(FailureOf([&] { archive.AddFiles({File("four", "4")}, build); }),
            "Cannot create file " + build);
  EXPECT_TRUE(ReadHostFile(build) == built);
  EXPECT_EQ(archive.FileCount(), 3);

  // An empty file opened as an archive without members can be built in itself.
  const std::string fresh = File("fresh.zlb", "");
  TZLBArchive begun(nullptr, &env);
  begun.OpenArchive(fresh);
  begun.AddFiles({files[0]}, fresh);
  EXPECT_EQ(begun.FileCount(), 1);
  EXPECT_EQ(ReadHostFile(fresh), before);
  EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

TEST_F(Writing, ASourceWhoseCompressedFormIsNoSmallerIsStored) {
  std::string content;  // a run of letters before noise, as long as deflate's output
  for (std::size_t run = 0; run < 400 && content.empty(); ++run) {
    const std::string candidate = std::string(run, 'a') + Noise(2000);
    if (builder::Deflate(candidate, 9).size() == candidate.size()) {
      content = candidate;
    }
  }
  ASSERT_FALSE(content.empty());
  archive.SetCompressionLevel(fcMaximum);
  archive.CreateArchive(name);
  archive.AddFile(File("even.bin", content));
  const int size = static_cast<int>(content.size());
  EXPECT_EQ(Decoded().entries[0].Fields(), std::make_tuple(0, size, size, 1, 0));
}

// Gives a test the records to write a registry of.
class RegistryWriter : public TZLBArchive {
 public:
  void AddRecord(const std::string& name) {
    FEntries.push_back(std::make_unique<TArchiveEntry>(archive::ZeroEntry()));
    archive::SetShortString(FEntries.back()->Name, name);
  }
};

TEST(WriteRegistry, FallsBackToPlainRecordsWhenCompressingFails) {
  RegistryWriter writer;
  writer.SetCompressionLevel(fcNone);  // so 130 records pass a full 64 KB buffer on
  for (int i = 0; i < 130; ++i) {
    writer.AddRecord(std::string("m").append(std::to_string(i)));
  }
  for (const bool fail : {false, true}) {
    writer.OnProgress = [&](const std::string& msg, int) {
      if (fail && msg == "Writing archive registry")
        throw Exception("refused");
    };
    TMemoryStream out;
    out.WriteBuffer("data", 4);
    writer.WriteRegistry(out);
    const decoder::Archive a = decoder::Decode(std::string(out.Bytes().begin(), out.Bytes().end()));
    EXPECT_EQ(a.RegistryCompressed(), fail ? 0 : 1);
    EXPECT_EQ(a.RegistrySize(), fail ? 0 : static_cast<std::int32_t>(a.bytes.size()) - 40);
    EXPECT_EQ(a.RegistryOffset(), 4);
    EXPECT_EQ(a.entries.at(129).Name(), "m129");
    EXPECT_EQ(a.ArchiveCRC(), a.ComputedCRC());
  }
}

TEST_F(Writing, SmallAdditionReportsCloseReopenAndIdle) {
  archive.CreateArchive(name);
  archive.AddFile(File("first", "1"));
  Strings events;
  archive.OnProgress = [&](const std::string& msg, int pct) {
    events.push_back(msg + " " + std::to_string(pct));
  };
  archive.OnArchiveOpened = [&](TObject*) { events.push_back("opened"); };
  archive.AddFile(File("second", "2"));
  EXPECT_EQ(events,
            (Strings{" 0", " 0", "Extracting archive registry 100", "opened", name + " 0"}));
}

#ifndef _WIN32
// On Windows the replace between volumes is the system's, tried in tests/platform/windows/.
TEST_F(Writing, ReplacesAcrossFileSystemsWithoutLosingTheArchive) {
  struct stat shm {
  }, here{};
  const fs::path build = fs::read_symlink("/proc/self/exe").parent_path();
  if (::stat("/dev/shm", &shm) != 0 || ::stat(build.c_str(), &here) != 0 ||
      shm.st_dev == here.st_dev) {
    GTEST_SKIP() << "needs /dev/shm on another file system than " << build;
  }
  char templ[] = "/dev/shm/zlb-test-XXXXXX";
  ASSERT_NE(::mkdtemp(templ), nullptr);
  const std::string local = build / ("writing-test-" + std::to_string(::getpid()) + ".zlb");
  struct Cleanup {
    std::string a, b;
    ~Cleanup() { fs::remove_all(a), fs::remove(b); }
  } cleanup{templ, local};
  env.tempFolder = std::string(templ) + "/";

  archive.CreateArchive(local);
  archive.AddFile(File("one", "first"));
  archive.AddFile(File("two", "second"));
  EXPECT_EQ(archive.FileCount(), 2);
  EXPECT_EQ(decoder::Decode(ReadHostFile(local)).Content(1), "second");
  EXPECT_TRUE(fs::is_empty(templ));
}
#endif

TEST_F(Writing, ListingPutsSubfolderContentsFirstAndFolderPathsOnlyWithSavePaths) {
  File("src/f", "f");
  File("src/s/g", "g");
  Strings inOrder;  // f and s in the system's order
  for (const auto& item : env.ListFolder(dir / "src")) {
    inOrder.push_back(dir / "src\\" + item.name);
  }
  const auto list = [&](bool recurse, bool save, Strings files) {
    archive.SetRecursePaths(recurse);
    archive.SetSavePaths(save);
    archive.ListDirectory(dir / "src\\", files);
    return files;
  };
  const std::string f = dir / "src\\f", g = dir / "src\\s\\g";
  EXPECT_EQ(list(false, false, {}), Strings{f});
  EXPECT_EQ(list(true, false, {}), (Strings{g, f}));
  EXPECT_EQ(list(false, true, {}), inOrder);
  Strings both = {"kept", g};
  both.insert(both.end(), inOrder.begin(), inOrder.end());
  EXPECT_EQ(list(true, true, {"kept"}), both);
  Strings none;
  archive.ListDirectory("", none);
  EXPECT_TRUE(none.empty());
}

TEST_F(Writing, ListingNamesALinkedFolderButDoesNotEnterIt) {
  File("tree/d/b", "b");
  std::error_code linked;
  fs::create_directory_symlink(".", dir / "tree/d/loop", linked);  // leads back to d itself
  if (linked) {
    GTEST_SKIP() << "no symbolic links here: " << linked.message();  // Wine makes none
  }
  archive.SetRecursePaths(true);
  Strings files;
  archive.ListDirectory(dir / "tree", files);
  EXPECT_EQ(files, Strings{dir / "tree\\d\\b"});

  archive.SetSavePaths(true);
  files.clear();
  archive.ListDirectory(dir / "tree", files);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (Strings{dir / "tree\\d", dir / "tree\\d\\b", dir / "tree\\d\\loop"}));
}

}  // namespace
