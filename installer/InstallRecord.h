#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TStream;
namespace platform {
class Env;
class File;
}  // namespace platform

// The installation record: a plain text file in the product folder that lists what an
// installation created, so that uninstalling can take exactly that away again and give back
// what it replaced. It is Windows-1252 text, each line ending in CR LF, and its fields are
// separated by tabs (no Windows name holds one). Paths are absolute Windows paths.
//
//   folder <TAB> path                             a folder the installation created
//   file <TAB> size <TAB> crc <TAB> path          a file it writes, with its size in bytes and
//                                                 its CRC-32 in eight hexadecimal digits
//   kept <TAB> size <TAB> crc <TAB> copy <TAB> path
//                                                 a file that was there before and is
//                                                 replaced: its size and CRC-32, and the copy
//                                                 of it kept beside the record
//
// The first line says what the file is; lines beginning with ';' are comments. A line counts
// only once its line ending is written, and no field may be empty, so a line cut short (an
// installation that failed on a full disk) is passed over, also once a later installation has
// ended it. A reinstallation appends to the record: for a path the last "file" line and the first
// "kept" line count.
//
// Each line reaches the disk before the step it tells of, so that an installation killed at
// any moment leaves a record of everything it placed: a "kept" line before the copy is made, a
// "file" line before anything of the file is written (its temporary file is named after it).
// Only the folder that holds the record is noted after it was made.
namespace installer {

inline constexpr char kRecordFileName[] = "Uninstall.txt";

// The size and CRC-32 of a file's bytes.
struct FileSum {
  std::int64_t size = 0;
  std::uint32_t crc = 0;
  bool operator==(const FileSum&) const = default;
};
FileSum SumOf(const std::string& bytes);
// The sum of a regular file; nothing when there is none of that name. Fails with "Cannot open
// file %s" when the file is there but cannot be read.
std::optional<FileSum> SumOfFile(platform::Env& env, const std::string& path);

// One line of the record.
struct RecordLine {
  enum class Kind { kFolder, kFile, kKept };
  Kind kind = Kind::kFile;
  std::string path;
  FileSum sum;       // kFile: the file as written; kKept: the file that was there before
  std::string copy;  // kKept: where that file is kept
};

// The line's text with its CR LF.
std::string FormatRecordLine(const RecordLine& line);
// The lines of a record's text; comments, malformed lines and a last line without its line
// ending are passed over.
std::vector<RecordLine> ParseRecord(const std::string& text);

// The absolute form of a Windows path, as the record names it: a relative path is taken from
// the current folder of this moment; any other path stays as it is.
std::string AbsolutePath(platform::Env& env, const std::string& path);

// The record's path in a product folder (a Windows path, with or without its backslash).
std::string RecordPath(const std::string& productDir);
// The record's text; nothing when there is no file of that name. An empty file is an empty
// record (one begun by an installation killed at once). Fails with "Cannot open file %s" when
// it cannot be read and with "The file %s is not an installation record" for any other file.
std::optional<std::string> ReadRecordText(platform::Env& env, const std::string& recordPath);

// The temporary file a recorded file is written to before it is put in its place, in the same
// folder: uninstalling removes one that a killed installation left.
std::string TemporaryNameOf(const std::string& target);

// The record of one installation, kept open while the installation runs.
class InstallRecord {
 public:
  using Producer = std::function<void(TStream& out)>;

  // Opens the record in productDir (absolute, ending in a backslash), appending to the one an
  // earlier installation left, and notes the folders this installation created. Fails with
  // "Cannot create file %s" (or "Cannot open file %s") naming the record, and when a file of
  // its name is no record.
  InstallRecord(platform::Env& env, const std::string& productDir,
                const std::vector<std::string>& createdFolders);
  ~InstallRecord();
  InstallRecord(const InstallRecord&) = delete;
  InstallRecord& operator=(const InstallRecord&) = delete;

  // Puts a file at target (an absolute Windows path) with the bytes that produce writes,
  // expected to have the sum given. A file of that name that no installation wrote is first
  // kept as a copy beside the record. The file is written to its temporary file and then put
  // in place at once, so the old file stays whole until the new one is. As for any file the
  // installer writes: a folder of that name, or a file that is read-only or held by another
  // program, fails with "Cannot create file %s" naming target before anything is written, and so
  // does a file that cannot be written or put in place. A failure of produce passes through; the
  // file that was there stays as it was.
  void PlaceFile(const std::string& target, const FileSum& expected, const Producer& produce);

 private:
  void Append(const std::string& lines);
  void Note(const RecordLine& line);
  bool Wrote(const std::string& path) const;
  bool Names(const std::string& path) const;
  void KeepCopy(const std::string& target);
  std::string NewCopyName(const std::string& target) const;

  platform::Env& env_;
  std::string folder_;  // the product folder, ending in a backslash
  std::string path_;    // the record
  std::unique_ptr<platform::File> file_;
  std::vector<RecordLine> lines_;  // what the record holds, the earlier installations' too
};

}  // namespace installer
