#include "installer/InstallRecord.h"

#include <cstdio>

#include "archive/Crc32.h"
#include "archive/CrcStreams.h"
#include "archive/FileHelpers.h"
#include "platform/BufferedStreams.h"
#include "platform/Env.h"
#include "platform/Exception.h"
#include "platform/Stream.h"
#include "platform/WinNames.h"

namespace installer {

namespace {

constexpr char kFirstLine[] = "; Installation record of Quorin, written by InstallQuorin";
constexpr char kSecondLine[] =
    "; \"InstallQuorin --uninstall\" takes away what is listed here; please leave it as it is";
// Far more than an installation writes (a line per file and folder), far less than memory.
constexpr std::size_t kLargestRecord = 1 << 20;
constexpr std::size_t kPiece = 64 * 1024;

const archive::Crc32Engine& Engine() {
  static const archive::Crc32Engine engine(archive::BuildCRC32Table());
  return engine;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  for (std::size_t pos = 0;;) {
    const std::size_t tab = line.find('\t', pos);
    fields.push_back(line.substr(pos, tab == std::string::npos ? tab : tab - pos));
    if (tab == std::string::npos) {
      return fields;
    }
    pos = tab + 1;
  }
}

std::optional<std::int64_t> ParseSize(const std::string& text) {
  if (text.empty() || text.size() > 18) {
    return std::nullopt;
  }
  std::int64_t size = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    size = size * 10 + (c - '0');
  }
  return size;
}

std::optional<std::uint32_t> ParseCrc(const std::string& text) {
  if (text.size() != 8) {
    return std::nullopt;
  }
  std::uint32_t crc = 0;
  for (const char c : text) {
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) {
      return std::nullopt;
    }
    crc = crc << 4 | static_cast<std::uint32_t>(digit);
  }
  return crc;
}

std::optional<RecordLine> ParseLine(const std::string& line) {
  const std::vector<std::string> f = Fields(line);
  RecordLine parsed;
  if (f[0] == "folder" && f.size() == 2) {
    parsed.kind = RecordLine::Kind::kFolder;
    parsed.path = f[1];
    return parsed.path.empty() ? std::nullopt : std::optional(parsed);
  }
  const bool file = f[0] == "file" && f.size() == 4;
  const bool kept = f[0] == "kept" && f.size() == 5;
  if (!file && !kept) {
    return std::nullopt;
  }
  const auto size = ParseSize(f[1]);
  const auto crc = ParseCrc(f[2]);
  parsed.kind = file ? RecordLine::Kind::kFile : RecordLine::Kind::kKept;
  parsed.path = f.back();
  if (kept) {
    parsed.copy = f[3];
  }
  if (!size || !crc || parsed.path.empty() || (kept && parsed.copy.empty())) {
    return std::nullopt;
  }
  parsed.sum = {*size, *crc};
  return parsed;
}

EFCreateError CannotCreate(const std::string& path, const std::string& cause) {
  return EFCreateError(FormatMessage("Cannot create file %s", path), cause);
}

// Copies a file and makes sure the copy is on the disk before anything else happens.
void CopyDurably(platform::Env& env, const std::string& from, const std::string& to) {
  TFileStream in(from, TFileMode::fmOpenReadDenyWrite, &env);
  auto opened = env.OpenFile(to, TFileMode::fmCreate);
  if (!opened) {
    throw CannotCreate(to, opened.Failure().Text());
  }
  platform::File& out = *opened.Value();
  std::string piece(kPiece, '\0');
  try {
    while (const std::size_t count = in.Read(piece.data(), piece.size())) {
      if (out.Write(piece.data(), count) != count) {
        throw CannotCreate(to, "");
      }
    }
  } catch (const EWriteError& failure) {
    throw CannotCreate(to, failure.Cause());
  }
  if (const platform::Status synced = out.Sync(); !synced) {
    throw CannotCreate(to, synced.Text());
  }
  if (const platform::Status closed = out.Close(); !closed) {
    throw CannotCreate(to, closed.Text());
  }
}

}  // namespace

FileSum SumOf(const std::string& bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  return {static_cast<std::int64_t>(bytes.size()),
          Engine().Update(0xFFFFFFFFu, data, bytes.size()) ^ 0xFFFFFFFFu};
}

