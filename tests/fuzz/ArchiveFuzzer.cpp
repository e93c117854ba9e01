// libFuzzer target: opens any input as an archive and extracts every member into memory and,
// with paths, into a throwaway folder; aborts when anything is written outside that folder, or
// when members read ahead on worker threads come out otherwise than read one by one.
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
#include <functional>
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

// What extracting into a stream gives: the bytes' CRC-32, or the failure.
std::string Outcome(const std::function<void(TStream&)>& extract) {
  TMemoryStream sink;
  try {
    extract(sink);
  } catch (const Exception& failure) {
    return failure.Message() + ": " + failure.Cause();
  }
  const auto& bytes = sink.Bytes();
  return "ok " + std::to_string(crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

// The verdict alone, without the bytes.
std::string Verdict(const std::string& outcome) {
  return outcome.rfind("ok ", 0) == 0 ? "ok" : outcome;
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
  std::vector<std::string> outcomes;
  for (int i = 0; i < archive.FileCount(); ++i) {
    outcomes.push_back(Outcome([&](TStream& sink) { archive.ExtractToStream(i, sink); }));
    for (bool withPath : {false, true}) {
      archive.SetExtractWithPath(withPath);
      try {
        archive.ExtractFile(dest.string() + "\\sub", i);
      } catch (const Exception&) {
      }
    }
  }
  // The same members, read ahead on two threads: the same bytes and verdicts.
  std::vector<int> all(outcomes.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    all[i] = static_cast<int>(i);
  }
  archive.SetThreads(2);
  for (const bool keepData : {true, false}) {
    archive.ReadAhead(all, keepData);
    for (const int i : all) {
      const std::string outcome =
          keepData ? Outcome([&](TStream& sink) { archive.ExtractToStream(i, sink); })
                   : Verdict(Outcome([&](TStream&) { archive.TestFile(i); }));
      const std::string& inTurn = outcomes[static_cast<std::size_t>(i)];
      if (outcome != (keepData ? inTurn : Verdict(inTurn))) {
        std::fprintf(stderr, "member %d read ahead: %s, read in turn: %s\n", i, outcome.c_str(),
                     inTurn.c_str());
        std::abort();
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
