#pragma once

#include <optional>
#include <string>

#include "installer/InstallerView.h"

namespace installer {

class Console;

// The install procedure's view when there are no windows (an unattended installation): the
// agreement is answered by --accept-terms and the completion's question by --run, every
// message goes to the console, and the members being unpacked to its progress line
// ("Installing 3/8 Quorin License.txt").
class HeadlessView : public InstallerView {
 public:
  // members: how many members the installation unpacks.
  HeadlessView(Console& console, bool acceptTerms, bool run, int members);

  bool ShowAgreement() override { return acceptTerms_; }
  void ShowInformation(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void ShowDirectories(const std::string&, const std::string&) override {}
  void EndProgramAfterFailure(int exitStatus) override { exitStatusAfterFailure_ = exitStatus; }
  void ShowProgress() override {}
  void ShowMember(const std::string& name) override;
  void HideProgress() override;

  // The exit status the procedure asked for should it fail from now on; nothing before it
  // switched to unpacking.
  std::optional<int> ExitStatusAfterFailure() const { return exitStatusAfterFailure_; }

 private:
  Console& console_;
  bool acceptTerms_;
  bool run_;
  int members_;
  int shown_ = 0;
  std::optional<int> exitStatusAfterFailure_;
};

}  // namespace installer
