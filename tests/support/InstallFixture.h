#pragma once

// A temporary Wine prefix with the game installed at C:\Westwood\Tiberian Sun\, a working
// folder that may hold the data file, and a view that records what the procedure shows and
// answers its questions as told.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "installer/DataFile.h"
#include "installer/InstallProcedure.h"
#include "installer/InstallerView.h"
#include "tests/support/ArchiveBuilder.h"
#include "tests/support/PrefixRecordingEnv.h"
#include "tests/support/WinePrefix.h"

// The stored names of the data file's members in their order, and their contents.
inline const std::vector<std::string> kMemberNames = [] {
  std::vector<std::string> names;
  for (const installer::DataFileMember& member : installer::kDataFileMembers) {
    names.push_back(member.name);
  }
  return names;
}();
inline std::string MemberContent(int index) {
  return "member " + std::to_string(index) + std::string(100 * index, 'x');
}

class RecordingView : public InstallerView {
 public:
  bool ShowAgreement() override {
    events.push_back("agreement");
    if (onAgreement) {
      onAgreement();
    }
    return acceptAgreement;
  }
  void ShowInformation(const std::string& text) override { events.push_back("info: " + text); }
  bool Confirm(const std::string& text) override {
    events.push_back("confirm: " + text);
    return answerYes;
  }
  void ShowDirectories(const std::string& quoDir, const std::string& rulesDir) override {
    events.push_back("dirs: " + quoDir + " | " + rulesDir);
  }
  void EndProgramAfterFailure(int exitStatus) override {
    events.push_back("end after failure: " + std::to_string(exitStatus));
  }
  void ShowProgress() override { events.push_back("progress"); }
  void ShowMember(const std::string& name) override { events.push_back("member: " + name); }
  void HideProgress() override { events.push_back("hide progress"); }

  bool acceptAgreement = true;
  bool answerYes = true;
  std::function<void()> onAgreement;
  std::vector<std::string> events;
};

class InstallFixture {
 public:
  InstallFixture() : env(prefix.prefix()), archive(nullptr, &env) {
    std::filesystem::create_directories(Host("Westwood/Tiberian Sun"));
    WriteHostFile(Host("Westwood/Tiberian Sun/Sun.exe"), "game");
    std::filesystem::create_directories(Host("work"));
    std::filesystem::current_path(Host("work"));
    archive.SetCompressionLevel(fcMaximum);
    archive.OnFileExtracted = [this](const std::string&) { events().push_back("extracted"); };
    choices.gameDir = "C:\\Westwood\\Tiberian Sun\\";
    choices.productDir = "C:\\Westwood\\Tiberian Sun\\Quorin\\";
    choices.rulesDir = "C:\\Westwood\\Tiberian Sun\\Rules\\";
  }

  // The host path of a name on drive C.
  std::string Host(const std::string& onDriveC) const {
    return prefix.realDriveC() + "/" + onDriveC;
  }
  // The data file the builder makes, of its first `members` members, as builder::ArchiveBuilder
  // makes it; edit may change it before it is written to the working folder.
  void WriteDataFile(int members, const std::function<void(builder::ArchiveBuilder&)>& edit = {}) {
    builder::ArchiveBuilder data;
    for (int i = 0; i < members; ++i) {
      data.Deflated(kMemberNames[i], MemberContent(i), 3, i == 2 ? "Help\\" : "");
    }
    if (edit) {
      edit(data);
    }
    data.Write(Host("work/InstallQuorin.dat"));
  }
  installer::InstallOutcome Install() {
    installer::InstallProcedure procedure(env, archive, view, programFolder);
    return procedure.Run(choices);
  }
  std::vector<std::string>& events() { return view.events; }

  CurrentDirectoryGuard cwd;
  TempWinePrefix prefix;
  PrefixRecordingEnv env;
  TZLBArchive archive;
  RecordingView view;
  installer::InstallChoices choices;
  std::string programFolder;  // the host folder of the installer's program; none by default
};
