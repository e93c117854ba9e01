#pragma once

#include "installer/DataFileBuilder.h"

// Keeps what the data-file builder asked of the main window.
class RecordingBuilderWindow : public installer::BuilderWindow {
 public:
  void HideBuilderButton() override { buttonHidden = true; }
  void CloseMainWindow() override { closed = true; }

  bool buttonHidden = false;
  bool closed = false;
};
