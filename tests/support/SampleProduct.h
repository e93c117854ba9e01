#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/support/TestData.h"
#include "tests/support/WinePrefix.h"

// The product files as a maintainer keeps them on drive C of a Wine prefix: the program files
// in C:\Games\Tiberian Sun\Extras\Quorin\ (the help text in its Help folder) and the stock rules
// in the sibling Rules\Distrib folder. Their contents cover the archive's cases: text that
// compresses, bytes that do not (stored as they are) and an empty file.
class SampleProduct {
 public:
  struct File {
    std::string source;  // host path
    std::string name;    // the name a member keeps
    std::string content;
  };

  explicit SampleProduct(const TempWinePrefix& prefix)
      : extras_(prefix.prefix() + "/drive_c/Games/Tiberian Sun/Extras") {
    Add("Quorin/Quorin.exe", "MZ" + std::string(3000, 'q') + "the program");
    Add("Quorin/QuorinHelp.dll", Noise(5000));
    Add("Quorin/Help/Quorin License.txt", "Terms of use.\r\nFree to share.\r\n");
    Add("Quorin/Original rules.qrk", "qrk\x01\x02" + std::string(700, 'r'));
    Add("Rules/Distrib/Original rules.add", "[Add]\r\nOriginal=rules.ini\r\n");
    Add("Rules/Distrib/original rules.txt", "");
    Add("Rules/Distrib/originalrules.bmp", "BM" + Noise(300));
    Add("Rules/Distrib/rules.ini", "[General]\r\n" + std::string(2000, ';'));
  }

  const std::vector<File>& files() const { return files_; }
  // The host path of the builder's source folder and of the data file it writes there.
  std::string sourceFolder() const { return extras_ + "/Quorin"; }
  std::string dataFile() const { return sourceFolder() + "/InstallQuorin.dat"; }

 private:
  void Add(const std::string& relative, std::string content) {
    const std::string path = extras_ + "/" + relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteHostFile(path, content);
    files_.push_back({path, std::filesystem::path(path).filename().string(), std::move(content)});
  }

  std::string extras_;
  std::vector<File> files_;
};
