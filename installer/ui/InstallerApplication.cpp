#include "installer/ui/InstallerApplication.h"

#include <QIcon>
#include <QTimer>
#include <exception>

#include "installer/ErrorReport.h"
#include "installer/ui/MessageDialogs.h"
#include "installer/ui/WindowText.h"

InstallerApplication::InstallerApplication(int& argc, char** argv) : QApplication(argc, argv) {
  Q_INIT_RESOURCE(art);
  setWindowIcon(QIcon(":/art/icon.png"));
  const std::string program = argc > 0 && argv[0] != nullptr && argv[0][0] != '\0'
                                  ? std::string(argv[0])
                                  : Utf8Of(applicationFilePath());
  title_ = FromUtf8(installer::ApplicationTitle(program));
}

InstallerApplication* InstallerApplication::Instance() {
  return qobject_cast<InstallerApplication*>(QCoreApplication::instance());
}

bool InstallerApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    Report(e.what());
  } catch (...) {
    Report("Unknown exception");
  }
  return false;
}

// Shows the report once the stack of the failed handler has unwound, so that the failed
// handler's windows and the loop are in a steady state while the box is up.
void InstallerApplication::Report(const std::string& message) {
  const QString text = FromAnsi(installer::ReportText(message));
  QTimer::singleShot(0, this, [this, text] {
    dialogs::ShowErrorReport(title_, text);
    if (endAfterReport_) {
      QCoreApplication::exit(*endAfterReport_);
    }
  });
}
