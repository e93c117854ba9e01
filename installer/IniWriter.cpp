#include "installer/IniWriter.h"

#include "platform/WholeFile.h"

namespace installer {

const char kIniFileName[] = "Quorin.ini";

std::string IniText(const std::string& gameDir, const std::string& rulesDir) {
  const std::string lines[] = {
      "[Config]",
      "IniVer=2",
      ";Directories:",
      ";QuoDir=the directory Quorin is in\t;shortname: \"{QuoDir}\"",
      "TSDir=" + gameDir + "\t\t;shortname: \"{TSDir}\"",
      "RulesDir=" + rulesDir + "\t\t;can use {TSDir} or {QuoDir}, shortname: \"{RulesDir}\"",
      "",
      "[Rules]",
      "; > Be aware you obviously can not use a ; in any files name...! <",
      ";",
      "; Format:",
      ";   All rules refs start with name=<rules name>",
      ";   the line info=<info file> is the text file to load in the info window",
      ";   all other entries are the filename as it should be in the TS directory = filename in "
      "rules directory",
      ";   e.g.:",
      ";     rules.ini=<rules file>",
      ";     art.ini=<art file>",
      ";   these can be *any* files you want copied into the TS directory, from the ini files to "
      ".mix or other files",
  };
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void WriteIni(platform::Env& env, const std::string& productDir, const std::string& gameDir,
              const std::string& rulesDir) {
  // Written whole, so that a failure (a full disk) leaves an older file as it was, not cut short.
  platform::WriteWholeFile(env, productDir + kIniFileName, IniText(gameDir, rulesDir));
}

}  // namespace installer
