#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/Exception.h"

using platform::AnsiToUtf8;
using platform::Utf8ToAnsi;

TEST(CodePage, EveryByteSurvivesARoundTripThroughUtf8) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) {
    all += static_cast<char>(byte);
  }
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
}

TEST(CodePage, MapsTheHighBytesToTheirCharacters) {
  EXPECT_EQ(AnsiToUtf8("Caf\xE9 \xDC.txt"), "Caf\xC3\xA9 \xC3\x9C.txt");
  EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(AnsiToUtf8("\x92"), "\xE2\x80\x99");  // right single quotation mark
  EXPECT_EQ(AnsiToUtf8("\x9F"), "\xC5\xB8");      // Y with diaeresis
  EXPECT_EQ(AnsiToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
  EXPECT_EQ(Utf8ToAnsi("\xE2\x84\xA2 \xC5\x92"), "\x99 \x8C");  // trade mark, OE ligature
}

TEST(CodePage, RefusesTextTheCodePageCannotHoldAndNamesIt) {
  try {
    Utf8ToAnsi("\xE6\x97\xA5\xE6\x9C\xAC.txt");
    FAIL() << "Japanese characters have no Windows-1252 form";
  } catch (const ECodePageError& e) {
    EXPECT_STREQ(e.what(),
                 "Name cannot be represented in the Windows-1252 code page: <U+65E5><U+672C>.txt");
  }
  // U+0080 is not the byte 0x80 (that is the euro sign), so it has no form either.
  EXPECT_THROW(Utf8ToAnsi("\xC2\x80"), ECodePageError);
  // Malformed UTF-8: a Latin-1 byte, an overlong '/', a surrogate, a cut sequence, too large.
  for (const char* bad :
       {"Caf\xE9", "\xC0\xAF", "\xED\xA0\x80", "ab\xE2\x82", "\xF4\x90\x80\x80"}) {
    EXPECT_THROW(Utf8ToAnsi(bad), ECodePageError) << bad;
  }
  // A surrogate is no character: its bytes are named, not a code point.
  for (const char* surrogate : {"\xED\xA0\x80", "\xED\xBF\xBF"}) {
    try {
      Utf8ToAnsi(surrogate);
    } catch (const ECodePageError& e) {
      EXPECT_EQ(std::string(e.what()).substr(58, 5), "<0xED") << e.what();
    }
  }
  try {
    Utf8ToAnsi("Caf\xE9");
  } catch (const ECodePageError& e) {
    EXPECT_STREQ(e.what(), "Name cannot be represented in the Windows-1252 code page: Caf<0xE9>");
  }
}
