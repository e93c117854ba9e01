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

  // Always built anew, never added to, and under a name of its own beside the data file: the
  // old data file is replaced only once every member is in, so a failure leaves it as it was
  // and no half-built one in its place.
  const platform::Result<std::string> temporary = env.CreateTempFile("", "InstallQuorin");
  if (!temporary) {
    throw EFCreateError(std::string("Cannot create file ") + kDataFileName,
                        temporary.Failure().Text());
  }
  const std::string& building = temporary.Value();
  try {
    // A file of no bytes is an archive without members, so the new one is begun in it as it
    // is: removing it first for the component to make anew would open a moment in which
    // another file could take the name, and a failing removal would surface as "File already
    // exists".
    archive.OpenArchive(building);
    for (const DataFileMember& member : kDataFileMembers) {
      archive.AddFile(member.source);
    }
    if (const platform::Status replaced = env.ReplaceFile(building, kDataFileName); !replaced) {
      throw EFCreateError(std::string("Cannot create file ") + kDataFileName, replaced.Text());
    }
  } catch (...) {
    archive.CloseArchive();
    env.DeleteFile(building);
    throw;
  }
  // The component stays open on the finished data file, which this checks once more.
  archive.OpenArchive(kDataFileName);

  window.CloseMainWindow();
}

}  // namespace installer
