#include "tools/zlb/Progress.h"

#include <cstdio>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Terminal.h"

namespace zlb {
namespace {

// The one line on screen at a time.
ProgressLine* active = nullptr;

}  // namespace

ProgressLine::ProgressLine(bool wanted, std::string verb)
    : enabled_(wanted && platform::StandardErrorIsTerminal()), verb_(std::move(verb)) {
  if (enabled_) {
    active = this;
  }
}

ProgressLine::~ProgressLine() {
  Clear();
  if (active == this) {
    active = nullptr;
  }
}

void ProgressLine::Attach(TZLBArchive& archive) {
  if (enabled_) {
    archive.OnProgress = [this, &archive](const std::string&, int Percentage) {
      Report(archive.Activity(), Percentage);
    };
  }
}

void ProgressLine::AttachBatch(TZLBArchive& archive) {
  if (enabled_) {
    archive.OnBatchProgress = [this](int FilesDone, int FilesTotal, std::int64_t BytesDone) {
      ReportBatch(FilesDone, FilesTotal, BytesDone);
    };
  }
}

void ProgressLine::SetItem(std::string item) {
  item_ = std::move(item);
}

void ProgressLine::Report(TArchiveActivity activity, int percentage) {
  // A member's data is reported while it is extracted or added; the registry has reports of its
  // own, which are left out.
  const bool memberData = activity == actExtract || activity == actAdd;
  if (!enabled_ || !memberData) {
    return;
  }
  Show(verb_ + ' ' + item_ + ' ' + std::to_string(percentage) + '%');
}

void ProgressLine::ReportBatch(int filesDone, int filesTotal, std::int64_t bytesDone) {
  if (!enabled_) {
    return;
  }
  char bytes[32];
  std::snprintf(bytes, sizeof bytes, "%.1f MiB", static_cast<double>(bytesDone) / (1 << 20));
  Show(verb_ + ": " + std::to_string(filesDone) + "/" + std::to_string(filesTotal) + " files, " +
       bytes);
}

void ProgressLine::Show(const std::string& text) {
  if (text == current_) {
    return;
  }
  const std::size_t width = platform::Utf8Width(text);
  // Blank out what is left of a longer previous text.
  const std::string padding(width < width_ ? width_ - width : 0, ' ');
  std::fputs(("\r" + text + padding).c_str(), stderr);
  std::fflush(stderr);
  current_ = text;
  width_ = width;
}

void ProgressLine::Clear() {
  if (!current_.empty()) {
    std::string blank(width_ + 2, ' ');
    blank.front() = '\r';
    blank.back() = '\r';
    std::fputs(blank.c_str(), stderr);
    std::fflush(stderr);
    current_.clear();
    width_ = 0;
  }
}

void ProgressLine::ClearActive() {
  if (active != nullptr) {
    active->Clear();
  }
}

}  // namespace zlb
