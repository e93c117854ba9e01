#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {
class Env;
class File;
}  // namespace platform

namespace installer {

// The log that "--log FILE" asks for: plain text appended to the file, one line per step, each
// beginning with the local date and time ("2024-05-01 14:03:07 "). A log that was not opened
// writes nothing, so that the steps can be logged whether or not anyone asked.
class InstallLog {
 public:
  // The local time of this moment as the lines begin with it.
  using Clock = std::function<std::string()>;

  InstallLog();
  ~InstallLog();
  InstallLog(const InstallLog&) = delete;
  InstallLog& operator=(const InstallLog&) = delete;

  // Opens the file (a Windows path) to append to, creating it when it does not exist; fails
  // with "Cannot open file %s" or "Cannot create file %s" and the system's reason.
  void Open(platform::Env& env, const std::string& path, Clock clock = {});
  bool IsOpen() const { return file_ != nullptr; }

  // One line (UTF-8, without its line ending). A line that cannot be written is lost, and the
  // log says so once on standard error: the installation does not fail for its log.
  void Line(const std::string& text);

 private:
  std::unique_ptr<platform::File> file_;
  std::string path_;
  Clock clock_;
  bool failed_ = false;
};

// The local date and time of this moment: "2024-05-01 14:03:07".
std::string LocalTimeNow();

}  // namespace installer
