// zlb's library in process: the cases that a run of the program reaches slowly, awkwardly or not
// at all (a replacement the system refuses, a folder name of 300 characters).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "platform/EnvWrapper.h"
#include "platform/Status.h"
#include "tests/support/ArchiveBuilder.h"
#include "tests/support/TempDir.h"
#include "tools/zlb/CommandLine.h"
#include "tools/zlb/Commands.h"
#include "tools/zlb/Report.h"
#include "tools/zlb/Selection.h"
#include "tools/zlb/SourceChecks.h"

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

// The options a command line gives, in a few words, or "usage: " and the problem.
std::string Parsed(const Strings& args) {
  zlb::Options o;
  try {
    o = zlb::ParseCommandLine(args);
  } catch (const zlb::UsageError& error) {
    return "usage: " + error.Message();
  }
  if (o.help || o.version) {
    return o.help ? "help" : "version";
  }
  std::string text = std::to_string(static_cast<int>(o.command)) + " " + o.archive;
  for (const auto& [set, name] : std::vector<std::pair<bool, const char*>>{{o.quiet, "q"},
                                                                           {o.verbose, "v"},
                                                                           {o.tsv, "tsv"},
                                                                           {o.junkPaths, "j"},
                                                                           {o.noClobber, "nc"},
                                                                           {o.salvage, "salvage"},
                                                                           {o.force, "f"},
                                                                           {o.savePaths, "sp"},
                                                                           {o.recursive, "r"}}) {
    text += set ? std::string(" ") + name : "";
  }
  text += " level" + std::to_string(static_cast<int>(o.level));
  text += o.destDir.empty() ? "" : " dest=" + o.destDir;
  for (const auto& list : {o.members, o.files}) {
    for (const auto& item : list) {
      text += " [" + item + "]";
    }
  }
  return text;
}

// The failure's lines, joined by '|', or "ok".
template <typename Action>
std::string FailureLines(const Action& action) {
  try {
    action();
  } catch (const zlb::Failure& failure) {
    std::string text;
    for (const auto& line : failure.Lines()) {
      text += (text.empty() ? "" : "|") + line;
    }
    return text;
  }
  return "ok";
}

std::string Replaced(std::string text, const std::string& what, const std::string& with) {
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

}  // namespace

// Options stand anywhere; "--" ends them, also --help's; the last of -j and --with-paths counts;
// --level takes the next argument whatever it is.
TEST(ZlbParsing, OptionsAnywhereUntilDoubleDash) {
  const std::vector<std::pair<Strings, std::string>> cases = {
      {{"list", "a"}, "0 a level2"},
      {{"test", "-q", "a", "-v", "--salvage"}, "2 a q v salvage level2"},
      {{"extract", "-j", "--with-paths", "a", "d"}, "3 a level2 dest=d"},
      {{"extract", "--with-paths", "a", "d", "-j"}, "3 a j level2 dest=d"},
      {{"extract", "a", "d", "--", "-v", "--help", "-"}, "3 a level2 dest=d [-v] [--help] [-]"},
      {{"extract", "a", "d", "-", "1"}, "3 a level2 dest=d [-] [1]"},
      {{"list", "--", "-a"}, "0 -a level2"},
      {{"create", "a", "--level", "none", "f", "--level=maximum", "g"}, "4 a level3 [f] [g]"},
      {{"create", "-f", "-r", "--save-paths", "a", "f"}, "4 a f sp r level2 [f]"},
      {{"add", "--level", "a", "f"},
       "usage: invalid level 'a' (none, fastest, default or maximum)"},
      {{"list", "--tsv=1", "a"}, "usage: option '--tsv' takes no value"},
      {{"list", "-r", "a"}, "usage: option '-r' does not apply to 'list'"},
      {{"add", "-f", "a", "f"}, "usage: option '-f' does not apply to 'add'"},
      {{"list", "--level=none", "a"}, "usage: option '--level' does not apply to 'list'"},
      {{"frob", "--", "--help"}, "usage: unknown command 'frob'"},
      {{"list", "", "--"}, "usage: ARCHIVE is empty"},
      {{"list", "a", "--", "--version"}, "usage: unexpected argument '--version'"},
      {{"--version", "list"}, "version"},
      {{"extract", "a", "d", "-h"}, "help"},
  };
  for (const auto& [args, expected] : cases) {
    std::string line;
    for (const auto& arg : args) {
      line += " " + arg;
    }
    EXPECT_EQ(Parsed(args), expected) << line;
  }
}

