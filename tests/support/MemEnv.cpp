#include "tests/support/MemEnv.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/WinNames.h"

using platform::Reason;
using platform::Status;

// A file's bytes and who has it open.
struct MemEnv::Data {
  std::vector<std::uint8_t> bytes;
  int readers = 0;         // opened for reading, others may read too
  bool exclusive = false;  // opened for writing, shared with nobody
};

namespace {

// platform::FoldAscii and platform::IsSeparator, inlined: lookups run them for every character
// of every path.
inline char Fold(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline bool Separator(char c) {
  return c == '\\' || c == '/';
}

// Orders names as Windows tells them apart: with ASCII letters folded. Transparent, so that a
// name is looked up where it stands in a path, without a copy.
struct FoldedLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
      const char x = Fold(a[i]);
      const char y = Fold(b[i]);
      if (x != y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
      }
    }
    return a.size() < b.size();
  }
};

}  // namespace

// A folder (with its items by name, letter case folded) or a file.
struct MemEnv::Node {
  std::string name;  // as stored
  bool isFolder = true;
  std::map<std::string, std::unique_ptr<Node>, FoldedLess> items;  // folders only, by name
  std::shared_ptr<Data> data;                                      // files only

  std::unique_ptr<Node> Copy() const {
    auto copy = std::make_unique<Node>();
    copy->name = name;
    copy->isFolder = isFolder;
    if (data) {
      copy->data = std::make_shared<Data>();
      copy->data->bytes = data->bytes;
    }
    for (const auto& [name, item] : items) {
      copy->items[name] = item->Copy();
    }
    return copy;
  }
};

// The outcome of looking a path up.
struct MemEnv::Place {
  Status status;           // a failure when the path names nothing (then the rest is empty)
  Node* parent = nullptr;  // the folder that holds the last component
  std::string name;        // the last component, as given but trimmed
  Node* node = nullptr;    // what the path names, nullptr when nothing is there yet
  std::vector<std::string> components;  // every component, the drive first, as stored if found
  bool trailingSeparator = false;
  bool refused = false;  // a component holds a character Windows refuses
};

namespace {

// One component as a lookup takes it: trailing dots and blanks removed, "." and ".." aside.
std::string_view Trimmed(std::string_view name) {
  if (name == "." || name == "..") {
    return name;
  }
  const std::size_t end = name.find_last_not_of(". ");
  return end == std::string_view::npos ? std::string_view() : name.substr(0, end + 1);
}

bool Usable(std::string_view name) {
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '\0' || Separator(c) || platform::IsRefusedCharacter(c);
  });
}

