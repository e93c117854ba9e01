// The archive component's writing work against every failure the disk can give at every call
// (tests/support/FaultLoop.h): extracting members and rewriting archives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "tests/support/ArchiveBuilder.h"
#include "tests/support/FaultLoop.h"
#include "tests/support/MemEnv.h"
#include "tests/support/TestData.h"

namespace {

constexpr char kArchive[] = "C:\\Data\\a.zlb";

std::string Lines(std::size_t size) {
  std::string s;
  while (s.size() < size) {
    s += "rules line " + std::to_string(s.size() % 89) + "\n";
  }
  return s.substr(0, size);
}

struct Operation {
  const char* name;
  void (*prepare)(MemEnv& world);
  void (*run)(platform::Env& env);
};

void OneMember(MemEnv& world) {
  builder::ArchiveBuilder b;
  b.Deflated("rules.ini", Lines(5000), 3);
  world.Put(kArchive, b.Build());
  world.CreateFolder("C:\\Out");
}

void SeveralWithFolders(MemEnv& world) {
  builder::ArchiveBuilder b;
  b.Deflated("rules.ini", Lines(5000), 3, "Rules\\");
  b.Stored("noise.bin", Noise(300 * 1024), "Rules\\Deeper\\");  // more than one write
  b.Stored("empty", "");
  b.Deflated("art.ini", Lines(900), 1, "Rules\\");
  world.Put(kArchive, b.Build());
  world.Put("C:\\Out\\Rules\\art.ini", "the user's own art.ini");
}

void ExtractAll(platform::Env& env, bool withPaths, bool replace) {
  TZLBArchive archive(nullptr, &env);
  archive.SetCheckCRC(true);
  archive.SetExtractWithPath(withPaths);
  archive.OnReplaceFile = [replace](const std::string&, bool& Replace) { Replace = replace; };
  archive.OpenArchive(kArchive);
  for (int i = 0; i < archive.FileCount(); ++i) {
    archive.ExtractFile("C:\\Out", i);
  }
}

void Sources(MemEnv& world) {
  world.CreateFolder("C:\\Data");
  world.Put("C:\\Src\\one.txt", Lines(20000));
  world.Put("C:\\Src\\two.bin", Noise(70000));
  world.Put("C:\\Src\\three.txt", "three");
}

// An archive of two members to add to, and the files to add.
void OldArchive(MemEnv& world) {
  builder::ArchiveBuilder b;
  b.Deflated("old.txt", Lines(3000), 2);
  b.Stored("old.bin", Noise(1000));
  world.Put(kArchive, b.Build());
  Sources(world);
}

const Operation kOperations[] = {
    {"ExtractOneMember", OneMember,
     [](platform::Env& env) {
       TZLBArchive archive(nullptr, &env);
       archive.OpenArchive(kArchive);
       archive.ExtractFile("C:\\Out\\", 0);
     }},
    {"ExtractOverAnExistingFile",
     [](MemEnv& world) {
       OneMember(world);
       world.Put("C:\\Out\\rules.ini", "the user's own rules");
     },
     [](platform::Env& env) {
       TZLBArchive archive(nullptr, &env);
       archive.OpenArchive(kArchive);
       archive.ExtractFile("C:\\Out", 0);
     }},
    {"ExtractSeveralWithStoredFolders", SeveralWithFolders,
     [](platform::Env& env) { ExtractAll(env, true, true); }},
    {"ExtractSeveralKeepingExistingFiles", SeveralWithFolders,
     [](platform::Env& env) { ExtractAll(env, true, false); }},
    {"ExtractSeveralIntoOneFolder", SeveralWithFolders,
     [](platform::Env& env) { ExtractAll(env, false, true); }},
    {"CreateAnArchive", Sources,
     [](platform::Env& env) {
       TZLBArchive archive(nullptr, &env);
       archive.SetCompressionLevel(fcMaximum);
       archive.CreateArchive("C:\\Data\\new.zlb");
       archive.AddFiles({"C:\\Src\\one.txt", "C:\\Src\\two.bin"});
     }},
    {"CreateAnArchiveOfOneFile", Sources,
     [](platform::Env& env) {
       TZLBArchive archive(nullptr, &env);
       archive.CreateArchive("C:\\Data\\new.zlb");
       archive.AddFile("C:\\Src\\two.bin");
     }},
    {"AddToAnArchive", OldArchive,
     [](platform::Env& env) {
       TZLBArchive archive(nullptr, &env);
       archive.OpenArchive(kArchive);
       archive.AddFile("C:\\Src\\one.txt");
     }},
    {"AddSeveralToAnArchive", OldArchive,
     [](platform::Env& env) {
       TZLBArchive archive(nullptr, &env);
       archive.OpenArchive(kArchive);
       archive.AddFiles({"C:\\Src\\one.txt", "C:\\Src\\two.bin", "C:\\Src\\three.txt"});
     }},
};

void PrintTo(const Operation& operation, std::ostream* out) {
  *out << operation.name;
}

class ArchiveFaults : public ::testing::TestWithParam<Operation> {};

// Whatever call of the disk fails, the failure is reported with its reason, and every file is
// as it was or as it should be: an archive whole in its old form or its new, a member's file
// complete or absent, and no temporary file anywhere.
TEST_P(ArchiveFaults, EveryFailureIsReportedAndLeavesEveryFileWholeOrAsItWas) {
  MemEnv world;
  GetParam().prepare(world);
  ExpectSafeAtEveryFault(world, GetParam().run);
}

INSTANTIATE_TEST_SUITE_P(Operations, ArchiveFaults, ::testing::ValuesIn(kOperations),
                         [](const ::testing::TestParamInfo<Operation>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
