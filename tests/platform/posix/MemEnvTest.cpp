// The environment in memory that the fault tests and the fuzzer run on answers as the host's
// drives do; otherwise what they find would be about another system. The drives compared with
// are a test's own Wine prefix, so this runs where there is one (on Windows drive C is the
// system's, and a few reasons differ, as the Windows suites' own checks show).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/HostEnv.h"
#include "tests/support/MemEnv.h"
#include "tests/support/WinePrefix.h"

namespace {

using platform::Env;

std::string Outcome(const platform::Status& status) {
  return status ? "ok" : "failed " + std::to_string(static_cast<int>(status.Why()));
}

// The steps, each giving its outcome as text; files stay open across steps in `open`.
std::vector<std::string> Script(Env& env) {
  std::vector<std::unique_ptr<platform::File>> open;
  // Opens a file and keeps it open; writes `content` into it first when given.
  const auto openFile = [&](const std::string& path, TFileMode mode,
                            const std::string& content = "") {
    auto file = env.OpenFile(path, mode);
    const std::string outcome = Outcome(file.Failure());
    if (file && !content.empty()) {
      file.Value()->Write(content.data(), content.size());
    }
    if (file) {
      open.push_back(std::move(file).Value());
    }
    return outcome;
  };
  const auto read = [&](const std::string& path) {
    auto file = env.OpenFile(path, TFileMode::fmOpenReadDenyWrite);
    if (!file) {
      return Outcome(file.Failure());
    }
    char buffer[64];
    return std::string(buffer, file.Value()->Read(buffer, sizeof buffer));
  };
  const std::vector<std::function<std::string()>> steps = {
      [&] { return Outcome(env.CreateFolder("C:\\Games")); },
      [&] { return Outcome(env.CreateFolder("c:\\GAMES\\")); },
      [&] { return Outcome(env.CreateFolder("C:\\Missing\\Sub")); },
      [&] { return Outcome(env.CreateFolder("C:\\Games\\nul")); },
      [&] { return Outcome(env.CreateFolder("C:\\Games\\a|b")); },
      [&] { return openFile("C:\\Games\\Rules.ini", TFileMode::fmCreate, "rules"); },
      [&] {
        open.clear();
        return std::to_string(env.FileExists("c:\\games\\RULES.INI"));
      },
      [&] { return std::to_string(env.FileExists("C:\\Games\\Rules.ini. ")); },
      [&] { return std::to_string(env.FileExists("C:\\Games\\Rules.ini\\")); },
      [&] { return std::to_string(env.FolderExists("C:\\Games\\Rules.ini")); },
      [&] { return std::to_string(env.FolderExists("C:\\Games\\..\\Games\\.")); },
      [&] { return std::to_string(env.FileExists("\\\\server\\share\\Rules.ini")); },
      [&] { return openFile("C:\\Games\\a?b.txt", TFileMode::fmCreate); },
      [&] { return openFile("C:\\Games\\com1.log", TFileMode::fmCreate); },
      [&] { return openFile("C:\\Games\\missing", TFileMode::fmOpenReadDenyWrite); },
      [&] { return openFile("C:\\Games\\missing", TFileMode::fmOpenReadWriteExclusive); },
      [&] { return openFile("C:\\Games", TFileMode::fmCreate); },
      [&] { return openFile("C:\\Games\\Rules.ini\\x", TFileMode::fmCreate); },
      [&] { return openFile("C:\\Games\\Rules.ini", TFileMode::fmOpenReadDenyWrite); },
      [&] { return openFile("C:\\Games\\Rules.ini", TFileMode::fmOpenReadDenyWrite); },
      [&] { return openFile("C:\\Games\\RULES.ini", TFileMode::fmCreate); },  // in use
      [&] {
        open.clear();
        return openFile("C:\\Games\\Rules.ini", TFileMode::fmOpenReadWriteExclusive);
      },
      [&] { return openFile("C:\\Games\\Rules.ini", TFileMode::fmOpenReadDenyWrite); },
      [&] {
        open.clear();
        return Outcome(env.MoveFile("C:\\Games\\Rules.ini", "C:\\Games\\Art.ini"));
      },
      [&] { return read("C:\\Games\\art.INI"); },
      [&] { return Outcome(env.MoveFile("C:\\Games\\missing", "C:\\Games\\x")); },
      [&] {
        const std::string made = openFile("C:\\Games\\new", TFileMode::fmCreate, "new");
        open.clear();
        return made + " " + Outcome(env.MoveFile("C:\\Games\\new", "C:\\Games\\ART.ini"));
      },
      [&] { return Outcome(env.MoveFile("C:\\Games\\new", "C:\\Games\\prn")); },
      [&] { return Outcome(env.ReplaceFile("C:\\Games\\new", "C:\\Games\\ART.ini")); },
      [&] { return read("C:\\Games\\Art.ini"); },
      [&] { return Outcome(env.ReplaceFile("C:\\Games\\Art.ini", "C:\\Games")); },
      [&] {
        env.CreateFolder("C:\\Empty");
        return Outcome(env.RenameFile("C:\\Games\\Art.ini", "C:\\Empty"));
      },
      [&] { return Outcome(env.DeleteFile("C:\\Games")); },
      [&] { return Outcome(env.DeleteFile("C:\\Games\\missing")); },
      [&] {
        return Outcome(env.DeleteFolder("C:\\Games")) + " " +
               Outcome(env.DeleteFolder("C:\\Games\\Art.ini")) + " " +
               Outcome(env.DeleteFolder("C:\\Gone")) + " " +
               Outcome(env.DeleteFolder("c:\\EMPTY")) + " " +
               std::to_string(env.FolderExists("C:\\Empty"));
      },
      [&] {
        const auto made = env.CreateTempFile("C:\\Games\\", "ZLB");
        return Outcome(made.Failure()) + " " +
               std::to_string(made.Value().rfind("C:\\Games\\ZLB", 0) == 0) + " " +
               std::to_string(env.FileExists(made.Value())) + " " +
               Outcome(env.DeleteFile(made.Value()));
      },
      [&] { return Outcome(env.CreateTempFile("C:\\Missing", "ZLB").Failure()); },
      [&] { return Outcome(env.SetCurrentFolder("c:\\games")); },
      [&] { return read("Art.ini") + " " + read("..\\Games\\Art.ini"); },
      [&] { return Outcome(env.SetCurrentFolder("Art.ini")); },
      [&] { return Outcome(env.SyncFolder("")) + " " + Outcome(env.SyncFile("Art.ini")); },
      [&] { return Outcome(env.SyncFile("missing")); },
      [&] {
        std::vector<std::string> names;
        for (const platform::FolderItem& item : env.ListFolder("C:\\")) {
          names.push_back(item.name + (item.isFolder ? "\\" : ""));
        }
        std::sort(names.begin(), names.end());
        std::string all;
        for (const std::string& name : names) {
          all += name + " ";
        }
        return all;
      },
  };
  std::vector<std::string> outcomes;
  for (const auto& step : steps) {
    outcomes.push_back(step());
  }
  return outcomes;
}

TEST(MemEnv, AnswersAsTheHostsDrivesDo) {
  CurrentDirectoryGuard here;
  TempWinePrefix wine;
  platform::HostEnv host(wine.prefix());
  ASSERT_TRUE(host.CreateFolder("C:\\Temp"));  // as the memory's drive C has one
  ASSERT_TRUE(host.SetCurrentFolder("C:\\"));
  MemEnv memory;
  const std::vector<std::string> fromMemory = Script(memory);
  const std::vector<std::string> fromHost = Script(host);
  ASSERT_EQ(fromMemory.size(), fromHost.size());
  for (std::size_t i = 0; i < fromHost.size(); ++i) {
    EXPECT_EQ(fromMemory[i], fromHost[i]) << "step " << i;
  }
}

}  // namespace
