// libFuzzer target: opens any input as an archive and extracts every member into memory and,
// with paths, into a throwaway folder; aborts when anything is written outside that folder.
//
// The whole-file CRC would turn away nearly every mutated input at the door, so the input's
// trailer CRC is recomputed first (the trailer is not covered by it): the fuzzer then reaches
// the registry and the members.
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "platform/Exception.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kTrailerBytes = 36;

// The folder for one run: the archive file and "out", which holds "dest", the destination.
// Everything an extraction writes must stay in "dest".
struct Workspace {
  Workspace() {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/zlb-fuzz-XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    root = templ;
    fs::create_directory(root / "out");
    archive = (root / "in.zlb").string();
  }
  ~Workspace() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  fs::path root;
  std::string archive;
};

Workspace& Space() {
  static Workspace space;
  return space;
}

void Reseal(std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kTrailerBytes) {
    return;
  }
  const std::size_t content = bytes.size() - kTrailerBytes;
  const auto crc = static_cast<std::uint32_t>(crc32(0L, bytes.data(), static_cast<uInt>(content)));
  for (int i = 0; i < 4; ++i) {
    bytes[content + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
  }
}

// Whether folder holds exactly the names given (and nothing else).
bool HoldsOnly(const fs::path& folder, std::vector<std::string> names) {
  std::vector<std::string> found;
  for (const auto& item : fs::directory_iterator(folder)) {
    found.push_back(item.path().filename().string());
  }
  std::sort(found.begin(), found.end());
  std::sort(names.begin(), names.end());
  return found == names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Workspace& space = Space();
  std::vector<std::uint8_t> bytes(data, data + size);
  Reseal(bytes);
  {
    std::ofstream out(space.archive, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
  }
  const fs::path dest = space.root / "out" / "dest";
  fs::create_directory(dest);

  TZLBArchive archive;
  archive.OnProgress = [](const std::string&, int) {};
  archive.OnReplaceFile = [](const std::string&, bool& replace) { replace = true; };
  // Salvage lets through members that a normal open refuses (data outside the member data or
  // shared with another member), so it is the wider door to fuzz; the CRC is resealed anyway.
  try {
    archive.OpenArchiveForSalvage(space.archive);
  } catch (const Exception&) {
    fs::remove_all(dest);
    return 0;
  }
  archive.SetCheckCRC(true);
  for (int i = 0; i < archive.FileCount(); ++i) {
    try {
      TMemoryStream sink;
      archive.ExtractToStream(i, sink);
    } catch (const Exception&) {
    }
    for (bool withPath : {false, true}) {
      archive.SetExtractWithPath(withPath);
      try {
        archive.ExtractFile(dest.string() + "\\sub", i);
      } catch (const Exception&) {
      }
    }
  }
  if (!HoldsOnly(space.root, {"in.zlb", "out"}) || !HoldsOnly(space.root / "out", {"dest"})) {
    std::fprintf(stderr, "an extraction wrote outside its destination folder\n");
    std::abort();
  }
  fs::remove_all(dest);
  return 0;
}
