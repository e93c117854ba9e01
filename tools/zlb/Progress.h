#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/ZLIBArchive.h"

namespace zlb {

// Shows how far the work on the current member has come, on standard error, as one line
// rewritten in place ("\r<verb> <member> <percent>%"), but only when standard error is a
// terminal and progress is wanted. The line is wiped off the screen when the work is done, and
// before any message is printed (see Warn).
class ProgressLine {
 public:
  // verb: what the command does to each member ("Extracting", "Testing", "Adding").
  ProgressLine(bool wanted, std::string verb);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Binds the archive's OnProgress to this line (the line and the archive must outlive the
  // binding's use). Only the reports on a member's data count; those on the registry and the
  // archive's idle reports say nothing about the work and are skipped.
  void Attach(TZLBArchive& archive);
  // Binds the archive's OnBatchProgress instead: the line shows the files added out of the
  // total and the bytes read so far.
  void AttachBatch(TZLBArchive& archive);
  // The member worked on from now on, as shown (UTF-8, control characters escaped); set before
  // the work on it begins.
  void SetItem(std::string item);
  // A report of the archive's while it does `activity`.
  void Report(TArchiveActivity activity, int percentage);
  void ReportBatch(int filesDone, int filesTotal, std::int64_t bytesDone);
  // Wipes the line off the screen; the next report draws it again.
  void Clear();

  // Clears the line on screen, if there is one.
  static void ClearActive();

 private:
  void Show(const std::string& text);

  bool enabled_;
  std::string verb_;
  std::string item_;
  std::string current_;    // the text on the line now
  std::size_t width_ = 0;  // its width in characters
};

}  // namespace zlb
