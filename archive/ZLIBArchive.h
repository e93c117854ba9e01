#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveFormat.h"
#include "archive/Crc32.h"
#include "platform/Component.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

namespace platform {
class Env;
}

// The events of the archive component (a callback bound to an object; empty by default).
using TReplaceFileEvent = std::function<void(const std::string& Filename, bool& Replace)>;
using TFileExtractedEvent = std::function<void(const std::string& filename)>;
using TErrorLogEvent = std::function<void(const std::string& Msg)>;
using TProgressEvent = std::function<void(const std::string& Msg, int Percentage)>;
// Progress of AddFiles: files completely added so far, files in the batch, and source bytes
// read so far (including the part of the file being compressed).
using TBatchProgressEvent =
    std::function<void(int FilesDone, int FilesTotal, std::int64_t BytesDone)>;

// The running operation, which decides how a progress percentage is computed.
enum TArchiveActivity { actReadRegistry, actExtract, actAdd, actWriteRegistry, actIdle };

// Gives access to one archive file at a time: opens and verifies it, lists and extracts its
// members, begins new archives and appends files to them. The archive file is opened only for
// the length of each operation. Every failure is an Exception with an English message.
class TZLBArchive : public TComponent {
 public:
  explicit TZLBArchive(TComponent* owner = nullptr, platform::Env* env = nullptr);
  ~TZLBArchive() override;

  // --- reading ---
  // Opens and verifies an archive; false when FileName is empty. An archive whose registry puts
  // a member's data outside the member data, or over another member's, is refused.
  bool OpenArchive(const std::string& FileName);
  // Opens an archive as OpenArchive does, but without comparing the whole file with the
  // trailer's checksum: for rescuing what a damaged archive still holds, where each member is
  // then checked against its own CRC-32 (set CheckCRC). A member whose data is misplaced fails
  // alone, as corrupt, when it is extracted. A file too short for a trailer and a registry that
  // does not decode still fail as in OpenArchive.
  bool OpenArchiveForSalvage(const std::string& FileName);
  void CloseArchive();
  void GetFileEntry(int Index, TArchiveEntry& Entry) const;
  bool ExtractToStream(int Index, TStream& Dest);
  void ExtractFile(const std::string& DestDir, int Index);
  std::uint32_t CalcCRC(TStream& Stream, std::int64_t Skip);
  void BuildCRCTable();
  void DoProgress(TObject* Sender);

  int FileCount() const { return static_cast<int>(FEntries.size()); }
  const std::string& FileName() const { return FFileName; }
  bool IsNew() const { return FIsNew; }
  const TArchiveTrailer& Trailer() const { return FTrailer; }
  // What the component is doing: within an OnProgress handler, what the report is about (a
  // member's data being extracted or added, the registry being read or written, or nothing:
  // actIdle, whose reports carry the archive's name).
  TArchiveActivity Activity() const { return FActivity; }

  // --- updating ---
  void CreateArchive(const std::string& Name);
  void AddFile(const std::string& Source);
  // Adds the files in list order in one rewrite of the archive: the result is byte for byte
  // the archive that AddFile on each of them in turn would give, but the present members are
  // copied once and the archive is reopened once. All or nothing: when any file cannot be
  // added (it cannot be opened or read, its name is present already or earlier in the list,
  // it is too large) the archive and the component stay exactly as they were, no file is
  // created for a new archive, and the message names the file. An empty list changes nothing.
  //
  // BuildFile: where the new archive is assembled. Empty: in a temporary file of its own
  // (MakeTempFileName), which takes the archive's place once complete. Otherwise an empty file
  // the caller made and keeps: the new archive is assembled in it and left there, the archive's
  // own file is not touched, and afterwards the component has BuildFile open as its archive;
  // putting it in place is the caller's step. It may be the archive's own file only while that
  // is empty (an empty file opened as an archive without members); with member data in it, it is
  // refused as in use before anything is written. After a failure the file holds nothing of use
  // and is the caller's to remove.
  void AddFiles(const std::vector<std::string>& Sources, const std::string& BuildFile = "");
  int IndexOfFile(const std::string& Name) const;
  void WriteRegistry(TStream& Dest);
  // A new, empty temporary file in the system's temporary folder for a rewrite to be assembled
  // in. When none can be made, fails as opening it would ("Cannot open file "), with the
  // system's reason as the cause.
  virtual std::string MakeTempFileName();
  virtual void ListDirectory(const std::string& Dir, std::vector<std::string>& Files);

  // --- properties ---
  TFileCompressionLevel CompressionLevel() const { return FCompressionLevel; }
  void SetCompressionLevel(TFileCompressionLevel value) { FCompressionLevel = value; }
  bool ExtractWithPath() const { return FExtractWithPath; }
  void SetExtractWithPath(bool value) { FExtractWithPath = value; }
  bool CheckCRC() const { return FCheckCRC; }
  void SetCheckCRC(bool value) { FCheckCRC = value; }
  bool SavePaths() const { return FSavePaths; }
  void SetSavePaths(bool value) { FSavePaths = value; }
  bool RecursePaths() const { return FRecursePaths; }
  void SetRecursePaths(bool value) { FRecursePaths = value; }

  // --- events ---
  TReplaceFileEvent OnReplaceFile;
  TFileExtractedEvent OnFileExtracted;
  TNotifyEvent OnArchiveOpened;
  TFileExtractedEvent OnStreamExtracted;  // stored, never raised
  TErrorLogEvent OnErrorLogged;           // stored, never raised
  TProgressEvent OnProgress;
  TBatchProgressEvent OnBatchProgress;  // raised by AddFiles only

 protected:
  platform::Env& Env() const { return *env_; }

  bool FIsNew = false;
  std::string FFileName;
  TArchiveTrailer FTrailer;
  std::vector<std::unique_ptr<TArchiveEntry>> FEntries;
  TFileCompressionLevel FCompressionLevel = fcDefault;
  bool FExtractWithPath = false;
  bool FRecursePaths = false;
  bool FSavePaths = false;
  bool FCheckCRC = false;
  TCRCTable FCRCTable{};
  TArchiveActivity FActivity = actIdle;
  std::string FActivityText;
  std::int32_t FActivityTotal = 0;
  std::int32_t FActivityDone = 0;

 private:
  // Assembles the archive with Sources appended in a temporary file and puts it in the
  // archive's place, or assembles it in buildFile and leaves it there (see AddFiles); batch
  // selects AddFiles' duplicate check, messages and progress.
  void Rewrite(const std::vector<std::string>& Sources, bool batch, const std::string& buildFile);
  // Compresses Source (reading it once unless it must be stored) and appends it to out as a
  // new member whose record goes to the end of FEntries. bytesDone: the batch's source bytes
  // read so far, advanced by this file's size.
  void AppendMember(TStream& out, const std::string& Source, bool batch, int filesDone,
                    int filesTotal, std::int64_t& bytesDone);
  // WriteRegistry; the archive CRC comes from tracked when it covers all of Dest.
  void WriteRegistryTo(TStream& Dest, const class TCrcWriteStream* tracked);

  platform::Env* env_;
  // Set only while OpenArchiveForSalvage runs: the whole-file check is skipped, and a member
  // whose data is misplaced fails alone instead of the whole archive.
  bool salvaging_ = false;
  // Per entry of the open archive: its data lies outside the member data or shares bytes with
  // another member's, so it is refused. Found once when the archive is opened.
  std::vector<bool> misplaced_;
  std::unique_ptr<archive::Crc32Engine> crc_;  // built from FCRCTable by BuildCRCTable
};
