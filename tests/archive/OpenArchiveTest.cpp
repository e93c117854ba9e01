#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "archive/ZlibStreams.h"
#include "platform/HostEnv.h"
#include "tests/support/ArchiveBuilder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestData.h"

namespace {

using Reports = std::vector<std::pair<std::string, int>>;

class Opening : public ::testing::Test {
 protected:
  Opening() {
    archive.OnProgress = [this](const std::string& msg, int percent) {
      reports.emplace_back(msg, percent);
    };
  }
  // Opening must fail with message and leave the archive closed.
  void ExpectRefused(const std::string& bytes, const std::string& message) {
    WriteHostFile(file, bytes);
    EXPECT_EQ(FailureOf([&] { archive.OpenArchive(file); }), message);
    EXPECT_EQ(archive.FileName(), "");
    EXPECT_EQ(archive.FileCount(), 0);
    EXPECT_EQ(archive.Trailer().FileCount, 0);
  }

  TempDir dir;
  std::string file = dir / "a.zlb";
  TZLBArchive archive;
  Reports reports;
};

TEST_F(Opening, ReadsEveryRecordWithCompressedPlainAndOddRegistryMarks) {
  for (int form : {0, 1, 2}) {
    builder::ArchiveBuilder b;
    b.compressRegistry = form != 0;
    b.registryCompressedByte = static_cast<std::uint8_t>(form);
    b.Stored("five.txt", "12345", "\\Westwood\\Tiberian Sun\\");
    for (int level = 0; level <= 3; ++level) {
      b.Deflated("l" + std::to_string(level), std::string(3000, char('a' + level)), level);
    }
    b.Write(file);
    ASSERT_TRUE(archive.OpenArchive(file)) << form;
    EXPECT_EQ(archive.FileName(), file);
    ASSERT_EQ(archive.FileCount(), 5);
    EXPECT_EQ(archive.Trailer().RegistryCompressed, form);
    TArchiveEntry e;
    archive.GetFileEntry(0, e);
    EXPECT_EQ(archive::ShortString(e.Name), "five.txt");
    EXPECT_EQ(archive::ShortString(e.Path), "\\Westwood\\Tiberian Sun\\");
    EXPECT_EQ(e.DataOffset, 0);
    EXPECT_EQ(e.UnpackedSize, 5);
    EXPECT_EQ(e.Stored, 1);
    archive.GetFileEntry(4, e);
    EXPECT_EQ(archive::ShortString(e.Name), "l3");
    EXPECT_EQ(e.CRC, builder::Crc(std::string(3000, 'd')));
    EXPECT_EQ(e.Stored, 0);
    EXPECT_EQ(e.Level, 3);
  }
}

TEST_F(Opening, ZeroByteFileIsEmptyArchiveButShorterTrailersAreCorrupt) {
  int opened = 0;
  archive.OnArchiveOpened = [&](TObject* sender) {
    EXPECT_EQ(sender, &archive);
    ++opened;
  };
  WriteHostFile(file, "");
  EXPECT_TRUE(archive.OpenArchive(file));
  EXPECT_EQ(archive.FileCount(), 0);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(reports, (Reports{{"", 0}, {file, 0}}));

  ExpectRefused(std::string(35, '\0'), "The archive file appears to be corrupted");
  ExpectRefused("x", "The archive file appears to be corrupted");
}

// The host environment, counting the bytes read from the files it opens.
class CountingEnv : public platform::HostEnv {
 public:
  std::size_t bytesRead = 0;
  platform::Result<std::unique_ptr<platform::File>> OpenFile(const std::string& path,
                                                             TFileMode mode) override {
    auto file = HostEnv::OpenFile(path, mode);
    if (!file) {
      return file;
    }
    return std::unique_ptr<platform::File>(
        std::make_unique<Counted>(std::move(file).Value(), bytesRead));
  }

 private:
  class Counted : public platform::File {
   public:
    Counted(std::unique_ptr<platform::File> file, std::size_t& count)
        : file_(std::move(file)), count_(count) {}
    std::size_t Read(void* buffer, std::size_t count) override {
      const std::size_t got = file_->Read(buffer, count);
      count_ += got;
      return got;
    }
    std::size_t Write(const void* buffer, std::size_t count) override {
      return file_->Write(buffer, count);
    }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
      return file_->Seek(offset, origin);
    }

   private:
    std::unique_ptr<platform::File> file_;
    std::size_t& count_;
  };
};

TEST_F(Opening, FileBeyondTheFormatsLimitIsRefusedUnread) {
  CountingEnv env;
  TZLBArchive counted(nullptr, &env);
  WriteHostFile(file, "");
  std::filesystem::resize_file(file, (std::uint64_t{1} << 31) + 36);  // sparse: no disk used
  EXPECT_EQ(FailureOf([&] { counted.OpenArchive(file); }),
            "The archive file appears to be corrupted");
  EXPECT_EQ(counted.FileName(), "");
  EXPECT_EQ(env.bytesRead, 0u);
}

