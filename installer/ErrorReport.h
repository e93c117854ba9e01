#pragma once

#include <string>

// The texts of the application's general error report, which shows every failure that no
// handler caught.
namespace installer {

// The application's title: the program's file name without folder and extension, every letter
// after the first in lower case ("/opt/bin/InstallQuorin" gives "Installquorin").
std::string ApplicationTitle(const std::string& programPath);

// The report's text: the message, with a full stop appended when its last character sorts
// after the full stop (so "...corrupted" gets one, "Unable to open file (x.dat)" ending in ')'
// does not). Bytes are compared unsigned, so a last letter outside ASCII counts as after it.
std::string ReportText(const std::string& message);

}  // namespace installer
