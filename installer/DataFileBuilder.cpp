#include "installer/DataFileBuilder.h"

#include <string>

#include "installer/DataFile.h"
#include "platform/Env.h"
#include "platform/Exception.h"

namespace installer {

void BuildDataFile(TZLBArchive& archive, platform::Env& env, BuilderWindow& window) {
  window.HideBuilderButton();

  // Everything below works by bare and relative names, so without the source folder as the
  // current directory it would delete and write wherever the program happened to start.
  if (!env.SetCurrentFolder(kBuilderSourceFolder)) {
    throw Exception(std::string("Unable to find the source directory ") + kBuilderSourceFolder);
  }

  // Always built anew, never added to. A file that cannot be deleted makes CreateArchive fail.
  if (env.FileExists(kDataFileName)) {
    env.DeleteFile(kDataFileName);
  }
  archive.CreateArchive(kDataFileName);
  for (const DataFileMember& member : kDataFileMembers) {
    archive.AddFile(member.source);
  }

  window.CloseMainWindow();
}

}  // namespace installer
