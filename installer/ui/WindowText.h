#pragma once

#include <QString>
#include <string>

#include "platform/CodePage.h"

// Texts between the windows (QString) and the rest of the system. The install logic takes the
// windows' texts in UTF-8; paths and messages from the file system come in Windows-1252.
inline std::string Utf8Of(const QString& text) {
  return text.toStdString();
}
inline QString FromUtf8(const std::string& utf8) {
  return QString::fromStdString(utf8);
}
inline QString FromAnsi(const std::string& ansi) {
  return FromUtf8(platform::AnsiToUtf8(ansi));
}
