#include <gtest/gtest.h>

#include "platform/Exception.h"
#include "platform/Stream.h"

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
