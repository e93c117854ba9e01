// The archive on several threads gives what it gives on one: the same archive byte for byte,
// the same members, and the same reports, beeps and failures in the same order.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "platform/EnvWrapper.h"
#include "platform/HostEnv.h"
#include "tests/support/ArchiveBuilder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestData.h"

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

// A file that counts the writes made to it from threads other than the one that opened it.
class WatchedFile : public platform::FileWrapper {
 public:
  WatchedFile(std::unique_ptr<platform::File> file, std::atomic<int>& writesElsewhere)
      : FileWrapper(std::move(file)), writesElsewhere_(writesElsewhere) {}
  std::size_t Write(const void* buffer, std::size_t count) override {
    if (std::this_thread::get_id() != opener_) {
      ++writesElsewhere_;
    }
    return FileWrapper::Write(buffer, count);
  }

 private:
  std::atomic<int>& writesElsewhere_;
  std::thread::id opener_ = std::this_thread::get_id();
};

// The host environment, with the beeps written into a log of events (so that they show in
// order with the reports), a temporary folder of the test's choosing, and counts of what the
// threads open and write.
class LoggingEnv : public platform::EnvWrapper {
 public:
  LoggingEnv(Strings& log, std::string tempFolder)
      : EnvWrapper(platform::Env::Default()), log_(log), tempFolder_(std::move(tempFolder)) {}

  void Beep() override { log_.push_back("beep"); }
  std::string TempFolder() override { return tempFolder_; }
  platform::Result<std::unique_ptr<platform::File>> OpenFile(const std::string& path,
                                                             TFileMode mode) override {
    if (std::this_thread::get_id() != caller_) {
      ++openedElsewhere;
    } else if (path == watched) {
      ++watchedOpens;
    }
    auto file = EnvWrapper::OpenFile(path, mode);
    if (file && path.rfind(tempFolder_, 0) == 0) {
      return std::unique_ptr<platform::File>(
          std::make_unique<WatchedFile>(std::move(file).Value(), tempWritesElsewhere));
    }
    return file;
  }

  std::string watched;   // the file whose opens on the caller's thread are counted
  int watchedOpens = 0;  // (only on the caller's thread)
  std::atomic<int> openedElsewhere{0};
  // Writes to files in the temporary folder (an archive's rewrite) by other threads.
  std::atomic<int> tempWritesElsewhere{0};

 private:
  Strings& log_;
  std::string tempFolder_;
  std::thread::id caller_ = std::this_thread::get_id();
};

// The archive with its memory limit within a test's reach.
class LimitedArchive : public TZLBArchive {
 public:
  using TZLBArchive::TZLBArchive;
  void SetMemoryLimit(std::int64_t bytes) { FMemoryLimit = bytes; }
};

// Bytes that compress to about half: every byte one of 16 letters.
std::string Letters(std::size_t size) {
  std::string s = Noise(size);
  for (char& c : s) {
    c = static_cast<char>('a' + (c & 15));
  }
  return s;
}

std::string Text(std::size_t size, int seed) {
  std::string s;
  while (s.size() < size) {
    s += "line " + std::to_string((s.size() * 7 + seed) % 1009) + " of the rules\n";
  }
  return s.substr(0, size);
}

// The threads tried, and the memory limits: the default one, and one so small that large
// members wait for their turn or overflow into the temporary file.
constexpr int kThreads[] = {1, 2, 8};
constexpr std::int64_t kSmallLimit = 48 * 1024;

struct Way {
  int threads;
  bool smallLimit;
};

std::vector<Way> Ways() {
  std::vector<Way> ways;
  for (const int threads : kThreads) {
    for (const bool small : {false, true}) {
      ways.push_back({threads, small});
    }
  }
  return ways;
}

std::string WayName(const Way& way) {
  return std::to_string(way.threads) + " threads" + (way.smallLimit ? ", small limit" : "");
}

class Threads : public ::testing::Test {
 protected:
  Threads() { fs::create_directory(dir / "tmp"); }
  std::string File(const std::string& name, const std::string& content) {
    WriteHostFile(dir / name, content);
    return dir / name;
  }

  TempDir dir;
};