Status Failed(Reason why) {
  return Status::Of(why);
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A file open in memory. Its data stays alive while it is open, whatever happens to its name.
class MemFile : public platform::File {
 public:
  // Made by the environment with its lock held.
  MemFile(std::shared_ptr<MemEnv::Data> data, TFileMode mode, std::shared_ptr<MemEnv::Books> books)
      : data_(std::move(data)), mode_(mode), books_(std::move(books)) {
    ++books_->openFiles;
  }
  ~MemFile() override { Release(); }

  std::size_t Read(void* buffer, std::size_t count) override {
    if (!data_) {
      throw EReadError("Stream read error", platform::SystemText(Reason::kIoError));
    }
    const std::vector<std::uint8_t>& bytes = data_->bytes;
    if (position_ >= bytes.size()) {
      return 0;
    }
    const std::size_t n = std::min(count, bytes.size() - position_);
    std::memcpy(buffer, bytes.data() + position_, n);
    position_ += n;
    return n;
  }

  std::size_t Write(const void* buffer, std::size_t count) override {
    if (count == 0) {
      return 0;  // as on the host, where no bytes make no call
    }
    if (!data_ || mode_ == TFileMode::fmOpenReadDenyWrite) {
      throw EWriteError("Stream write error", platform::SystemText(Reason::kIoError));
    }
    std::vector<std::uint8_t>& bytes = data_->bytes;
    try {
      if (position_ + count > bytes.size()) {
        bytes.resize(position_ + count);
      }
    } catch (const std::exception&) {
      // More than memory holds: the disk is full.
      throw EWriteError("Stream write error", platform::SystemText(Reason::kNoSpace));
    }
    std::memcpy(bytes.data() + position_, buffer, count);
    position_ += count;
    return count;
  }

  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    if (!data_) {
      return -1;
    }
    std::int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent) {
      base = static_cast<std::int64_t>(position_);
    } else if (origin == TSeekOrigin::soEnd) {
      base = static_cast<std::int64_t>(data_->bytes.size());
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0) {
      return -1;
    }
    position_ = static_cast<std::size_t>(target);
    return target;
  }

  platform::Status Sync() override { return data_ ? Status() : Failed(Reason::kIoError); }

  platform::Status Close() override {
    Release();
    return Status();
  }

 private:
  void Release() {
    if (!data_) {
      return;
    }
    const std::lock_guard<std::recursive_mutex> hold(books_->lock);
    if (mode_ == TFileMode::fmOpenReadDenyWrite) {
      --data_->readers;
    } else {
      data_->exclusive = false;
    }
    data_.reset();
    --books_->openFiles;
  }

  std::shared_ptr<MemEnv::Data> data_;
  TFileMode mode_;
  std::shared_ptr<MemEnv::Books> books_;
  std::size_t position_ = 0;
};

}  // namespace

MemEnv::MemEnv(const std::string& drives)
    : root_(std::make_unique<Node>()), books_(std::make_shared<Books>()) {
  for (char letter : drives) {
    auto drive = std::make_unique<Node>();
    drive->name = std::string(1, platform::FoldAscii(letter)) + ":";
    root_->items[drive->name] = std::move(drive);
  }
  if (drives.empty()) {
    throw std::invalid_argument("MemEnv needs a drive");
  }
  current_ = {std::string(1, platform::FoldAscii(drives[0])) + ":"};
  tempFolder_ = FullName(current_) + "Temp\\";
  CreateFolder(tempFolder_);
}

MemEnv::~MemEnv() = default;

MemEnv::MemEnv(const MemEnv& other)
    : Env(),
      root_(other.root_->Copy()),
      current_(other.current_),
      tempFolder_(other.tempFolder_),
      nextTemp_(other.nextTemp_),
      books_(std::make_shared<Books>()) {}

MemEnv::Place MemEnv::Find(const std::string& path, bool withComponents) const {
  Place place;
  if (path.empty() || path.find('\0') != std::string::npos ||
      (path.size() >= 2 && Separator(path[0]) && Separator(path[1]))) {
    place.status = Failed(Reason::kNotFound);  // nothing, or a network name
    return place;
  }
  // The components, the drive first, as views of the path and of the current folder; kept
  // between calls, so that a lookup costs no allocation.
  thread_local std::vector<std::string_view> components;
  components.clear();
  char drive[2] = {0, ':'};
  std::size_t at = 0;
  if (path.size() >= 2 && path[1] == ':' && IsLetter(path[0])) {
    drive[0] = Fold(path[0]);
    components.emplace_back(drive, 2);
    at = 2;  // "X:name" is taken from the drive's root too
  } else if (Separator(path[0])) {
    components.emplace_back(current_.front());
  } else {
    components.assign(current_.begin(), current_.end());
  }
  place.trailingSeparator = !path.empty() && Separator(path.back());
  const std::string_view text(path);
  while (at <= text.size()) {
    std::size_t end = at;
    while (end < text.size() && !Separator(text[end])) {
      ++end;
    }
    const std::string_view name = Trimmed(text.substr(at, end - at));
    at = end + 1;
    if (name.empty() || name == ".") {
      continue;
    }
    if (name == "..") {
      if (components.size() > 1) {
        components.pop_back();
      }
      continue;
    }
    if (!Usable(name)) {
      place.refused = true;
    }
    components.push_back(name);
  }

  // Down the tree: every component but the last must be a folder.
  Node* folder = root_.get();
  for (std::size_t i = 0; i < components.size(); ++i) {
    const bool last = i + 1 == components.size();
    const auto found = folder->items.find(components[i]);
    if (place.refused || found == folder->items.end()) {
      if (!last || i == 0) {
        place.status = Failed(place.refused ? Reason::kInvalidName : Reason::kNotFound);
        return place;
      }
      place.parent = folder;
      place.name = std::string(components[i]);
      break;
    }
    components[i] = found->second->name;
    if (last) {
      place.parent = i == 0 ? nullptr : folder;  // a drive's root: no folder holds it
      place.name = found->second->name;
      place.node = found->second.get();
      break;
    }
    if (!found->second->isFolder) {
      place.status = Failed(Reason::kNotFolder);
      return place;
    }
    folder = found->second.get();
  }
  if (withComponents) {
    place.components.assign(components.begin(), components.end());
  }
  return place;
}

