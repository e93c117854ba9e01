#include "installer/ui/InstallQuorin3.h"

#include "installer/TermsOfUse.h"
#include "installer/ui/MessageDialogs.h"
#include "installer/ui/WindowFont.h"
#include "ui_InstallQuorin3.h"

TLicenseForm::TLicenseForm(QWidget* parent)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ui_(new Ui::TLicenseForm) {
  ui_->setupUi(this);
  setFont(WindowFont());
  QFont memoFont("Courier New");
  memoFont.setPixelSize(13);
  memoFont.setStyleHint(QFont::TypeWriter);
  ui_->Memo1->setFont(memoFont);
  // The text without its closing line feed, so that no empty thirteenth line shows.
  QString terms = QString::fromUtf8(installer::kTermsOfUse);
  terms.chop(1);
  ui_->Memo1->setPlainText(terms);
  setFixedSize(536, 273);
  // The window has no default button: Enter presses nothing, Esc presses Cancel.
  ui_->NextBtn->setAutoDefault(false);
  ui_->CancelBtn->setAutoDefault(false);
  connect(ui_->ReadIt, &QCheckBox::toggled, this, &TLicenseForm::ReadItClick);
  connect(ui_->NextBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

TLicenseForm::~TLicenseForm() = default;

void TLicenseForm::showEvent(QShowEvent* event) {
  dialogs::CentreOnScreen(this);
  QDialog::showEvent(event);
}

void TLicenseForm::ReadItClick() {
  ui_->NextBtn->setEnabled(ui_->ReadIt->isChecked());
}
