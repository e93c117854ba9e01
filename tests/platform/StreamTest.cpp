#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Exception.h"
#include "platform/Stream.h"
#include "support/TempDir.h"

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