std::string MemEnv::FullName(const std::vector<std::string>& components) const {
  std::string full;
  for (std::size_t i = 0; i < components.size(); ++i) {
    full +=
        i == 0 ? std::string(1, static_cast<char>(components[0][0] & ~0x20)) + ":" : components[i];
    if (i == 0 || i + 1 < components.size()) {
      full += '\\';
    }
  }
  return full;
}

void MemEnv::Put(const std::string& path, const std::string& content) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  platform::ForceFolders(*this, platform::FolderPart(path));
  auto file = OpenFile(path, TFileMode::fmCreate);
  if (!file) {
    throw std::runtime_error("MemEnv cannot hold a file at " + path);
  }
  file.Value()->Write(content.data(), content.size());
}

namespace {

void Collect(const MemEnv::Node& folder, const std::string& prefix,
             std::map<std::string, std::string>* files, std::vector<std::string>* folders) {
  for (const auto& [key, item] : folder.items) {
    const std::string full = prefix + item->name;
    if (item->isFolder) {
      if (folders != nullptr) {
        folders->push_back(full);
      }
      Collect(*item, full + "\\", files, folders);
    } else if (files != nullptr) {
      (*files)[full] = std::string(item->data->bytes.begin(), item->data->bytes.end());
    }
  }
}

}  // namespace

std::map<std::string, std::string> MemEnv::Files() const {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  std::map<std::string, std::string> files;
  for (const auto& [key, drive] : root_->items) {
    Collect(*drive, FullName({drive->name}), &files, nullptr);
  }
  return files;
}

std::vector<std::string> MemEnv::Folders() const {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  std::vector<std::string> folders;
  for (const auto& [key, drive] : root_->items) {
    Collect(*drive, FullName({drive->name}), nullptr, &folders);
  }
  return folders;
}

std::string MemEnv::Canonical(const std::string& path) const {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  const Place place = Find(path, true);
  return place.status ? platform::FoldAsciiCase(FullName(place.components)) : std::string();
}

int MemEnv::OpenFiles() const {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  return books_->openFiles;
}

