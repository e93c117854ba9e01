#include "installer/IniWriter.h"

#include "platform/Env.h"
#include "platform/Stream.h"
#include "platform/WinNames.h"

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

namespace {

// A line's text without blanks, tabs and its line ending around it.
std::string Trimmed(const std::string& line) {
  const std::size_t first = line.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) {
    return "";
  }
  return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

std::string ReadWhole(platform::Env& env, const std::string& path) {
  TFileStream file(path, TFileMode::fmOpenReadDenyWrite, &env);
  std::string text;
  char piece[4096];
  while (const std::size_t count = file.Read(piece, sizeof piece)) {
    text.append(piece, count);
  }
  return text;
}

}  // namespace

std::string KeptRules(const std::string& oldText) {
  std::string kept;
  enum { kBefore, kInRules, kAfter } where = kBefore;
  for (std::size_t pos = 0; pos < oldText.size();) {
    const std::size_t end = oldText.find('\n', pos);
    std::string line = oldText.substr(pos, end == std::string::npos ? end : end + 1 - pos);
    pos = end == std::string::npos ? oldText.size() : end + 1;
    const std::string text = Trimmed(line);
    const bool section = !text.empty() && text.front() == '[';
    if (where == kBefore) {
      // The section's name, without a comment that may follow it on the line.
      if (section && platform::EqualFolded(text.substr(0, text.find(']') + 1), "[Rules]")) {
        where = kInRules;
      }
      continue;
    }
    if (section) {
      where = kAfter;
    }
    if (where == kAfter || (!text.empty() && text.front() != ';')) {
      if (line.back() != '\n') {
        line += "\r\n";
      }
      kept += line;
    }
  }
  return kept;
}

std::string IniFileText(platform::Env& env, const std::string& productDir,
                        const std::string& gameDir, const std::string& rulesDir) {
  const std::string path = productDir + kIniFileName;
  std::string text = IniText(gameDir, rulesDir);
  if (env.FileExists(path)) {
    text += KeptRules(ReadWhole(env, path));
  }
  return text;
}

}  // namespace installer
