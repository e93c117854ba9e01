#pragma once

#include <string>

// What the install procedure needs of the windows: the agreement, the message dialogs, the
// directory texts and the progress window. The windows implement it; tests record it.
// Every text crossing this interface is UTF-8, as the windows show it.
class InstallerView {
 public:
  virtual ~InstallerView() = default;

  // Shows the terms of use modally; true only when the user accepted them and pressed Next.
  virtual bool ShowAgreement() = 0;
  // A modal Information dialog with the single button "OK".
  virtual void ShowInformation(const std::string& text) = 0;
  // A program that could not be started: what ShowInformation shows, unless the view has a
  // better place for it too.
  virtual void ShowStartFailure(const std::string& text) { ShowInformation(text); }
  // A modal Confirmation dialog; true for "&Yes", false for "&No", Esc or the close box.
  virtual bool Confirm(const std::string& text) = 0;
  // Puts the directory texts back into their edits after the procedure changed them.
  virtual void ShowDirectories(const std::string& quoDir, const std::string& rulesDir) = 0;
  // From here on the main window never comes back: a failure that leaves the procedure ends
  // the program with exitStatus once the general error report has shown it.
  virtual void EndProgramAfterFailure(int exitStatus) = 0;
  // Hides the main window and brings the progress window on screen, painted at once. From
  // here on the main window never comes back.
  virtual void ShowProgress() = 0;
  // Names the member about to be unpacked; painted before the call returns.
  virtual void ShowMember(const std::string& name) = 0;
  virtual void HideProgress() = 0;
};