platform::Result<std::unique_ptr<platform::File>> MemEnv::OpenFile(const std::string& path,
                                                                   TFileMode mode) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  const bool creating = mode == TFileMode::fmCreate;
  Place place = Find(path);
  if (!place.status) {
    return place.status.Why() == Reason::kInvalidName && !creating ? Failed(Reason::kNotFound)
                                                                   : place.status;
  }
  if (place.node != nullptr && place.node->isFolder) {
    return Failed(Reason::kIsFolder);
  }
  if (place.trailingSeparator) {
    return Failed(place.node != nullptr ? Reason::kNotFolder : Reason::kIsFolder);
  }
  if (place.node == nullptr) {
    if (!creating) {
      return Failed(Reason::kNotFound);
    }
    if (platform::IsDeviceName(place.name)) {
      return Failed(Reason::kInvalidName);
    }
    auto node = std::make_unique<Node>();
    node->name = place.name;
    node->isFolder = false;
    node->data = std::make_shared<Data>();
    place.node = node.get();
    place.parent->items[place.name] = std::move(node);
  }
  Data& data = *place.node->data;
  if (mode != TFileMode::fmOpenReadDenyWrite) {
    if (data.readers > 0 || data.exclusive) {
      return Failed(Reason::kInUse);
    }
    data.exclusive = true;
    if (creating) {
      data.bytes.clear();
    }
  } else {
    if (data.exclusive) {
      return Failed(Reason::kInUse);
    }
    ++data.readers;
  }
  return std::unique_ptr<platform::File>(std::make_unique<MemFile>(place.node->data, mode, books_));
}

bool MemEnv::FileExists(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  const Place place = Find(path);
  return place.node != nullptr && !place.node->isFolder && !place.trailingSeparator;
}

bool MemEnv::FolderExists(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  const Place place = Find(path);
  return place.node != nullptr && place.node->isFolder;
}

Status MemEnv::CreateFolder(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  const Place place = Find(path);
  if (!place.status) {
    return place.status;
  }
  if (place.node != nullptr) {
    return Failed(Reason::kAlreadyExists);
  }
  if (platform::IsDeviceName(place.name)) {
    return Failed(Reason::kInvalidName);
  }
  auto node = std::make_unique<Node>();
  node->name = place.name;
  place.parent->items[place.name] = std::move(node);
  return Status();
}

Status MemEnv::Missing(const Place& place) {
  if (!place.status) {
    // A name no item can have names no item.
    return place.status.Why() == Reason::kInvalidName ? Failed(Reason::kNotFound) : place.status;
  }
  return place.node == nullptr ? Failed(Reason::kNotFound) : Status();
}

Status MemEnv::DeleteFile(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  const Place place = Find(path);
  if (const Status missing = Missing(place); !missing) {
    return missing;
  }
  if (place.node->isFolder) {
    return Failed(Reason::kIsFolder);
  }
  place.parent->items.erase(place.name);
  return Status();
}

Status MemEnv::DeleteFolder(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  const Place place = Find(path);
  if (const Status missing = Missing(place); !missing) {
    return missing;
  }
  if (!place.node->isFolder || place.parent == nullptr) {
    return Failed(place.node->isFolder ? Reason::kAccessDenied : Reason::kNotFolder);
  }
  if (!place.node->items.empty()) {
    return Failed(Reason::kAlreadyExists);
  }
  place.parent->items.erase(place.name);
  return Status();
}

namespace {

// Whether `inner` lies in the tree of `outer` (or is it).
bool Within(const MemEnv::Node* outer, const MemEnv::Node* inner) {
  if (outer == inner) {
    return true;
  }
  for (const auto& [key, item] : outer->items) {
    if (Within(item.get(), inner)) {
      return true;
    }
  }
  return false;
}

}  // namespace

Status MemEnv::MoveFile(const std::string& from, const std::string& to) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  const Place source = Find(from);
  if (const Status missing = Missing(source); !missing) {
    return missing;
  }
  if (source.parent == nullptr) {
    return Failed(Reason::kAccessDenied);
  }
  const Place target = Find(to);
  if (!target.status) {
    return target.status;
  }
  if (target.node != nullptr) {
    return Failed(Reason::kAlreadyExists);
  }
  if (platform::IsDeviceName(target.name)) {
    return Failed(Reason::kInvalidName);
  }
  if (Within(source.node, target.parent)) {
    return Failed(Reason::kInvalidName);  // a folder into itself
  }
  const auto moved = source.parent->items.find(source.name);
  std::unique_ptr<Node> node = std::move(moved->second);
  source.parent->items.erase(moved);
  node->name = target.name;
  target.parent->items[target.name] = std::move(node);
  return Status();
}

