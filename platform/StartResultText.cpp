#include "platform/Env.h"

namespace platform {

const char* StartResultText(StartResult result) {
  switch (result) {
    case StartResult::kStarted:
      return "the program was started";
    case StartResult::kProgramMissing:
      return "the program does not exist";
    case StartResult::kFolderMissing:
      return "the working folder does not exist";
    case StartResult::kLauncherMissing:
      return "no launcher was found to run it (wine or xdg-open)";
    case StartResult::kFailed:
      break;
  }
  return "the system could not start it";
}

}  // namespace platform
