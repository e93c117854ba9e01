#pragma once

// The two small enumerations that both the environment seam (platform/Env.h) and the stream
// family (platform/Stream.h) speak in, kept apart so that neither header needs the other.

// Where a seek counts from.
enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// The ways a file can be opened, with the sharing they grant to others.
enum class TFileMode {
  fmOpenReadDenyWrite,       // read; others may read but not write
  fmCreate,                  // create or truncate for writing (and reading); shared with nobody
  fmOpenReadWriteExclusive,  // read and write an existing file; shared with nobody
};
