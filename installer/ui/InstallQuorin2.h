#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TInstallForm;
}

// The progress window: a frameless box naming the member being unpacked, with a bar of 600
// steps (one member advances it by 100) and a percentage. Created hidden at start.
class TInstallForm : public QWidget {
  Q_OBJECT

 public:
  explicit TInstallForm(QWidget* parent = nullptr);
  ~TInstallForm() override;

  // Shows the window and paints it before returning: the installation runs without
  // processing window messages, so this and the other repaints keep the window current.
  void ShowAndRepaint();
  // Names the member about to be unpacked; painted at once.
  void SetWhat(const QString& name);
  // One progress step: the bar advances by 100, held at its maximum, and the percentage
  // follows, rounded to the nearest whole number.
  void Step();

 private:
  std::unique_ptr<Ui::TInstallForm> ui_;
};
