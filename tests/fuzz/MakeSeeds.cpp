// Writes the fuzzer's seed archives into the folder given, each made by the archive writer:
// an empty archive, stored and compressed members at every level, members with paths, and a
// registry of many records.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "platform/Exception.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

std::string Text(std::size_t size) {
  std::string s;
  while (s.size() < size) {
    s += "rules line " + std::to_string(s.size() % 89) + "\n";
  }
  return s.substr(0, size);
}

void MakeArchive(const fs::path& seeds, const std::string& name, const fs::path& sources,
                 const std::vector<std::string>& files, TFileCompressionLevel level,
                 bool savePaths) {
  TZLBArchive archive;
  archive.SetCompressionLevel(level);
  archive.SetSavePaths(savePaths);
  archive.CreateArchive((seeds / name).string());
  // Added by relative Windows names from the sources folder, as a maintainer would.
  fs::current_path(sources);
  for (const std::string& file : files) {
    archive.AddFile(file);
  }
  archive.CloseArchive();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: archive_fuzz_seeds FOLDER\n");
    return 2;
  }
  const fs::path seeds = fs::absolute(argv[1]);
  const fs::path sources = seeds / ".sources";
  try {
    fs::create_directories(seeds);
    WriteFile(sources / "empty", "");
    WriteFile(sources / "tiny", "x");
    WriteFile(sources / "rules.ini", Text(3000));
    WriteFile(sources / "Help" / "license.txt", Text(700));
    std::string noise(500, '\0');
    unsigned x = 2463534242u;
    for (char& c : noise) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      c = static_cast<char>(x);
    }
    WriteFile(sources / "noise.bin", noise);

    std::ofstream(seeds / "empty.zlb", std::ios::binary);  // no bytes: an archive of nothing
    MakeArchive(seeds, "mixed.zlb", sources, {"empty", "tiny", "rules.ini", "noise.bin"}, fcMaximum,
                false);
    MakeArchive(seeds, "fastest.zlb", sources, {"rules.ini"}, fcFastest, false);
    MakeArchive(seeds, "none.zlb", sources, {"rules.ini", "tiny"}, fcNone, false);
    MakeArchive(seeds, "paths.zlb", sources, {"Help\\license.txt", "rules.ini"}, fcDefault, true);
    // Nine records: a registry of more than one 4 KiB piece.
    for (int i = 0; i < 9; ++i) {
      WriteFile(sources / "many" / ("m" + std::to_string(i)), std::to_string(i));
    }
    std::vector<std::string> many;
    for (int i = 0; i < 9; ++i) {
      many.push_back("many\\m" + std::to_string(i));
    }
    MakeArchive(seeds, "many.zlb", sources, many, fcDefault, false);
    fs::current_path(seeds);
    fs::remove_all(sources);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "archive_fuzz_seeds: %s\n", e.what());
    return 1;
  }
  return 0;
}
