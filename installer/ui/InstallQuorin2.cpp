#include "installer/ui/InstallQuorin2.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

#include "installer/ui/MessageDialogs.h"
#include "installer/ui/WindowFont.h"
#include "ui_InstallQuorin2.h"

TInstallForm::TInstallForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ui_(new Ui::TInstallForm) {
  ui_->setupUi(this);
  setFont(WindowFont());
  setFixedSize(209, 98);
}

TInstallForm::~TInstallForm() = default;

void TInstallForm::ShowAndRepaint() {
  dialogs::CentreOnScreen(this);
  show();
  // Let the window system map the window; user input stays queued until the loop runs again.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

void TInstallForm::SetWhat(const QString& name) {
  ui_->What->setText(name);
  repaint();
}

void TInstallForm::Step() {
  QProgressBar* bar = ui_->ProgressBar;
  // The bar ignores a value beyond its range rather than holding it there.
  bar->setValue(std::min(bar->value() + 100, bar->maximum()));
  const long percent = std::lround(bar->value() * 100.0 / bar->maximum());
  ui_->Percent->setText(QString::number(percent) + "%");
  repaint();
}
