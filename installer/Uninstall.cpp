#include "installer/Uninstall.h"

#include <algorithm>

#include "installer/InstallLog.h"
#include "installer/InstallRecord.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/Exception.h"
#include "platform/WinNames.h"

namespace installer {

namespace {

// A file the record tells of: the last sum an installation wrote it with, and the first file
// that was there before.
struct Recorded {
  std::string path;
  std::optional<FileSum> written;
  std::optional<RecordLine> before;
};

// A path as compared with another: letters folded, one kind of separator, none at the end.
std::string Comparable(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return platform::FoldAsciiCase(platform::WithoutTrailingSeparators(path));
}

std::vector<Recorded> FilesOf(const std::vector<RecordLine>& lines) {
  std::vector<Recorded> files;
  for (const RecordLine& line : lines) {
    if (line.kind == RecordLine::Kind::kFolder) {
      continue;
    }
    auto known = std::find_if(files.begin(), files.end(), [&](const Recorded& file) {
      return Comparable(file.path) == Comparable(line.path);
    });
    if (known == files.end()) {
      files.push_back({line.path, std::nullopt, std::nullopt});
      known = files.end() - 1;
    }
    if (line.kind == RecordLine::Kind::kFile) {
      known->written = line.sum;
    } else if (!known->before) {
      known->before = line;
    }
  }
  return files;
}

class Uninstaller {
 public:
  Uninstaller(platform::Env& env, InstallLog* log) : env_(env), log_(log) {}

  void Settle(const Recorded& file);
  void RemoveTemporary(const std::string& target);
  void RemoveFolder(const std::string& folder);
  void Delete(const std::string& path);

  UninstallReport report;

 private:
  void Restore(const std::string& copy, const std::string& target);
  void Keep(const std::string& path, const std::string& why);
  void Log(const std::string& text) {
    if (log_ != nullptr) {
      log_->Line(text);
    }
  }

  platform::Env& env_;
  InstallLog* log_;
};

// Decides by what is on the disk now, so that a second run after a killed one finds each file
// either settled already or still as the first run found it.
void Uninstaller::Settle(const Recorded& file) {
  const std::string& path = file.path;
  const std::string copy = file.before ? file.before->copy : "";
  if (env_.FolderExists(path)) {
    Keep(path, "a folder has taken its place");
    return;
  }
  const std::optional<FileSum> now = SumOfFile(env_, path);
  const bool copyThere = file.before && env_.FileExists(copy);
  const bool asWritten = file.written && now == file.written;
  const bool asBefore = file.before && now == file.before->sum;

  if (asWritten && !file.before) {
    Delete(path);
    report.removed.push_back(path);
    Log("removed " + platform::AnsiToUtf8(path));
  } else if (asBefore) {
    // Never replaced (the installation ended before), or given back already.
    if (copyThere) {
      Delete(copy);
    }
  } else if ((asWritten || !now) && copyThere) {
    Restore(copy, path);
  } else if (asWritten) {
    Keep(path, "its earlier version " + platform::AnsiToUtf8(copy) + " is missing");
  } else if (now) {
    Keep(path, copyThere ? "it changed since the installation; its earlier version is " +
                               platform::AnsiToUtf8(copy)
                         : std::string("it changed since the installation"));
  }
}

void Uninstaller::RemoveTemporary(const std::string& target) {
  const std::string temp = TemporaryNameOf(target);
  if (env_.FileExists(temp)) {
    Delete(temp);
  }
}

void Uninstaller::RemoveFolder(const std::string& folder) {
  const platform::Status removed = env_.DeleteFolder(folder);
  const std::string shown = platform::AnsiToUtf8(folder);
  if (removed) {
    Log("removed folder " + shown);
  } else if (removed.Why() == platform::Reason::kAlreadyExists) {
    report.keptFolders.push_back(folder);
    Log("kept folder " + shown + ": it is not empty");
  } else if (removed.Why() != platform::Reason::kNotFound &&
             removed.Why() != platform::Reason::kNotFolder) {
    throw Exception(FormatMessage("Cannot remove folder %s", folder), removed.Text());
  }
}

void Uninstaller::Delete(const std::string& path) {
  const platform::Status deleted = env_.DeleteFile(path);
  if (!deleted && deleted.Why() != platform::Reason::kNotFound) {
    throw Exception(FormatMessage("Cannot delete file %s", path), deleted.Text());
  }
}

// Puts the copy in the file's place in one step: the file is either still the installed one or
// already the earlier one.
void Uninstaller::Restore(const std::string& copy, const std::string& target) {
  if (const platform::Status put = env_.ReplaceFile(copy, target); !put) {
    throw Exception(FormatMessage("Cannot restore file %s", target), put.Text());
  }
  report.restored.push_back(target);
  Log("restored " + platform::AnsiToUtf8(target) + " from " + platform::AnsiToUtf8(copy));
}

void Uninstaller::Keep(const std::string& path, const std::string& why) {
  report.kept.push_back({path, why});
  Log("kept " + platform::AnsiToUtf8(path) + ": " + why);
}

}  // namespace

std::optional<UninstallReport> Uninstall(platform::Env* env, const std::string& productDir,
                                         InstallLog* log) {
  const std::string recordPath = RecordPath(productDir);
  const std::optional<std::string> text = ReadRecordText(*env, recordPath);
  if (!text) {
    return std::nullopt;
  }
  const std::vector<RecordLine> lines = ParseRecord(*text);
  Uninstaller uninstaller(*env, log);
  for (const Recorded& file : FilesOf(lines)) {
    uninstaller.Settle(file);
    uninstaller.RemoveTemporary(file.path);
  }

  // The folders in the opposite order of their making, so that one made inside another goes
  // first; the product folder holds the record and goes after it.
  const std::string productFolder = Comparable(platform::FolderPart(recordPath));
  bool productFolderMade = false;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (line->kind != RecordLine::Kind::kFolder) {
      continue;
    }
    if (Comparable(line->path) == productFolder) {
      productFolderMade = true;
    } else {
      uninstaller.RemoveFolder(line->path);
    }
  }
  uninstaller.Delete(recordPath);
  if (log != nullptr) {
    log->Line("removed the installation record " + platform::AnsiToUtf8(recordPath));
  }
  if (productFolderMade) {
    uninstaller.RemoveFolder(platform::FolderPart(recordPath));
  }
  return std::move(uninstaller.report);
}

}  // namespace installer
