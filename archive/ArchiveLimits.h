#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <limits>

#include "archive/ArchiveFormat.h"

namespace archive {

// Sizes, offsets and counts in an archive are signed 32-bit numbers, so neither a member nor
// the whole archive file may reach 2 GiB.
constexpr std::int64_t kMaxArchiveBytes = std::numeric_limits<std::int32_t>::max();

// The most records a registry may hold. Real archives hold thousands at most; the bound keeps a
// small forged registry (zeros inflate a thousandfold) from making the reader allocate
// gigabytes of records. The writer refuses to go past it, so it never makes an archive that
// cannot be read back.
constexpr std::int32_t kMaxEntries = 1'000'000;

// Whether a member of memberBytes can be stored at all.
inline bool MemberFits(std::int64_t memberBytes) {
  return memberBytes >= 0 && memberBytes <= kMaxArchiveBytes;
}

// The most bytes a registry of entryCount records can take: its zlib stream, or its plain
// records when compressing it fails.
inline std::int64_t RegistryBound(std::size_t entryCount) {
  const auto plain = static_cast<std::uint64_t>(entryCount) * kEntrySize;
  const auto packed = static_cast<std::uint64_t>(compressBound(static_cast<uLong>(plain)));
  return static_cast<std::int64_t>(packed > plain ? packed : plain);
}

// Whether an archive whose member data ends at dataEnd and that holds entryCount records stays
// within the limit once its registry and trailer are appended.
inline bool ArchiveFits(std::int64_t dataEnd, std::size_t entryCount) {
  return dataEnd >= 0 &&
         dataEnd + RegistryBound(entryCount) + static_cast<std::int64_t>(kTrailerSize) <=
             kMaxArchiveBytes;
}

}  // namespace archive
