#pragma once

#include <array>

#include "archive/ArchiveFormat.h"

// The installer's data file: its name, the product files it holds and where each one goes.
// The maintainer's builder packs the members in this order and the install procedure unpacks
// them by index, so this table is the one both read.
namespace installer {

// Found by its bare name in the current folder (and beside the installer's own program).
inline constexpr char kDataFileName[] = "InstallQuorin.dat";

// The folder the maintainer keeps the product files in. The builder makes it the current
// folder, so the data file is written there and the sources below are taken relative to it.
inline constexpr char kBuilderSourceFolder[] = "C:\\Games\\Tiberian Sun\\Extras\\Quorin\\";

// The level the builder packs the members and the registry at (the main window's archive).
inline constexpr TFileCompressionLevel kDataFileCompressionLevel = fcMaximum;

// Where a member is unpacked to.
enum class Destination {
  kProductFolder,  // always
  kRulesFolder,    // only when the stock rules are wanted
};

struct DataFileMember {
  const char* source;  // as the builder passes it, relative to the source folder
  const char* name;    // as it is stored: the file name alone, since no paths are saved
  Destination destination;
};

// The members in their order: 0 to 3 the program files, 4 to 7 the stock rules from the
// sibling rules folder.
inline constexpr std::array<DataFileMember, 8> kDataFileMembers = {{
    {"Quorin.exe", "Quorin.exe", Destination::kProductFolder},
    {"QuorinHelp.dll", "QuorinHelp.dll", Destination::kProductFolder},
    {"Help\\Quorin License.txt", "Quorin License.txt", Destination::kProductFolder},
    {"Original rules.qrk", "Original rules.qrk", Destination::kProductFolder},
    {"..\\Rules\\Distrib\\Original rules.add", "Original rules.add", Destination::kRulesFolder},
    {"..\\Rules\\Distrib\\original rules.txt", "original rules.txt", Destination::kRulesFolder},
    {"..\\Rules\\Distrib\\originalrules.bmp", "originalrules.bmp", Destination::kRulesFolder},
    {"..\\Rules\\Distrib\\rules.ini", "rules.ini", Destination::kRulesFolder},
}};

}  // namespace installer
