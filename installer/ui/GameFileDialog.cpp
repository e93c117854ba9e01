#include "installer/ui/GameFileDialog.h"

#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QMap>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QUrl>

#include "installer/GameBrowsing.h"
#include "installer/ui/WindowText.h"

namespace {

// The game's program in any letter case, for the filter and the preselection.
const char kGameProgramPattern[] = "[Ss][Uu][Nn].[Ee][Xx][Ee]";

// Shows each drive in the side bar by its letter ("C:") instead of the name its folder has on
// the host (the prefix's link "c:").
class DriveLabels : public QStyledItemDelegate {
 public:
  DriveLabels(QObject* parent, QMap<QString, QString> labels)
      : QStyledItemDelegate(parent), labels_(std::move(labels)) {}

  QString displayText(const QVariant& value, const QLocale& locale) const override {
    return labels_.value(value.toString(), QStyledItemDelegate::displayText(value, locale));
  }

 private:
  QMap<QString, QString> labels_;  // by the folder's host name
};

}  // namespace

GameFileDialog::GameFileDialog(QWidget* parent, platform::Env& env)
    : QFileDialog(parent, "Find Tiberian Sun Directory"), env_(env) {
  setObjectName("FindTSDirDlg");
  setOption(QFileDialog::DontUseNativeDialog);
  setOption(QFileDialog::HideNameFilterDetails);
  setFileMode(QFileDialog::ExistingFile);
  setAcceptMode(QFileDialog::AcceptOpen);
  setNameFilter(QString("Tiberian Sun Directory (%1)").arg(kGameProgramPattern));
  setFilter(filter() | QDir::Hidden);

  QList<QUrl> places;
  QMap<QString, QString> labels;
  for (const installer::BrowseDrive& drive : installer::BrowseDrives(env_)) {
    const QString folder = FromUtf8(drive.hostFolder);
    places << QUrl::fromLocalFile(folder);
    labels.insert(QFileInfo(folder).fileName(), FromUtf8(drive.label));
  }
  setSidebarUrls(places);
  if (auto* sideBar = findChild<QListView*>("sidebar")) {
    sideBar->setItemDelegate(new DriveLabels(sideBar, labels));
  }
  const std::string start = installer::BrowseStartFolder(env_);
  if (!start.empty()) {
    setDirectory(FromUtf8(start));
  }

  if (auto* nameField = findChild<QLineEdit*>("fileNameEdit")) {
    // Completion fills in the name field without a list: a list open over the dialog would
    // take the first click on Open for itself, to close.
    if (QCompleter* completer = nameField->completer()) {
      completer->setCompletionMode(QCompleter::InlineCompletion);
    }
    // The dialog enables Open only for a name it finds itself; a Windows path that names a
    // file or folder may be opened too. This runs after the dialog's own check of the text.
    connect(nameField, &QLineEdit::textChanged, this, [this](const QString& text) {
      auto* buttons = findChild<QDialogButtonBox*>("buttonBox");
      QPushButton* open = buttons != nullptr ? buttons->button(QDialogButtonBox::Open) : nullptr;
      if (open != nullptr &&
          installer::HostPathOfTypedName(env_, Utf8Of(text), Utf8Of(directory().absolutePath()))) {
        open->setEnabled(true);
      }
    });
  }
  // However the user changes folders (the list, the path field, the side bar, the history),
  // the dialog's model changes its root; the preselection follows once the dialog has settled.
  if (auto* folders = findChild<QFileSystemModel*>()) {
    connect(folders, &QFileSystemModel::rootPathChanged, this,
            &GameFileDialog::PreselectGameProgram, Qt::QueuedConnection);
  }
}

QString GameFileDialog::ChooseFile() {
  PreselectGameProgram(directory().absolutePath());
  if (exec() != QDialog::Accepted || selectedFiles().isEmpty()) {
    return QString();
  }
  return selectedFiles().first();
}

// A Windows path typed into the name field is put there as the host path it names, and the
// dialog goes on as if that had been typed: a file is chosen, a folder entered.
void GameFileDialog::accept() {
  if (auto* nameField = findChild<QLineEdit*>("fileNameEdit")) {
    const auto hostPath = installer::HostPathOfTypedName(env_, Utf8Of(nameField->text()),
                                                         Utf8Of(directory().absolutePath()));
    if (hostPath) {
      nameField->setText(FromUtf8(*hostPath));
    }
  }
  QFileDialog::accept();
}

// The preset name is "Sun.exe"; where the folder holds the program under another letter case,
// that name is preselected instead, so that Open finds it.
void GameFileDialog::PreselectGameProgram(const QString& folder) {
  const QStringList found =
      QDir(folder).entryList(QStringList{kGameProgramPattern}, QDir::Files | QDir::Hidden);
  const QString name = found.isEmpty() ? QString("Sun.exe") : found.first();
  // While the dialog is up, its name field takes no selection that it does not show itself.
  auto* nameField = findChild<QLineEdit*>("fileNameEdit");
  if (isVisible() && nameField != nullptr) {
    nameField->setText(name);
  } else {
    selectFile(name);
  }
}
