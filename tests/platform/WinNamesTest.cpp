#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/WinNames.h"

// Two questions about the form of a path that differ on purpose: names built from a path keep
// the separator it is written with (Windows' own unless '/' is its only one), while a path a
// user typed on the host is a Windows path only with a drive or a '\' (a bare name is a host
// path there). Folders gain and lose their closing separators in that form.
TEST(WinNames, PathFormsAndClosingSeparators) {
  // path, SeparatorOf, TypedSeparatorOf, WithTrailingSeparator, WithoutTrailingSeparators
  const std::vector<std::tuple<std::string, char, char, std::string, std::string>> cases = {
      {"out", '\\', '/', "out\\", "out"},
      {"out/sub", '/', '/', "out/sub/", "out/sub"},
      {"/tmp/x//", '/', '/', "/tmp/x//", "/tmp/x"},
      {"out\\sub", '\\', '\\', "out\\sub\\", "out\\sub"},
      {"a/b\\c", '\\', '\\', "a/b\\c\\", "a/b\\c"},
      {"C:/Games", '/', '\\', "C:/Games/", "C:/Games"},
      {"C:", '\\', '\\', "C:\\", "C:"},
      {"1:x", '\\', '/', "1:x\\", "1:x"},
      {"\\", '\\', '\\', "\\", "\\"},
      {"/", '/', '/', "/", "/"},
      {"", '\\', '/', "", ""},
  };
  for (const auto& [path, form, typed, with, without] : cases) {
    EXPECT_EQ(platform::SeparatorOf(path), form) << path;
    EXPECT_EQ(platform::TypedSeparatorOf(path), typed) << path;
    EXPECT_EQ(platform::WithTrailingSeparator(path), with) << path;
    EXPECT_EQ(platform::WithoutTrailingSeparators(path), without) << path;
  }
  // Windows refuses 1 to 31 in a name and allows DEL; the ASCII controls are 0 to 31 and DEL.
  for (int c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    EXPECT_EQ(platform::IsControlCharacter(ch), c >= 1 && c <= 31) << c;
    EXPECT_EQ(platform::IsAsciiControl(ch), c <= 31 || c == 127) << c;
  }
}
