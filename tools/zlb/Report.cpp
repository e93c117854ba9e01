#include "tools/zlb/Report.h"

#include <cstdio>

#include "tools/zlb/Display.h"
#include "tools/zlb/Progress.h"

namespace zlb {

std::string Describe(const Exception& failure) {
  std::string text = Shown(failure.Message());
  if (!failure.Cause().empty()) {
    text += ": " + ShownUtf8(failure.Cause());
  }
  return text;
}

void Warn(const std::string& line) {
  std::fflush(stdout);
  ProgressLine::ClearActive();
  std::fputs(("zlb: " + line + "\n").c_str(), stderr);
}

std::string WhyNothingThere(platform::Env& env, const std::string& name) {
  if (env.FolderExists(name)) {
    return platform::SystemText(platform::Reason::kIsFolder);
  }
  if (!env.HostPath(name)) {
    if (name.size() >= 2 && name[1] == ':') {
      return std::string("drive ") + name.substr(0, 2) + " is not mapped in the Wine prefix";
    }
    if (name.compare(0, 2, "\\\\") == 0) {
      return "network names cannot be reached from here";
    }
  }
  return platform::SystemText(platform::Reason::kNotFound);
}

}  // namespace zlb
