#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/ZLIBArchive.h"

namespace zlb {

// Shows the archive's progress reports on standard error as one line rewritten in place
// ("\r<message> <percent>%"), but only when standard error is a terminal and progress is
// wanted. The line is ended with a newline by Finish() or at destruction.
class ProgressLine {
 public:
  // archiveName: the archive as handed to the component; its idle reports (the archive's own
  // name with 0%, and an empty message when it closes) say nothing about work and are skipped.
  ProgressLine(bool wanted, std::string archiveName);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Binds the archive's OnProgress to this line (the line must outlive the binding's use).
  void Attach(TZLBArchive& archive);
  // Binds the archive's OnBatchProgress instead: the line shows the files added out of the
  // total and the bytes read so far.
  void AttachBatch(TZLBArchive& archive);
  void Report(const std::string& message, int percentage);
  void ReportBatch(int filesDone, int filesTotal, std::int64_t bytesDone);
  void Finish();

 private:
  bool enabled_;
  std::string archiveName_;
  void Show(const std::string& text);

  std::string current_;    // the text on the line now
  std::size_t width_ = 0;  // its width in characters
};

}  // namespace zlb