TEST_F(Opening, EmptyNameMissingAndLockedFilesLeaveItClosed) {
  builder::ArchiveBuilder b;
  b.Stored("a", "abc");
  b.Write(file);
  ASSERT_TRUE(archive.OpenArchive(file));
  EXPECT_FALSE(archive.OpenArchive(""));
  EXPECT_EQ(archive.FileCount(), 0);

  ASSERT_TRUE(archive.OpenArchive(file));
  EXPECT_EQ(FailureOf([&] { archive.OpenArchive(dir / "missing.zlb"); }), "Archive file not found");
  EXPECT_EQ(archive.FileName(), "");
  EXPECT_EQ(archive.FileCount(), 0);

  TFileStream writer(file, TFileMode::fmOpenReadWriteExclusive);
  EXPECT_EQ(FailureOf([&] { archive.OpenArchive(file); }), "Unable to open file (" + file + ")");
  EXPECT_EQ(archive.FileName(), "");
}

TEST_F(Opening, AnyChangedByteBeforeTheTrailerIsCaughtButUncheckedTrailerFieldsAreNot) {
  builder::ArchiveBuilder b;
  b.Stored("s", "hello");
  b.Deflated("d", std::string(200, 'z'), 3);
  const std::string good = b.Build();
  const std::size_t trailer = good.size() - 36;
  for (std::size_t at = 0; at < good.size(); ++at) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x5A);
    WriteHostFile(file, bad);
    const std::size_t field = at - trailer;  // meaningful from the trailer on
    if (at < trailer + 4) {
      // Everything before the trailer, and the CRC itself.
      EXPECT_EQ(FailureOf([&] { archive.OpenArchive(file); }),
                "The archive file appears to be corrupted")
          << at;
    } else if (field < 8 || (field >= 16 && field < 20)) {
      // A wrong count or registry place.
      EXPECT_EQ(FailureOf([&] { archive.OpenArchive(file); }), "Unable to read archive file list")
          << at;
    } else {
      // RegistryMark, RegistrySize, the reserved bytes, and any nonzero RegistryCompressed.
      EXPECT_TRUE(archive.OpenArchive(file)) << at;
      EXPECT_EQ(archive.FileCount(), 2) << at;
    }
  }
  for (std::size_t cut : {good.size() - 1, trailer, std::size_t{36}}) {
    ExpectRefused(good.substr(0, cut), "The archive file appears to be corrupted");
  }
}

TEST_F(Opening, ForgedCountsOffsetsAndRegistriesAreRefusedWithoutHugeWork) {
  using Forgery = std::function<void(builder::ArchiveBuilder&)>;
  // The trailer is not covered by the whole-file CRC, and the builder recomputes the CRC after
  // the other edits, so all of these pass the CRC check.
  const std::vector<Forgery> eitherForm = {
      [](auto& b) { b.fileCount = 3; },
      [](auto& b) { b.fileCount = -1; },
      [](auto& b) { b.fileCount = INT32_MAX / 532 + 1; },
      [](auto& b) { b.fileCount = INT32_MAX; },
      [](auto& b) { b.fileCount = 4000000; },
      [](auto& b) { b.registryOffset = -1; },
      [](auto& b) { b.registryOffset = 100000; },
      [](auto& b) {  // a registry shorter than its records
        b.editRegistry = [](std::string& records) { records.resize(600); };
        b.fileCount = 2;
      },
  };
  const std::vector<Forgery> compressedOnly = {
      [](auto& b) { b.registryOffset = 0; },  // member data is no zlib stream
      [](auto& b) { b.editStored = [](std::string& stream) { stream[0] ^= 0x7F; }; },
      [](auto& b) {
        // The records as one stored deflate block whose last 36 bytes are the trailer's: the
        // registry's stream runs into the trailer. With the first member empty, the second
        // record read so (its data at offset 0, one byte long) would pass every other check.
        b.members[0].content.clear();
        auto records = std::make_shared<std::string>();
        b.editRegistry = [records](std::string& plain) { *records = plain; };
        b.editStored = [records](std::string& stream) {
          const auto length = static_cast<std::uint16_t>(records->size());
          stream = std::string("\x78\x01\x01", 3);
          for (const std::uint16_t half : {length, static_cast<std::uint16_t>(~length)}) {
            stream += static_cast<char>(half & 0xFF);
            stream += static_cast<char>(half >> 8);
          }
          stream += records->substr(0, records->size() - 36);
        };
      },
  };
  for (bool compressed : {true, false}) {
    for (const auto* forgeries : {&eitherForm, &compressedOnly}) {
      if (!compressed && forgeries == &compressedOnly) {
        continue;
      }
      for (std::size_t i = 0; i < forgeries->size(); ++i) {
        builder::ArchiveBuilder b;
        b.compressRegistry = compressed;
        b.Stored("one", std::string(1000, '1'));
        b.Deflated("two", std::string(1000, '2'), 2);
        (*forgeries)[i](b);
        SCOPED_TRACE(testing::Message() << "forgery " << i << " compressed " << compressed);
        reports.clear();
        ExpectRefused(b.Build(), "Unable to read archive file list");
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back(), (std::pair<std::string, int>{"", 0}));
      }
    }
  }
}

