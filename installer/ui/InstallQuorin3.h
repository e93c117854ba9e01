#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TLicenseForm;
}

// The agreement window: the terms of use, "I accept" and "&Next", which is enabled only while
// the box is ticked. Shown modally; Accepted means the user accepted and pressed Next, Rejected
// comes from Cancel, Esc or the close box. It is created once, so the tick and Next's state
// carry over to the next showing.
class TLicenseForm : public QDialog {
  Q_OBJECT

 public:
  explicit TLicenseForm(QWidget* parent = nullptr);
  ~TLicenseForm() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ReadItClick();

  std::unique_ptr<Ui::TLicenseForm> ui_;
};