std::optional<FileSum> SumOfFile(platform::Env& env, const std::string& path) {
  if (!env.FileExists(path)) {
    return std::nullopt;
  }
  TFileStream in(path, TFileMode::fmOpenReadDenyWrite, &env);
  FileSum sum;
  std::uint32_t crc = 0xFFFFFFFFu;
  std::uint8_t piece[kPiece];
  while (const std::size_t count = in.Read(piece, sizeof piece)) {
    crc = Engine().Update(crc, piece, count);
    sum.size += static_cast<std::int64_t>(count);
  }
  sum.crc = crc ^ 0xFFFFFFFFu;
  return sum;
}

std::string FormatRecordLine(const RecordLine& line) {
  std::string text;
  switch (line.kind) {
    case RecordLine::Kind::kFolder:
      return "folder\t" + line.path + "\r\n";
    case RecordLine::Kind::kFile:
      text = "file\t";
      break;
    case RecordLine::Kind::kKept:
      text = "kept\t";
      break;
  }
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(line.sum.crc));
  text += std::to_string(line.sum.size) + "\t" + crc + "\t";
  if (line.kind == RecordLine::Kind::kKept) {
    text += line.copy + "\t";
  }
  return text + line.path + "\r\n";
}

std::vector<RecordLine> ParseRecord(const std::string& text) {
  std::vector<RecordLine> lines;
  for (std::size_t pos = 0;;) {
    const std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) {
      return lines;  // what follows the last line ending was cut short
    }
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (line.empty() || line.front() == ';') {
      continue;
    }
    if (auto parsed = ParseLine(line)) {
      lines.push_back(std::move(*parsed));
    }
  }
}

std::string AbsolutePath(platform::Env& env, const std::string& path) {
  if (path.empty() || platform::IsSeparator(path.front()) || platform::HasDriveLetter(path)) {
    return path;
  }
  const std::string current = env.CurrentFolder();
  return current.empty() ? path : platform::WithTrailingSeparator(current) + path;
}

std::string RecordPath(const std::string& productDir) {
  std::string path = productDir;
  if (path.empty() || !platform::IsSeparator(path.back())) {
    path += '\\';
  }
  return path + kRecordFileName;
}

std::optional<std::string> ReadRecordText(platform::Env& env, const std::string& recordPath) {
  if (!env.FileExists(recordPath)) {
    return std::nullopt;
  }
  TFileStream in(recordPath, TFileMode::fmOpenReadDenyWrite, &env);
  std::string text;
  char piece[4096];
  while (const std::size_t count = in.Read(piece, sizeof piece)) {
    text.append(piece, count);
    if (text.size() > kLargestRecord) {
      break;
    }
  }
  if (!text.empty() && (text.size() > kLargestRecord || text.rfind(kFirstLine, 0) != 0)) {
    throw Exception(FormatMessage("The file %s is not an installation record", recordPath));
  }
  return text;
}

std::string TemporaryNameOf(const std::string& target) {
  return target + ".InstallQuorin.tmp";
}

InstallRecord::InstallRecord(platform::Env& env, const std::string& productDir,
                             const std::vector<std::string>& createdFolders)
    : env_(env), folder_(productDir), path_(RecordPath(productDir)) {
  std::string lines;
  const std::optional<std::string> earlier = ReadRecordText(env_, path_);
  if (earlier) {
    lines_ = ParseRecord(*earlier);
    if (!earlier->empty() && earlier->back() != '\n') {
      // Ends the line an installation left unfinished (on a full disk, say) with an empty
      // field, which no line may have, so that what was cut short stays unread.
      lines = "\t\r\n";
    }
  }
  if (!earlier || earlier->empty()) {
    lines = std::string(kFirstLine) + "\r\n" + kSecondLine + "\r\n";
  }
  auto opened =
      env_.OpenFile(path_, earlier ? TFileMode::fmOpenReadWriteExclusive : TFileMode::fmCreate);
  if (!opened) {
    throw CannotCreate(path_, opened.Failure().Text());
  }
  file_ = std::move(opened).Value();
  file_->Seek(0, TSeekOrigin::soEnd);
  for (const std::string& folder : createdFolders) {
    const RecordLine line{RecordLine::Kind::kFolder, folder, {}, ""};
    lines += FormatRecordLine(line);
    lines_.push_back(line);
  }
  Append(lines);
}

