// libFuzzer target: opens any input as an archive and extracts every member into memory and
// into a folder, with or without its stored path; aborts when anything is written outside that
// folder, a file is left open, or members read ahead on worker threads come out otherwise than
// read one by one. Everything happens in an environment in memory
// (tests/support/MemEnv.h) with the host drives' name rules, so an input costs no disk I/O.
//
// The whole-file CRC would turn away nearly every mutated input at the door, so the input's
// trailer CRC is recomputed first (the trailer is not covered by it): the fuzzer then reaches
// the registry and the members.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "platform/Exception.h"
#include "tests/support/MemEnv.h"

namespace {

constexpr std::size_t kTrailerBytes = 36;
constexpr char kArchive[] = "C:\\in.zlb";
constexpr char kOut[] = "C:\\Out";
// Everything an extraction writes must stay in here. Members go into its folder "sub", so that
// a stored path that climbs out of "sub" but stays in here is told apart from one that leaves.
constexpr char kDest[] = "C:\\Out\\Dest";
constexpr char kSub[] = "C:\\Out\\Dest\\sub";

// The world every input starts from: the destination's parent and the temporary folder.
const MemEnv& Start() {
  static const MemEnv start = [] {
    MemEnv env;
    env.CreateFolder(kOut);
    return env;
  }();
  return start;
}

void Reseal(std::string& bytes) {
  if (bytes.size() < kTrailerBytes) {
    return;
  }
  const std::size_t content = bytes.size() - kTrailerBytes;
  const auto crc = static_cast<std::uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(content)));
  for (int i = 0; i < 4; ++i) {
    bytes[content + static_cast<std::size_t>(i)] = static_cast<char>(crc >> (8 * i));
  }
}

bool Below(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         path[folder.size()] == '\\';
}

void Fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "%s: %s\n", what, path.c_str());
  std::abort();
}

// Nothing but the archive and what lies in the destination; no file open.
void CheckWhatIsLeft(const MemEnv& env) {
  for (const auto& [path, content] : env.Files()) {
    if (path != kArchive && !Below(path, kDest)) {
      Fail("an extraction wrote outside its destination folder", path);
    }
  }
  for (const std::string& folder : env.Folders()) {
    if (folder != kOut && folder != kDest && folder != "C:\\Temp" && !Below(folder, kDest)) {
      Fail("an extraction made a folder outside its destination", folder);
    }
  }
  if (env.OpenFiles() != 0) {
    Fail("a file is left open", std::to_string(env.OpenFiles()) + " of them");
  }
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
  MemEnv env(Start());
  std::string bytes(reinterpret_cast<const char*>(data), size);
  Reseal(bytes);
  env.Put(kArchive, bytes);
  env.CreateFolder(kDest);
  env.CreateFolder(kSub);
  {
    TZLBArchive archive(nullptr, &env);
    archive.OnProgress = [](const std::string&, int) {};
    archive.OnReplaceFile = [](const std::string&, bool& replace) { replace = true; };
    // Salvage lets through members that a normal open refuses (data outside the member data or
    // shared with another member), so it is the wider door to fuzz; the CRC is resealed anyway.
    try {
      archive.OpenArchiveForSalvage(kArchive);
    } catch (const Exception&) {
      CheckWhatIsLeft(env);
      return 0;
    }
    archive.SetCheckCRC(true);
    // Members are put on disk with and without their stored paths by turns; the last byte of
    // the input (in the trailer's reserved bytes, which the reader ignores) says which way the
    // first one goes.
    const int turn = size > 0 ? data[size - 1] & 1 : 0;
    std::vector<std::string> outcomes;
    for (int i = 0; i < archive.FileCount(); ++i) {
      outcomes.push_back(Outcome([&](TStream& sink) { archive.ExtractToStream(i, sink); }));
      archive.SetExtractWithPath(((i + turn) & 1) != 0);
      try {
        archive.ExtractFile(kSub, i);
      } catch (const Exception&) {
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
  }
  CheckWhatIsLeft(env);
  return 0;
}