TEST_F(Threads, BatchesGiveTheSameBytesReportsAndFailures) {
  // Members that are compressed, stored, empty, larger than the small limit (one compressed,
  // one stored after all), and more of them than the workers look ahead.
  Strings files = {File("big.txt", Letters(700000)), File("noise.bin", Noise(150000)),
                   File("empty", ""), File("tiny", "t")};
  for (int i = 0; i < 40; ++i) {
    files.push_back(File("small" + std::to_string(i), Text(3000 + 97 * i, i)));
  }
  files.push_back(File("big2.txt", Letters(400000) + Text(100000, 2)));
  const std::string first = File("first", Text(5000, 3));
  const std::string missing = dir / "missing";

  struct Outcome {
    std::string bytes;
    Strings events;
    int openedElsewhere = 0;
    int tempWritesElsewhere = 0;
  };
  // Builds an archive of `first`, then the batch; failAt: the progress report (counted from 1)
  // that its handler refuses, or 0.
  const auto build = [&](const Way& way, const Strings& batch, int failAt) {
    Outcome outcome;
    LoggingEnv env(outcome.events, dir / "tmp/");
    LimitedArchive archive(nullptr, &env);
    archive.SetCompressionLevel(fcMaximum);
    archive.SetThreads(way.threads);
    if (way.smallLimit) {
      archive.SetMemoryLimit(kSmallLimit);
    }
    const std::string name = dir / "a.zlb";
    fs::remove(name);
    archive.CreateArchive(name);
    archive.AddFile(first);
    int reports = 0;
    archive.OnProgress = [&](const std::string& msg, int pct) {
      if (++reports == failAt) {
        throw Exception("refused");
      }
      outcome.events.push_back(msg + " " + std::to_string(pct));
    };
    archive.OnBatchProgress = [&](int done, int total, std::int64_t bytes) {
      outcome.events.push_back(std::to_string(done) + "/" + std::to_string(total) + " " +
                               std::to_string(bytes));
    };
    const std::string failure = FailureOf([&] { archive.AddFiles(batch); });
    outcome.events.push_back(failure);
    outcome.events.push_back(std::to_string(archive.FileCount()) + " members");
    outcome.bytes = ReadHostFile(name);
    outcome.openedElsewhere = env.openedElsewhere;
    outcome.tempWritesElsewhere = env.tempWritesElsewhere;
    EXPECT_TRUE(fs::is_empty(dir / "tmp")) << WayName(way);
    return outcome;
  };

  Strings failing = files;  // a file that cannot be opened, then a name given twice
  failing.insert(failing.begin() + 20, missing);
  failing.insert(failing.begin() + 30, dir / "TINY");
  const Outcome serial = build({1, false}, files, 0);
  const Outcome refused = build({1, false}, failing, 0);
  const Outcome stopped = build({1, false}, files, 3);  // inside big.txt
  EXPECT_EQ(serial.events.rbegin()[1], "(no failure)");
  EXPECT_EQ(refused.events.rbegin()[1], "Unable to open file (" + missing + ")");
  EXPECT_EQ(refused.bytes, stopped.bytes);  // the archive of `first` alone, untouched
  EXPECT_EQ(stopped.events.rbegin()[1], "refused (" + files[0] + ")");

  for (const Way& way : Ways()) {
    SCOPED_TRACE(WayName(way));
    const Outcome outcome = build(way, files, 0);
    EXPECT_TRUE(outcome.bytes == serial.bytes);
    EXPECT_EQ(outcome.events, serial.events);
    // The compressing was done by the workers; a zlib stream larger than the small limit went
    // on straight into the rewrite, written by its worker.
    EXPECT_EQ(outcome.openedElsewhere > 0, way.threads > 1);
    EXPECT_EQ(outcome.tempWritesElsewhere > 0, way.threads > 1 && way.smallLimit);
    // The first member in order that fails decides, however far the workers had come.
    EXPECT_EQ(build(way, failing, 0).events, refused.events);
    const Outcome halted = build(way, files, 3);
    EXPECT_EQ(halted.events, stopped.events);
    EXPECT_TRUE(halted.bytes == stopped.bytes);
  }
}

