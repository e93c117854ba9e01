// zlb's commands that write, in process through its library, against every failure the disk can
// give at every call (tests/support/FaultLoop.h), all in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Exception.h"
#include "tests/support/ArchiveBuilder.h"
#include "tests/support/FaultLoop.h"
#include "tests/support/MemEnv.h"
#include "tests/support/TestData.h"
#include "tools/zlb/CommandLine.h"
#include "tools/zlb/Commands.h"
#include "tools/zlb/Report.h"

namespace {

using Strings = std::vector<std::string>;

constexpr char kArchive[] = "C:\\Data\\a.zlb";

std::string Text(std::size_t size) {
  std::string s;
  while (s.size() < size) {
    s += "line " + std::to_string(s.size() % 97) + " of the rules\n";
  }
  return s.substr(0, size);
}

// An archive with stored folders (one member of several writes), a file of the user's in the
// place of one member, and files to add.
void Prepare(MemEnv& world) {
  builder::ArchiveBuilder b;
  b.Deflated("rules.ini", Text(6000), 3, "Rules\\");
  b.Stored("noise.bin", Noise(200 * 1024), "Rules\\Deeper\\");
  b.Stored("empty", "");
  b.Deflated("art.ini", Text(900), 1);
  world.Put(kArchive, b.Build());
  world.Put("C:\\Out\\Rules\\rules.ini", "the user's own rules");
  world.Put("C:\\Src\\one.txt", Text(20000));
  world.Put("C:\\Src\\two.bin", Noise(70000));
}

// Runs zlb as its main does: a command that fails or goes on past a problem ends with a status
// other than 0, which is thrown with what zlb printed on standard error as its cause.
void Zlb(platform::Env& env, const Strings& args) {
  testing::internal::CaptureStderr();
  int status = zlb::kExitSuccess;
  std::string told;
  try {
    status = zlb::RunCommand(env, zlb::ParseCommandLine(args));
  } catch (const zlb::Failure& failure) {
    status = zlb::kExitFailure;
    for (const auto& line : failure.Lines()) {
      told += "zlb: " + line + "\n";
    }
  } catch (const Exception& failure) {
    status = zlb::kExitFailure;
    told = "zlb: " + zlb::Describe(failure) + "\n";
  }
  told = testing::internal::GetCapturedStderr() + told;
  if (status != zlb::kExitSuccess) {
    throw Exception("zlb ends with exit status " + std::to_string(status), told);
  }
  EXPECT_EQ(told, "") << "zlb succeeds with warnings";
}

struct Command {
  const char* name;
  Strings args;
};

void PrintTo(const Command& command, std::ostream* out) {
  *out << command.name;
}

class ZlbFaults : public ::testing::TestWithParam<Command> {};

// Whatever call of the disk fails, zlb says so with the system's reason and exit status 1; an
// archive or a file that was there is as it was or whole in its new form, a member's file is
// complete or absent, and no temporary file is left.
TEST_P(ZlbFaults, EveryFailureEndsWithStatusOneAndLeavesEveryFileWhole) {
  MemEnv world;
  Prepare(world);
  ExpectSafeAtEveryFault(world, [](platform::Env& env) { Zlb(env, GetParam().args); });
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ZlbFaults,
    ::testing::Values(
        Command{"ExtractOneMember", {"extract", "-q", kArchive, "C:\\Out", "art.ini"}},
        Command{"ExtractWithStoredFoldersOverAFile", {"extract", "-q", kArchive, "C:\\Out"}},
        Command{"ExtractJunkingPaths", {"extract", "-q", "-j", kArchive, "C:\\Out"}},
        Command{"ExtractNoClobber", {"extract", "-q", "--no-clobber", kArchive, "C:\\Out"}},
        Command{"Create",
                {"create", "-q", "C:\\Data\\new.zlb", "C:\\Src\\one.txt", "C:\\Src\\two.bin"}},
        Command{"CreateOverAnOldArchive", {"create", "-q", "-f", kArchive, "C:\\Src\\one.txt"}},
        Command{"Add", {"add", "-q", kArchive, "C:\\Src\\two.bin", "C:\\Src\\one.txt"}}),
    [](const ::testing::TestParamInfo<Command>& info) { return std::string(info.param.name); });

}  // namespace
