#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/BufferedStreams.h"
#include "platform/Exception.h"
#include "platform/Stream.h"
#include "tests/support/TempDir.h"

TEST(MemoryStream, ReadsBackWhatWasWrittenAndFailsShortReads) {
  TMemoryStream stream;
  stream.WriteBuffer("abcdef", 6);
  EXPECT_EQ(stream.Size(), 6);
  stream.SetPosition(2);
  char buffer[4] = {};
  stream.ReadBuffer(buffer, 4);
  EXPECT_EQ(std::string(buffer, 4), "cdef");
  try {
    stream.ReadBuffer(buffer, 1);
    FAIL() << "a read past the end must fail";
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
}

TEST(MemoryStream, SeeksFromEveryOriginAndGrowsOnWrite) {
  TMemoryStream stream;
  stream.WriteBuffer("abcdef", 6);
  EXPECT_EQ(stream.Seek(-2, TSeekOrigin::soEnd), 4);
  EXPECT_EQ(stream.Seek(1, TSeekOrigin::soCurrent), 5);
  // Past the end nothing is read; a write there fills the gap with zeros.
  stream.SetPosition(8);
  char c = 0;
  EXPECT_EQ(stream.Read(&c, 1), 0u);
  stream.WriteBuffer("z", 1);
  EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()),
            std::string("abcdef\0\0z", 9));
  stream.SetSize(3);
  EXPECT_EQ(stream.Size(), 3);
  EXPECT_EQ(stream.Position(), 3) << "shrinking pulls the position back to the end";

  // Before the start is refused, as by a file stream, and the position stays.
  EXPECT_EQ(stream.Seek(-4, TSeekOrigin::soCurrent), -1);
  EXPECT_EQ(stream.Position(), 3);
  // A write far beyond the end is a failed write, whatever memory it would have needed.
  // (AddressSanitizer ends the program on such a request instead of failing it.)
#ifndef QUORIN_SANITIZE
  for (const std::int64_t far : {std::int64_t{1} << 62, INT64_MAX}) {
    EXPECT_EQ(stream.Seek(far, TSeekOrigin::soBeginning), far);
    EXPECT_THROW(stream.WriteBuffer("z", 1), EWriteError) << far;
  }
#endif
  EXPECT_EQ(stream.Size(), 3);
}

TEST(StreamCopy, CountZeroCopiesAllFromTheStartOtherwiseFromThePosition) {
  TMemoryStream source, all, part;
  source.WriteBuffer("0123456789", 10);
  source.SetPosition(7);
  EXPECT_EQ(all.CopyFrom(source, 0), 10);
  EXPECT_EQ(std::string(all.Bytes().begin(), all.Bytes().end()), "0123456789");
  source.SetPosition(2);
  EXPECT_EQ(part.CopyFrom(source, 3), 3);
  EXPECT_EQ(std::string(part.Bytes().begin(), part.Bytes().end()), "234");
  EXPECT_THROW(part.CopyFrom(source, 6), EReadError) << "only 5 bytes remain";
}

