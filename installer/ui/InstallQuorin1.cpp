#include "installer/ui/InstallQuorin1.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <iostream>

#include "archive/ZLIBArchive.h"
#include "installer/DataFile.h"
#include "installer/GameBrowsing.h"
#include "installer/GameLocator.h"
#include "installer/InstallProcedure.h"
#include "installer/ui/GameFileDialog.h"
#include "installer/ui/InstallQuorin2.h"
#include "installer/ui/InstallQuorin3.h"
#include "installer/ui/InstallerApplication.h"
#include "installer/ui/MessageDialogs.h"
#include "installer/ui/WindowFont.h"
#include "installer/ui/WindowText.h"
#include "platform/Env.h"
#include "ui_InstallQuorin1.h"

namespace {

const char kRulesDirHelp[] =
    "The \"Rules Directory\" is the directory in which you intend to store all the rules files "
    "you want Quorin to use. \r\rThe default is a subdirectory called \"Rules\" off your Tiberian "
    "Sun directory, e.g. \"C:\\Westwood\\Tiberian Sun\\Rules\\\"";
const char kQuorinDirHelp[] =
    "The \"Quorin Directory\" is the directory where you want the Quorin program files to be "
    "installed.\r\rThe default is a subdirectory called \"Quorin\" off your Tiberian Sun "
    "directory, e.g. \"C:\\Westwood\\Tiberian Sun\\Quorin\\\"";

}  // namespace

TMainForm::TMainForm(platform::Env* env, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      ui_(new Ui::TMainForm),
      env_(env != nullptr ? env : platform::Env::Default()),
      Archive_(std::make_unique<TZLBArchive>(nullptr, env_)) {
  ui_->setupUi(this);
  setFont(WindowFont());
  setFixedSize(385, 369);
  for (QLabel* label : {ui_->Label1, ui_->Label2, ui_->Label3, ui_->Label4, ui_->Label5}) {
    label->adjustSize();
  }
  ui_->InstallBtn->setDefault(true);  // drawn as the default; Enter is handled below
  QPalette readOnly = ui_->SunDir->palette();
  readOnly.setColor(QPalette::Base, readOnly.color(QPalette::Button));
  ui_->SunDir->setPalette(readOnly);

  FindTSDirDlg = new GameFileDialog(this, *env_);

  Archive_->SetCompressionLevel(installer::kDataFileCompressionLevel);
  Archive_->OnFileExtracted = [this](const std::string& filename) {
    ArchiveFileExtracted(filename);
  };

  connect(ui_->InstallBtn, &QPushButton::clicked, this, &TMainForm::InstallBtnClick);
  connect(ui_->AbortBtn, &QPushButton::clicked, this, &TMainForm::AbortBtnClick);
  connect(ui_->TSDirBtn, &QToolButton::clicked, this, &TMainForm::TSDirBtnClick);
  connect(ui_->RulesDirHelpBtn, &QToolButton::clicked, this, &TMainForm::RulesDirHelpBtnClick);
  connect(ui_->QuorinDirHelpBtn, &QToolButton::clicked, this, &TMainForm::QuorinDirHelpBtnClick);
  connect(ui_->SpeedButton1, &QToolButton::clicked, this, &TMainForm::SpeedButton1Click);
  FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::SetSecondaryWindows(TInstallForm* installForm, TLicenseForm* licenseForm) {
  InstallForm = installForm;
  LicenseForm = licenseForm;
}

void TMainForm::FormCreate() {
#ifdef INSTALLER_MAINTAINER
  // The maintainer's build stores DebugBox ticked, so the builder's button shows at start.
  ui_->DebugBox->setChecked(true);
#endif
  DebugFlag_ = ui_->DebugBox->isChecked();
  if (DebugFlag_) {
    ui_->SpeedButton1->show();
  }
}

void TMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) {
    dialogs::CentreOnScreen(this);
    FormShow();
  }
}

// Closing the main window, by Abort, the close box or at the end of an installation, ends the
// program normally.
void TMainForm::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  QCoreApplication::exit(0);
}

// Enter presses the focused push button, else Install (the window's default button).
void TMainForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    QWidget::keyPressEvent(event);
    return;
  }
  auto* focused = qobject_cast<QPushButton*>(focusWidget());
  QPushButton* button = focused != nullptr ? focused : ui_->InstallBtn;
  if (button->isEnabled() && button->isVisible()) {
    button->click();
  }
}

