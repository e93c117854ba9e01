// Every byte of a small archive flipped, and the archive cut at every length: each variant must
// read back correctly or fail with one of the component's own messages, and nothing may land
// outside the destination folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "archive/ZLIBArchive.h"
#include "tests/support/ArchiveBuilder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestData.h"

namespace fs = std::filesystem;

namespace {

const std::regex kOwnMessages(
    "The archive file appears to be corrupted|Unable to read archive file list|"
    "File \\(\\d+\\) (is corrupt|failed CRC check|has an unsafe name)|"
    "Unable to create destination path|Cannot create file .*");

// The trailer's CRC recomputed, so that the damage reaches the registry and the members.
std::string Resealed(std::string bytes) {
  if (bytes.size() >= 36) {
    builder::Put32(bytes, bytes.size() - 36, builder::Crc(bytes.substr(0, bytes.size() - 36)));
  }
  return bytes;
}

class Damage : public ::testing::Test {
 protected:
  Damage() {
    b.Stored("plain.txt", "stored bytes", "sub\\");
    b.Deflated("rules.ini", std::string(600, 'r') + "end", 3, "a\\b\\");
    b.Stored("empty", "");
    b.Deflated("noise", Noise(300), 1);
    fs::create_directories(dest);
  }

  // Opens bytes and extracts every member both ways. Unless the damage was resealed (which makes
  // a different archive that the CRC cannot tell from a true one), what reads back must be the
  // member's true content.
  void Check(const std::string& bytes, bool resealed = false) {
    WriteHostFile(file, bytes);
    TZLBArchive archive;
    archive.SetCheckCRC(true);
    archive.SetExtractWithPath(true);
    const auto expectOwn = [](const Exception& e) {
      EXPECT_TRUE(std::regex_match(e.Message(), kOwnMessages)) << e.Message();
    };
    try {
      archive.OpenArchive(file);
    } catch (const Exception& e) {
      expectOwn(e);
      return;
    }
    for (int i = 0; i < archive.FileCount(); ++i) {
      try {
        TMemoryStream out;
        archive.ExtractToStream(i, out);
        if (!resealed) {
          ASSERT_LT(static_cast<std::size_t>(i), b.members.size());
          EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().end()),
                    b.members[static_cast<std::size_t>(i)].content);
        }
      } catch (const Exception& e) {
        expectOwn(e);
      }
      try {
        archive.ExtractFile(dest + "\\deeper", i);
      } catch (const Exception& e) {
        expectOwn(e);
      }
    }
    ASSERT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
    ASSERT_EQ(std::distance(fs::directory_iterator(dir / "out"), fs::directory_iterator()), 1);
    fs::remove_all(dest);
    fs::create_directories(dest);
  }

  builder::ArchiveBuilder b;
  TempDir dir;
  std::string file = dir / "a.zlb";
  std::string dest = dir / "out/dest";
};

TEST_F(Damage, EveryFlippedByteAndEveryCutIsReadOrRefused) {
  const std::string good = b.Build();
  for (std::size_t at = 0; at < good.size(); ++at) {
    SCOPED_TRACE(at);
    std::string flipped = good;
    flipped[at] = static_cast<char>(flipped[at] ^ 0xFF);
    Check(flipped);
    Check(Resealed(flipped), true);
    Check(good.substr(0, at));
  }
}

}  // namespace
