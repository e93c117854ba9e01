// The installer's program entry: the command line decides; the Qt windows are made only when
// they are wanted (without arguments, and for uninstalling without --silent).
#include "installer/ProgramEntry.h"
#include "installer/ui/QtFrontEnd.h"
#include "platform/ProgramFolder.h"

int main(int argc, char** argv) {
  QtFrontEnd windows(argc, argv);
  installer::ProgramContext context;
  context.windows = &windows;
  context.programFolder = platform::ProgramFolder();
  return installer::RunProgram(installer::ArgumentsOf(argc, argv), context);
}
