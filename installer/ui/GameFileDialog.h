#pragma once

#include <QFileDialog>

namespace platform {
class Env;
}

// The dialog that browses for the game's program inside the Wine prefix ("Find Tiberian Sun
// Directory"). It opens in the prefix's drive C, offers every drive of the prefix by its letter
// in its side bar, shows hidden folders (the default prefix ~/.wine is one), takes a Windows
// path typed into its name field, and accepts with one click on Open. What each of these means
// is decided in installer/GameBrowsing.h; this class binds it to Qt's dialog.
class GameFileDialog : public QFileDialog {
  Q_OBJECT

 public:
  GameFileDialog(QWidget* parent, platform::Env& env);

  // Runs the dialog; the host path (UTF-8) of the chosen file, or "" when it was cancelled.
  QString ChooseFile();

  void accept() override;

 private:
  void PreselectGameProgram(const QString& folder);

  platform::Env& env_;
};
