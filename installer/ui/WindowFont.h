#pragma once

#include <QFont>

// The windows' design font: "MS Sans Serif", 11 pixels high. Where it is missing, the fallback
// (DejaVu Sans on Linux) is about a fifth wider at the same height; a narrower stretch keeps the
// captions within the designed control sizes.
inline QFont WindowFont(const char* family = "MS Sans Serif", int pixelSize = 11) {
  QFont font(family);
  font.setPixelSize(pixelSize);
  if (!QFontInfo(font).exactMatch()) {
    font.setStretch(80);
  }
  return font;
}