TEST_F(Threads, MembersReadAheadComeOutAsReadInTurn) {
  const std::string text = Text(300000, 4);
  builder::ArchiveBuilder b;
  b.Deflated("big", text, 3);                                 // 0: many pieces and beeps
  b.Stored("noise", Noise(20000));                            // 1
  b.Stored("empty", "");                                      // 2
  b.Deflated("bad crc", Text(9000, 5), 2).crc = 1;            // 3
  b.Deflated("short", Text(5000, 6), 3).unpackedSize = 9001;  // 4: its stream ends before that
  builder::Member& damaged = b.Deflated("damaged", Text(60000, 7), 1);  // 5
  damaged.data = builder::Deflate(damaged.content, 1);
  (*damaged.data)[damaged.data->size() / 2] ^= 0x55;
  b.Stored("outside", "xyz").dataOffset = 1 << 20;  // 6: refused alone in salvage
  b.Deflated("big2", Text(200000, 8), 1);           // 7
  b.Stored("tail", "tail");                         // 8
  const std::string name = dir / "a.zlb";
  b.Write(name);

  // What a caller asks for: kTest (TestFile), kStream (ExtractToStream), kFile (ExtractFile).
  enum Kind { kTest, kStream, kFile };
  struct Call {
    Kind kind;
    int index;
  };
  struct Case {
    std::vector<int> order;
    bool keepData;
    std::vector<Call> calls;
    int outOfOrder;  // the calls that are not served by the workers
  };
  const std::vector<int> all = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  const std::vector<Case> cases = {
      // In order, members passed over (7), and asked for again out of order.
      {all,
       true,
       {{kStream, 0},
        {kTest, 1},
        {kFile, 2},
        {kStream, 3},
        {kFile, 4},
        {kTest, 5},
        {kStream, 6},
        {kStream, 8},
        {kStream, 0},
        {kFile, 7}},
       2},
      {all,
       false,
       {{kTest, 0},
        {kTest, 1},
        {kStream, 2},
        {kTest, 3},
        {kTest, 4},
        {kTest, 5},
        {kTest, 6},
        {kTest, 7},
        {kTest, 8}},
       1},
      {{8, 7, 5, 0}, true, {{kFile, 8}, {kStream, 7}, {kFile, 5}, {kStream, 0}}, 0},
  };

  const auto read = [&](const Way& way, const Case& c, int* opens) {
    Strings events;
    LoggingEnv env(events, dir / "tmp/");
    env.watched = name;
    LimitedArchive archive(nullptr, &env);
    archive.SetThreads(way.threads);
    if (way.smallLimit) {
      archive.SetMemoryLimit(kSmallLimit);
    }
    archive.SetCheckCRC(true);
    archive.OnProgress = [&](const std::string& msg, int pct) {
      events.push_back(msg + " " + std::to_string(pct));
    };
    archive.OnFileExtracted = [&](const std::string&) { events.push_back("extracted"); };
    archive.OpenArchiveForSalvage(name);
    fs::remove_all(dir / "out");
    fs::create_directory(dir / "out");
    archive.ReadAhead(c.order, c.keepData);
    env.watchedOpens = 0;
    for (const Call& call : c.calls) {
      try {
        if (call.kind == kTest) {
          archive.TestFile(call.index);
        } else if (call.kind == kStream) {
          TMemoryStream out;
          archive.ExtractToStream(call.index, out);
          events.push_back(
              std::to_string(builder::Crc(std::string(out.Bytes().begin(), out.Bytes().end()))));
        } else {
          archive.ExtractFile(dir.path() + "/out/", call.index);
        }
        events.push_back("done");
      } catch (const Exception& failure) {
        events.push_back(failure.Message() + ": " + failure.Cause());
      }
    }
    *opens = env.watchedOpens;
    for (const auto& item : fs::directory_iterator(dir / "out")) {
      events.push_back(item.path().filename().string() + " " +
                       std::to_string(builder::Crc(ReadHostFile(item.path().string()))));
    }
    return events;
  };

  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    int serialOpens = 0;
    const Strings serial = read({1, false}, cases[i], &serialOpens);
    for (const Way& way : Ways()) {
      SCOPED_TRACE(WayName(way));
      int opens = 0;
      EXPECT_EQ(read(way, cases[i], &opens), serial);
      // Only the calls out of order open the archive themselves.
      EXPECT_EQ(opens, way.threads > 1 ? cases[i].outOfOrder : serialOpens);
    }
  }
}

}  // namespace