TEST_F(Opening, MoreRecordsThanTheBoundAreRefusedBeforeAnyIsRead) {
  // Room enough behind the registry for a million records of zeros to inflate from.
  builder::ArchiveBuilder b;
  b.Stored("one", "1");
  b.editStored = [](std::string& stream) { stream += std::string(600000, '\0'); };
  b.fileCount = 1000001;
  ExpectRefused(b.Build(), "Unable to read archive file list");
  EXPECT_EQ(reports, (Reports{{"", 0}, {"", 0}}));
}

TEST_F(Opening, ReportsRegistryProgressOnlyForCompressedRegistry) {
  builder::ArchiveBuilder b;
  for (int i = 0; i < 8; ++i) {
    b.Stored("m" + std::to_string(i), "x");
  }
  b.Write(file);
  ASSERT_TRUE(archive.OpenArchive(file));
  EXPECT_EQ(reports, (Reports{{"", 0},
                              {"Extracting archive registry", 96},
                              {"Extracting archive registry", 100},
                              {file, 0}}));
  b.compressRegistry = false;
  b.Write(file);
  reports.clear();
  ASSERT_TRUE(archive.OpenArchive(file));
  EXPECT_EQ(reports, (Reports{{"", 0}, {file, 0}}));
}

TEST_F(Opening, FailingHandlersCloseTheArchive) {
  builder::ArchiveBuilder b;
  b.Stored("a", "abc");
  const std::string bytes = b.Build();
  archive.OnArchiveOpened = [](TObject*) { throw std::runtime_error("handler"); };
  ExpectRefused(bytes, "Unable to read archive file list");

  archive.OnArchiveOpened = nullptr;
  archive.OnProgress = [](const std::string& msg, int) {
    if (msg == "Extracting archive registry") {
      throw Exception("handler");
    }
  };
  ExpectRefused(bytes, "Unable to read archive file list");
}

TEST(ArchiveCrc, MatchesZlibOverManyPiecesAndKeepsThePosition) {
  std::string bytes(25000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>(i * 7919 >> 3);
  }
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), bytes.size());
  stream.SetPosition(123);
  TZLBArchive archive;
  EXPECT_EQ(archive.CalcCRC(stream, 0), builder::Crc(bytes));
  EXPECT_EQ(archive.CalcCRC(stream, 10241), builder::Crc(bytes.substr(0, 25000 - 10241)));
  EXPECT_EQ(archive.CalcCRC(stream, 25000), 0u);
  EXPECT_EQ(archive.CalcCRC(stream, 30000), 0u);
  EXPECT_EQ(stream.Position(), 123);
}

// Reaches the progress state that the operations set.
class ProgressProbe : public TZLBArchive {
 public:
  using TZLBArchive::TZLBArchive;
  void Report(TArchiveActivity activity, std::int32_t done, std::int32_t total,
              TObject* sender = nullptr) {
    FActivity = activity;
    FActivityText = "text";
    FActivityDone = done;
    FActivityTotal = total;
    DoProgress(sender ? sender : this);
  }
};

TEST(ArchiveProgress, RoundsHalvesToEvenAndStaysQuietWhileDestroyed) {
  Reports reports;
  auto* probe = new ProgressProbe;
  probe->OnProgress = [&](const std::string& msg, int percent) {
    reports.emplace_back(msg, percent);
  };
  probe->Report(actExtract, 1, 8);        // 12.5
  probe->Report(actReadRegistry, 3, 8);   // 37.5
  probe->Report(actWriteRegistry, 0, 8);  // never advanced
  TMemoryStream sink;
  {
    TCompressionStream deflater(fcFastest, sink);
    deflater.WriteBuffer("12345", 5);
    probe->Report(actAdd, 0, 8, &deflater);  // 5 of 8 consumed: 62.5
  }
  probe->Report(actIdle, 5, 8);
  EXPECT_EQ(reports, (Reports{{"text", 12}, {"text", 38}, {"text", 0}, {"text", 62}, {"", 0}}));

  TempDir dir;
  WriteHostFile(dir / "empty.zlb", "");
  ASSERT_TRUE(probe->OpenArchive(dir / "empty.zlb"));
  reports.clear();
  delete probe;
  EXPECT_TRUE(reports.empty());
}

}  // namespace
