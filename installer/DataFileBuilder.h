#pragma once

#include "archive/ZLIBArchive.h"

namespace platform {
class Env;
}

namespace installer {

// What the builder needs of the main window.
class BuilderWindow {
 public:
  virtual ~BuilderWindow() = default;
  // Hides the builder's button, so the command cannot be started twice in one run.
  virtual void HideBuilderButton() = 0;
  // Closes the main window, which ends the program.
  virtual void CloseMainWindow() = 0;
};

// The maintainer's command: builds the data file (installer/DataFile.h) anew from the product
// files in the source folder, then closes the main window. The caller runs it only where the
// stored design allows it (the Debug flag).
//
// Failures are raised as Exceptions and end the command where they happen, with the window left
// open and the button hidden:
//  - "Unable to find the source directory C:\Games\Tiberian Sun\Extras\Quorin\" when the source
//    folder cannot be made the current directory; nothing is deleted or created anywhere.
//  - the archive's own messages (such as "Unable to open file (%s)" for a missing product
//    file), and "Cannot create file InstallQuorin.dat" when the new data file cannot be put in
//    place.
// The data file is built under a temporary name beside it and replaces the old one only when
// every member is in; after a failure the old one (or none) is there as it was, and no other
// file is left.
// The current directory stays in the source folder afterwards, also after a failure.
void BuildDataFile(TZLBArchive& archive, platform::Env& env, BuilderWindow& window);

}  // namespace installer
