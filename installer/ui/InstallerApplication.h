#pragma once

#include <QApplication>
#include <optional>

// The installer's application: it shows every exception that escapes an event handler in the
// general error report and keeps the message loop running.
class InstallerApplication : public QApplication {
  Q_OBJECT

 public:
  InstallerApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // From now on a general error report, once dismissed, ends the program with this status:
  // the installation has passed the point where its main window could come back.
  void EndAfterReport(std::optional<int> exitStatus) { endAfterReport_ = exitStatus; }

  // The title of the general error report, from the program's file name.
  const QString& Title() const { return title_; }

  static InstallerApplication* Instance();

 private:
  void Report(const std::string& message);

  QString title_;
  std::optional<int> endAfterReport_;
};