namespace {

template <typename E>
void ExpectFailure(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

}  // namespace

TEST(FileStream, OpenFailuresNameTheFileAsGiven) {
  TempDir tmp;
  // Windows separators in the name: the message repeats the name, not the host path.
  const std::string missing = tmp.path() + "\\missing.bin";
  ExpectFailure<EFOpenError>([&] { TFileStream s(missing, TFileMode::fmOpenReadWriteExclusive); },
                             "Cannot open file " + missing);
  const std::string nowhere = tmp.path() + "\\no folder\\new.bin";
  ExpectFailure<EFCreateError>([&] { TFileStream s(nowhere, TFileMode::fmCreate); },
                               "Cannot create file " + nowhere);
  // A folder fails when it is opened, as on Windows, not later with a read error.
  ExpectFailure<EFOpenError>([&] { TFileStream s(tmp.path(), TFileMode::fmOpenReadDenyWrite); },
                             "Cannot open file " + tmp.path());
  // So does a file another stream holds, and the refused create leaves its content alone.
  const std::string held = tmp / "held.bin";
  WriteHostFile(held, "held content");
  TFileStream reader(held, TFileMode::fmOpenReadDenyWrite);
  ExpectFailure<EFCreateError>([&] { TFileStream s(held, TFileMode::fmCreate); },
                               "Cannot create file " + held);
  EXPECT_EQ(reader.Size(), 12);
}

TEST(FileStream, CopiesLargeContentAndFailsShortTransfers) {
  TempDir tmp;
  std::string pattern(200000, '\0');  // more than one 64 KiB piece of a copy
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    pattern[i] = static_cast<char>(i * 7 + i / 251);
  }
  {
    TFileStream out(tmp / "data.bin", TFileMode::fmCreate);
    out.WriteBuffer(pattern.data(), pattern.size());
    EXPECT_EQ(out.Size(), 200000);
    EXPECT_EQ(out.Position(), 200000) << "asking the size does not move the position";
  }
  TFileStream in(tmp / "data.bin", TFileMode::fmOpenReadDenyWrite);
  TMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(in, 0), 200000);
  EXPECT_EQ(std::string(copy.Bytes().begin(), copy.Bytes().end()), pattern);
  ExpectFailure<EReadError>([&] { in.ReadBuffer(copy.Memory(), 1); }, "Stream read error");
  ExpectFailure<EWriteError>([&] { in.WriteBuffer("x", 1); }, "Stream write error");
}

// A stream that counts the calls that reach it.
class CountingStream : public TMemoryStream {
 public:
  int reads = 0, writes = 0;
  std::size_t Read(void* buffer, std::size_t count) override {
    ++reads;
    return TMemoryStream::Read(buffer, count);
  }
  std::size_t Write(const void* buffer, std::size_t count) override {
    ++writes;
    return TMemoryStream::Write(buffer, count);
  }
};

TEST(BufferedStreams, GiveTheBaseBytesAtEveryPositionInFewCalls) {
  std::string content;
  for (int i = 0; content.size() < 3000; ++i) {
    content += std::to_string(i) + ",";
  }
  CountingStream base;
  base.WriteBuffer(content.data(), content.size());
  base.SetPosition(0);
  TReadBufferedStream reader(base, 1000);
  const auto read = [&](std::size_t count) {
    std::string s(count, '\0');
    s.resize(reader.Read(s.data(), count));
    return s;
  };
  EXPECT_EQ(read(10), content.substr(0, 10));
  EXPECT_EQ(reader.Seek(5, TSeekOrigin::soCurrent), 15);  // inside the buffer
  EXPECT_EQ(read(20), content.substr(15, 20));
  EXPECT_EQ(reader.Seek(-30, TSeekOrigin::soCurrent), 5);
  EXPECT_EQ(read(5), content.substr(5, 5));
  EXPECT_EQ(base.reads, 1) << "a seek inside the buffer makes no call to the base";
  EXPECT_EQ(reader.Seek(1500, TSeekOrigin::soCurrent), 1510);  // beyond it
  EXPECT_EQ(read(2000), content.substr(1510));                 // large: straight through
  EXPECT_EQ(reader.Position(), static_cast<std::int64_t>(content.size()));
  EXPECT_EQ(reader.Seek(-3, TSeekOrigin::soEnd), static_cast<std::int64_t>(content.size()) - 3);
  EXPECT_EQ(read(10), content.substr(content.size() - 3));
  EXPECT_LE(base.reads, 6);

  CountingStream target;
  {
    TWriteBufferedStream writer(target, 1000);
    for (int i = 0; i < 300; ++i) {
      writer.WriteBuffer("0123456789", 10);
    }
    EXPECT_EQ(writer.Position(), 3000);
    EXPECT_EQ(writer.Seek(0, TSeekOrigin::soBeginning), 0);  // passes the rest on first
    writer.WriteBuffer("X", 1);
  }  // and the destructor the last byte
  EXPECT_EQ(target.Size(), 3000);
  EXPECT_EQ(target.Bytes()[0], 'X');
  EXPECT_EQ(target.Bytes()[2999], '9');
  EXPECT_LE(target.writes, 5);
}
