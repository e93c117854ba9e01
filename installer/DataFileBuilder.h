#pragma once

#include <array>

#include "archive/ZLIBArchive.h"
#include "installer/InstallProcedure.h"

namespace platform {
class Env;
}

namespace installer {

// The folder the maintainer keeps the product files in. It becomes the current directory, so
// the data file (kDataFileName, by bare name) is written there and the member names below are taken
// relative to it.
inline constexpr char kBuilderSourceFolder[] = "C:\\Games\\Tiberian Sun\\Extras\\Quorin\\";

// The product files, in the order the install procedure unpacks them by index: 0 to 3 into the
// product folder, 4 to 7 (the stock rules, from the sibling rules folder) into the rules folder.
// Without saved paths each is stored under its file name alone.
inline constexpr std::array<const char*, 8> kDataFileMembers = {
    "Quorin.exe",
    "QuorinHelp.dll",
    "Help\\Quorin License.txt",
    "Original rules.qrk",
    "..\\Rules\\Distrib\\Original rules.add",
    "..\\Rules\\Distrib\\original rules.txt",
    "..\\Rules\\Distrib\\originalrules.bmp",
    "..\\Rules\\Distrib\\rules.ini",
};

// What the builder needs of the main window.
class BuilderWindow {
 public:
  virtual ~BuilderWindow() = default;
  // Hides the builder's button, so the command cannot be started twice in one run.
  virtual void HideBuilderButton() = 0;
  // Closes the main window, which ends the program.
  virtual void CloseMainWindow() = 0;
};

// The maintainer's command: builds the data file anew from the product files in the source
// folder, then closes the main window. Does nothing unless debugFlag is set.
//
// Failures are raised as Exceptions and end the command where they happen, with the window left
// open and the button hidden:
//  - "Unable to find the source directory C:\Games\Tiberian Sun\Extras\Quorin\" when the source
//    folder cannot be made the current directory; nothing is deleted or created anywhere.
//  - "File already exists" when an old data file is there and could not be deleted; it stays
//    as it was.
//  - the archive's own messages (such as "Unable to open file (%s)" for a missing product
//    file); the data file then holds the members added before the failing one.
// The current directory stays in the source folder afterwards, also after a failure.
void BuildDataFile(bool debugFlag, TZLBArchive& archive, platform::Env& env, BuilderWindow& window);

}  // namespace installer