void TMainForm::FormShow() {
  ui_->SunDir->clear();
  ui_->QuoDir->clear();
  ui_->RulesDir->clear();
  if (const auto missing = installer::MissingPrefixMessage(*env_)) {
    dialogs::ShowInformation(FromUtf8(*missing));
  }
  const std::string gameFolder = installer::FindGameFolder(*env_);
  if (!gameFolder.empty()) {
    ui_->SunDir->setText(FromAnsi(gameFolder));
    gotTSDir();
  } else {
    ui_->SunDir->setText(FromAnsi(installer::kGameDirectorySuggestion));
  }
}

void TMainForm::gotTSDir() {
  ui_->InstallBtn->setEnabled(true);
  ui_->TSDirBtn->hide();
  const installer::ProposedFolders proposed =
      installer::ProposeFolders(Utf8Of(ui_->SunDir->text()));
  ui_->QuoDir->setText(FromUtf8(proposed.product));
  ui_->RulesDir->setText(FromUtf8(proposed.rules));
  ui_->Others->show();
}

void TMainForm::TSDirBtnClick() {
  const QString chosen = FindTSDirDlg->ChooseFile();
  if (chosen.isEmpty()) {
    return;
  }
  const installer::ChosenFile judged = installer::JudgeChosenFile(*env_, Utf8Of(chosen));
  switch (judged.verdict) {
    case installer::ChosenFile::Verdict::kGame:
      ui_->SunDir->setText(FromUtf8(judged.text));
      gotTSDir();
      break;
    case installer::ChosenFile::Verdict::kUnusable:
      dialogs::ShowInformation(FromUtf8(judged.text));
      break;
    case installer::ChosenFile::Verdict::kNotTheGame:
      break;
  }
}

void TMainForm::RulesDirHelpBtnClick() {
  dialogs::ShowInformation(kRulesDirHelp);
}

void TMainForm::QuorinDirHelpBtnClick() {
  dialogs::ShowInformation(kQuorinDirHelp);
}

void TMainForm::AbortBtnClick() {
  close();
}

void TMainForm::InstallBtnClick() {
  installer::InstallChoices choices;
  choices.gameDir = Utf8Of(ui_->SunDir->text());
  choices.productDir = Utf8Of(ui_->QuoDir->text());
  choices.rulesDir = Utf8Of(ui_->RulesDir->text());
  choices.installProgramFiles = ui_->InstallProgramFiles->isChecked();
  choices.installOriginalRules = ui_->InstallOriginalRules->isChecked();
  choices.associateQrk = ui_->AssociateQRK->isChecked();
  installer::InstallProcedure procedure(*env_, *Archive_, *this,
                                        Utf8Of(QCoreApplication::applicationDirPath()), log_);
  if (procedure.Run(choices) == installer::InstallOutcome::kCompleted) {
    close();
  }
}

void TMainForm::ArchiveFileExtracted(const std::string& /*filename*/) {
  InstallForm->Step();
}

// The maintainer's command that builds the data file; it runs only when the stored design
// ticks DebugBox, which shows its button at creation. A failure reaches the general error
// report with the window left open and the button gone.
void TMainForm::SpeedButton1Click() {
  if (DebugFlag_) {
    installer::BuildDataFile(*Archive_, *env_, *this);
  }
}

void TMainForm::HideBuilderButton() {
  ui_->SpeedButton1->hide();
}

void TMainForm::CloseMainWindow() {
  close();
}

bool TMainForm::ShowAgreement() {
  return LicenseForm->exec() == QDialog::Accepted;
}

void TMainForm::ShowInformation(const std::string& text) {
  dialogs::ShowInformation(FromUtf8(text));
}

// Said on standard error too, for whoever started the installer from a terminal.
void TMainForm::ShowStartFailure(const std::string& text) {
  std::cerr << "InstallQuorin: " << text << "\n";
  ShowInformation(text);
}

bool TMainForm::Confirm(const std::string& text) {
  return dialogs::Confirm(FromUtf8(text));
}

void TMainForm::ShowDirectories(const std::string& quoDir, const std::string& rulesDir) {
  ui_->QuoDir->setText(FromUtf8(quoDir));
  ui_->RulesDir->setText(FromUtf8(rulesDir));
}

void TMainForm::EndProgramAfterFailure(int exitStatus) {
  if (InstallerApplication* app = InstallerApplication::Instance()) {
    app->EndAfterReport(exitStatus);
  }
}

void TMainForm::ShowProgress() {
  hide();
  InstallForm->ShowAndRepaint();
}

void TMainForm::ShowMember(const std::string& name) {
  InstallForm->SetWhat(FromUtf8(name));
}

void TMainForm::HideProgress() {
  InstallForm->hide();
}