// '*' is any run (across folders too), '?' one character, ASCII letters match in either case
// and no other letters do; a pattern with a separator is matched against folder and name.
TEST(ZlbSelection, WildcardsIndexesAndNames) {
  const std::vector<std::tuple<std::string, std::string, bool>> patterns = {
      {"*", "", true},
      {"", "", true},
      {"", "a", false},
      {"?", "", false},
      {"a*b*c", "aXbYbZc", true},
      {"*ab", "aab", true},
      {"a*a", "a", false},
      {"**a", "ba", true},
      {"a?c", "abbc", false},
      {"*.TXT", "read.me.txt", true},
      {"doc\\*", "doc\\a\\b", true},
      {"\xC9t\xC9", "\xE9t\xE9", false},
      {"\xC9T?", "\xC9t\xE9", true},
  };
  for (const auto& [pattern, text, expected] : patterns) {
    EXPECT_EQ(zlb::WildcardMatch(pattern, text), expected) << pattern << " / " << text;
  }

  TempDir dir;
  builder::ArchiveBuilder b;
  b.Stored("copyright", "a", "doc\\a\\");
  b.Stored("README", "r", "doc\\");
  b.Stored("Copyright", "b", "doc\\b\\");
  b.Stored("12", "twelve");
  b.Write(dir / "a.zlb");
  TZLBArchive archive;
  archive.OpenArchive(dir / "a.zlb");
  const std::vector<std::pair<Strings, std::string>> cases = {
      {{}, "0 1 2 3"},
      {{"3", "COPY*", "3", "copyright"}, "3 0 2"},
      {{"doc/?/c*"}, "0 2"},
      {{"readme", "doc\\README"}, "1"},
      {{"doc"}, "A: no member matches 'doc'"},
      {{"*.txt", "4", "99999999999999999999", "-1"},
       "A: no member matches '*.txt'|A: member 4: Index out of bounds (the archive has 4 "
       "members)|A: member 99999999999999999999: Index out of bounds (the archive has 4 "
       "members)|A: member -1: Index out of bounds (the archive has 4 members)"},
  };
  for (const auto& [given, expected] : cases) {
    const Strings& arguments = given;  // a lambda cannot capture a structured binding in C++20
    std::string chosen;
    const std::string failure = FailureLines([&] {
      for (const int index : zlb::SelectMembers(archive, "A", arguments)) {
        chosen += (chosen.empty() ? "" : " ") + std::to_string(index);
      }
    });
    EXPECT_EQ(failure == "ok" ? chosen : failure, expected) << testing::PrintToString(arguments);
  }
}

