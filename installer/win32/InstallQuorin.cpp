// The installer's program entry on Windows: the command line decides; the Win32 windows are
// made only when they are wanted (without arguments, and for uninstalling without --silent).
#include "installer/ProgramEntry.h"
#include "installer/win32/ParentConsole.h"
#include "installer/win32/Win32FrontEnd.h"
#include "platform/ProgramFolder.h"

int main(int argc, char** argv) {
  win32::UseParentConsole();
  Win32FrontEnd windows;
  installer::ProgramContext context;
  context.windows = &windows;
  context.programFolder = platform::ProgramFolder();
  return installer::RunProgram(installer::ArgumentsOf(argc, argv), context);
}
