#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileMode.h"
#include "platform/Object.h"

namespace platform {
class Env;
class File;
}  // namespace platform

// The stream abstraction: a sequence of bytes with a position.
class TStream : public TObject {
 public:
  // Reads up to count bytes; returns the number obtained (0 at the end).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes up to count bytes; returns the number written.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Moves the position; returns the new position.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  // The size, found by seeking to the end and back.
  virtual std::int64_t Size();

  // Read or write exactly count bytes; a short count fails with "Stream read error" or
  // "Stream write error".
  void ReadBuffer(void* buffer, std::size_t count);
  void WriteBuffer(const void* buffer, std::size_t count);

  // Copies count bytes from source's position into this stream; count 0 copies all of source
  // from its start. Returns the number of bytes copied. Moves in pieces of 64 KiB.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// A file on disk, named by a Windows path (see platform/Env.h).
// Failures: "Cannot open file %s" / "Cannot create file %s" with the name as given, and the
// system's reason as the cause.
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& fileName, TFileMode mode,
              platform::Env* env = nullptr /* the default environment */);
  ~TFileStream() override;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

  const std::string& FileName() const { return fileName_; }
  // Closes the file now, so that a failure the system reports only then (the last write that
  // did not fit after all) is not lost: fails with "Stream write error" and the system's reason
  // as its cause. A file that is written should be closed this way before it counts as done;
  // destroying the stream closes it quietly. Nothing may be read or written afterwards.
  void Close();

 private:
  std::string fileName_;
  std::unique_ptr<platform::File> file_;
};

// A stream held in memory.
class TMemoryStream : public TStream {
 public:
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }

  void Clear();
  void SetSize(std::size_t size);
  const std::uint8_t* Memory() const { return data_.data(); }
  std::uint8_t* Memory() { return data_.data(); }
  const std::vector<std::uint8_t>& Bytes() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
  std::size_t position_ = 0;
};