// Each file is checked for a stored name that extraction can recreate: control characters
// (DEL included, in the name and, with --save-paths, in the folder), the 255 characters a
// record holds, folders that are "." or lead out with "..".
TEST(ZlbSourceChecks, AStoredNameMustBeExtractableAgain) {
  TempDir dir;
  const std::string longFolder = std::string(150, 'x') + "/" + std::string(150, 'y');
  for (const std::string& folder : {std::string("f\x7Fold"), std::string("sub"), longFolder}) {
    fs::create_directories(dir / folder);
  }
  for (const std::string& file : {std::string("del\x7Fname"), std::string("f\x7Fold/y"),
                                  std::string("sub/s"), longFolder + "/z", std::string("plain")}) {
    WriteHostFile(dir / file, "x");
  }
  WriteHostFile(dir / "a.zlb", "");
  platform::Env& env = *platform::Env::Default();
  std::string stored = Replaced(dir.path(), "/", "\\");  // the folder as stored: no drive
  stored.erase(0, stored.find(':') + 1);
  struct Case {
    Strings files;  // "D/" stands for the test's folder
    bool savePaths;
    std::string expected;  // "ok", or the problems
  };
  std::vector<Case> cases = {
      {{"D/del\x7Fname"},
       false,
       "D/del\\x7fname: the name holds a control character, which no extraction accepts"},
      {{"D/f\x7Fold/y", "D/plain"}, false, "ok"},
      {{"D/f\x7Fold/y"},
       true,
       "D/f\\x7fold/y: the folder holds a control character, which no extraction accepts"},
      {{"D/./plain"},
       true,
       "D/./plain: its folder would be stored as '" + stored +
           "\\.\\', with a '.' folder in it (run zlb from the common parent folder, naming the "
           "files without './')"},
      {{"D/sub/../plain"},
       true,
       "D/sub/../plain: its folder would be stored as '" + stored +
           "\\sub\\..\\', which leads out of the folder it is extracted into (run zlb from the "
           "common parent folder instead)"},
      {{"D/plain", "D/sub/../plain", "D/sub", "D/a.zlb"},
       false,
       "D/sub: is a folder (use -r to add the files in it)|D/a.zlb: cannot add the archive to "
       "itself|D/sub/../plain: given twice (also as D/plain)"},
  };
#ifndef _WIN32
  // Windows' ANSI calls reach no path this long, so the file cannot be made there.
  cases.push_back({{"D/" + longFolder + "/z"}, false, "ok"});
  cases.push_back(
      {{"D/" + longFolder + "/z"},
       true,
       "D/" + longFolder + "/z: the folder is longer than the 255 characters an archive stores"});
#endif
  for (const Case& c : cases) {
    zlb::Options options;
    for (const auto& file : c.files) {
      options.files.push_back(dir.path() + file.substr(1));
    }
    TZLBArchive archive;
    archive.SetSavePaths(c.savePaths);
    archive.OpenArchive(dir / "a.zlb");
    const std::string problems =
        FailureLines([&] { zlb::CheckedSources(env, archive, {dir / "a.zlb"}, options); });
    EXPECT_EQ(Replaced(problems, dir.path(), "D"), c.expected) << c.files[0];
  }
}

namespace {

// The host, with a temporary folder of the test's choosing and a final step that the system
// refuses: creating a file where none is, and replacing one.
class RefusingEnv : public platform::EnvWrapper {
 public:
  RefusingEnv(std::string temp) : EnvWrapper(platform::Env::Default()), temp_(std::move(temp)) {}
  std::string TempFolder() override { return temp_; }
  platform::Status MoveFile(const std::string&, const std::string&) override {
    return platform::Status::Of(platform::Reason::kAccessDenied);
  }
  platform::Status RenameFile(const std::string&, const std::string&) override {
    return platform::Status::Of(platform::Reason::kAccessDenied);
  }

 private:
  std::string temp_;
};

}  // namespace

// When the finished archive cannot be put in place, the command fails saying why, the old
// archive (or its absence) stays, and the file it was built in is gone.
TEST(ZlbTransaction, AFailedCommitSaysWhyAndLeavesNothingBehind) {
  TempDir dir;
  fs::create_directory(dir / "tmp");
  WriteHostFile(dir / "f", "content");
  builder::ArchiveBuilder old;
  old.Stored("old", "old");
  old.Write(dir / "old.zlb");
  RefusingEnv env(dir / "tmp/");
  const std::string kDenied = platform::SystemText(platform::Reason::kAccessDenied);
  struct Case {
    Strings args;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {{"create", "-q", "D/new.zlb", "D/f"},
       "D/new.zlb: cannot put the new archive in place: " + kDenied},
      {{"create", "-q", "-f", "D/old.zlb", "D/f"},
       "D/old.zlb: cannot put the new archive in place: " + kDenied},
      {{"add", "-q", "D/old.zlb", "D/f"}, "Unable to update archive (D/old.zlb): " + kDenied},
  };
  for (const Case& c : cases) {
    Strings args;
    for (const auto& arg : c.args) {
      args.push_back(Replaced(arg, "D/", dir.path() + "/"));
    }
    const std::string failure =
        FailureLines([&] { zlb::RunCommand(env, zlb::ParseCommandLine(args)); });
    EXPECT_EQ(Replaced(failure, dir.path(), "D"), c.expected);
    std::vector<std::string> left;
    for (const auto& folder : {dir.path(), dir / "tmp"}) {
      for (const auto& item : fs::directory_iterator(folder)) {
        left.push_back(item.path().filename().string());
      }
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (Strings{"f", "old.zlb", "tmp"})) << c.args[0];
    EXPECT_EQ(ReadHostFile(dir / "old.zlb"), old.Build());
  }
}