InstallRecord::~InstallRecord() = default;

void InstallRecord::Append(const std::string& lines) {
  if (lines.empty()) {
    return;
  }
  try {
    if (file_->Write(lines.data(), lines.size()) != lines.size()) {
      throw CannotCreate(path_, "");
    }
  } catch (const EWriteError& failure) {
    throw CannotCreate(path_, failure.Cause());
  }
  if (const platform::Status synced = file_->Sync(); !synced) {
    throw CannotCreate(path_, synced.Text());
  }
}

void InstallRecord::Note(const RecordLine& line) {
  Append(FormatRecordLine(line));
  lines_.push_back(line);
}

// Whether an installation wrote the file: then it is the product's, and a new one replaces it
// without a copy.
bool InstallRecord::Wrote(const std::string& path) const {
  for (const RecordLine& line : lines_) {
    if (line.kind == RecordLine::Kind::kFile && platform::EqualFolded(line.path, path)) {
      return true;
    }
  }
  return false;
}

bool InstallRecord::Names(const std::string& path) const {
  for (const RecordLine& line : lines_) {
    if (platform::EqualFolded(line.path, path) || platform::EqualFolded(line.copy, path)) {
      return true;
    }
  }
  return false;
}

void InstallRecord::PlaceFile(const std::string& target, const FileSum& expected,
                              const Producer& produce) {
  if (env_.FolderExists(target)) {
    throw CannotCreate(target, platform::SystemText(platform::Reason::kIsFolder));
  }
  if (env_.FileExists(target)) {
    // Windows opens the file it overwrites: one that is read-only or held by another program
    // is refused, and stays as it is.
    if (const auto opened = env_.OpenFile(target, TFileMode::fmOpenReadWriteExclusive); !opened) {
      throw CannotCreate(target, opened.Failure().Text());
    }
    if (!Wrote(target)) {
      KeepCopy(target);
    }
  }
  Note({RecordLine::Kind::kFile, target, expected, ""});

  archive::TemporaryFile temp(env_, TemporaryNameOf(target));
  FileSum written;
  {
    std::unique_ptr<TFileStream> out;
    try {
      out = std::make_unique<TFileStream>(temp.Name(), TFileMode::fmCreate, &env_);
    } catch (const Exception& failure) {
      throw CannotCreate(target, failure.Cause());
    }
    TCrcWriteStream summed(*out, Engine());
    TWriteBufferedStream buffered(summed, kPiece);
    produce(buffered);
    // Closed here, not by the destructor, so that a failure the system reports only at the
    // close (the disk full at the very end) stops the placement instead of being passed over.
    try {
      buffered.Flush();
      out->Close();
    } catch (const Exception& failure) {
      throw CannotCreate(target, failure.Cause());
    }
    written = {summed.Position(), summed.Crc()};
  }
  if (written != expected) {
    Note({RecordLine::Kind::kFile, target, written, ""});
  }
  if (const platform::Status placed = env_.ReplaceFile(temp.Name(), target); !placed) {
    throw CannotCreate(target, placed.Text());
  }
  temp.Release();
}

void InstallRecord::KeepCopy(const std::string& target) {
  const std::optional<FileSum> before = SumOfFile(env_, target);
  if (!before) {
    return;  // gone meanwhile: nothing to keep
  }
  const std::string copy = NewCopyName(target);
  Note({RecordLine::Kind::kKept, target, *before, copy});
  CopyDurably(env_, target, copy);
}

// "Uninstall-1-rules.ini" beside the record: a name that nothing holds and that the record does
// not mention yet.
std::string InstallRecord::NewCopyName(const std::string& target) const {
  for (int n = 1; n <= 1000; ++n) {
    const std::string copy =
        folder_ + "Uninstall-" + std::to_string(n) + "-" + platform::NamePart(target);
    if (!env_.FileExists(copy) && !env_.FolderExists(copy) && !Names(copy)) {
      return copy;
    }
  }
  throw CannotCreate(folder_ + "Uninstall-1-" + platform::NamePart(target),
                     platform::SystemText(platform::Reason::kAlreadyExists));
}

}  // namespace installer