Status MemEnv::RenameFile(const std::string& source, const std::string& target) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  const Place from = Find(source);
  if (const Status missing = Missing(from); !missing) {
    return missing;
  }
  if (from.node->isFolder) {
    return Failed(Reason::kIsFolder);
  }
  const Place to = Find(target);
  if (!to.status) {
    return to.status;
  }
  if (to.node != nullptr && to.node->isFolder) {
    // As on the host: a folder with something in it is a name taken.
    return Failed(to.node->items.empty() ? Reason::kIsFolder : Reason::kAlreadyExists);
  }
  if (to.node == nullptr && platform::IsDeviceName(to.name)) {
    return Failed(Reason::kInvalidName);
  }
  if (to.node == from.node) {
    return Status();
  }
  const auto moved = from.parent->items.find(from.name);
  std::unique_ptr<Node> node = std::move(moved->second);
  from.parent->items.erase(moved);
  // A replaced file keeps its name as stored, as a rename onto it on the host does.
  node->name = to.name;
  to.parent->items.erase(to.name);
  to.parent->items[node->name] = std::move(node);
  return Status();
}

Status MemEnv::SyncFile(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  const Place place = Find(path);
  if (const Status missing = Missing(place); !missing) {
    return missing;
  }
  return place.node->isFolder ? Failed(Reason::kIsFolder) : Status();
}

Status MemEnv::SyncFolder(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  return FolderExists(path.empty() ? "." : path) ? Status() : Failed(Reason::kNotFound);
}

std::vector<platform::FolderItem> MemEnv::ListFolder(const std::string& path,
                                                     std::vector<std::string>*) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  std::vector<platform::FolderItem> items;
  const Place place = Find(path);
  if (place.node == nullptr || !place.node->isFolder) {
    return items;
  }
  for (const auto& [key, item] : place.node->items) {
    items.push_back({item->name, item->isFolder, false});
  }
  return items;
}

std::string MemEnv::TempFolder() {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  return tempFolder_;
}

platform::Result<std::string> MemEnv::CreateTempFile(const std::string& folder,
                                                     const std::string& prefix) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  const Place place = Find(folder.empty() ? "." : folder);
  if (place.node == nullptr || !place.node->isFolder) {
    return Failed(Reason::kNotFound);
  }
  for (;;) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%08llX.tmp", ++nextTemp_);
    std::string name = prefix + suffix;
    if (!Usable(name) || platform::IsDeviceName(name)) {
      return Failed(Reason::kInvalidName);
    }
    if (place.node->items.count(name) != 0) {
      continue;
    }
    auto node = std::make_unique<Node>();
    node->name = name;
    node->isFolder = false;
    node->data = std::make_shared<Data>();
    place.node->items[name] = std::move(node);
    return platform::WithTrailingSeparator(folder) + name;
  }
}

std::string MemEnv::CurrentFolder() {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  return FullName(current_);
}

Status MemEnv::SetCurrentFolder(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  const Place place = Find(path, true);
  if (place.node == nullptr || !place.node->isFolder) {
    return Failed(place.node == nullptr ? Reason::kNotFound : Reason::kNotFolder);
  }
  current_ = place.components;
  return Status();
}

platform::StartResult MemEnv::StartProgram(const std::string& program, const std::string&,
                                           const std::string& workingFolder) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  if (!FileExists(program)) {
    return platform::StartResult::kProgramMissing;
  }
  if (!workingFolder.empty() && !FolderExists(workingFolder)) {
    return platform::StartResult::kFolderMissing;
  }
  return platform::StartResult::kStarted;
}

std::string MemEnv::MappedDrives() {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  std::string letters;
  for (const auto& [key, drive] : root_->items) {
    letters += static_cast<char>(key[0] & ~0x20);
  }
  return letters;
}

std::string MemEnv::WindowsPath(const std::string& hostPath) {
  const std::lock_guard<std::recursive_mutex> hold(books_->lock);
  std::string path = hostPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}
