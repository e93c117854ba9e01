#include "installer/ui/MessageDialogs.h"

#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

namespace dialogs {

void ShowInformation(const QString& text) {
  QMessageBox box(QMessageBox::Information, "Information", text, QMessageBox::NoButton);
  box.setObjectName("InformationDialog");
  QPushButton* ok = box.addButton("OK", QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
}

bool Confirm(const QString& text) {
  QMessageBox box(QMessageBox::Question, "Confirm", text, QMessageBox::NoButton);
  box.setObjectName("ConfirmDialog");
  QPushButton* yes = box.addButton("&Yes", QMessageBox::YesRole);
  QPushButton* no = box.addButton("&No", QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

void ShowErrorReport(const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::NoButton);
  box.setObjectName("ErrorReport");
  QPushButton* ok = box.addButton("OK", QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
}

void CentreOnScreen(QWidget* window) {
  if (QScreen* screen = window->screen()) {
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
  }
}

}  // namespace dialogs
