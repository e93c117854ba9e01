#pragma once

#include <string>

#include "installer/win32/Win32Api.h"

// What the installer's windows are built from: designs in pixels at 96 dpi, scaled to the
// screen's resolution; the design fonts; windows made from an empty dialog template, so that
// the dialog manager gives them tab order, the default button and Esc; a modal loop.
namespace win32 {

// A control's place in its parent, in design pixels (96 dpi).
struct Place {
  int left, top, width, height;
};

// Design pixels in the screen's pixels.
int Scaled(int pixels);

// "MS Sans Serif", 11 pixels high: the windows' font.
HFONT DesignFont();
// "Courier New", 13 pixels high: the agreement's text.
HFONT MemoFont();

// A child control at its design place, with the design font.
HWND MakeControl(HWND parent, int id, const char* windowClass, const std::string& text, DWORD style,
                 DWORD exStyle, Place place, HFONT font = DesignFont());
// A label as wide and high as its text.
HWND MakeLabel(HWND parent, int id, const std::string& text, int left, int top);

// A panel: a child that holds controls, drawn with the given edge (DrawEdge's BDR_ flags), and
// passes its controls' notifications to its parent. Tabbing goes through its controls.
HWND MakePanel(HWND parent, int id, Place place, UINT edge, bool visible);

// Gives a button its 16 x 16 glyph (and a second one for its disabled state), beside its
// caption or alone; align is one of the BUTTON_IMAGELIST_ALIGN_ values.
void SetGlyph(HWND button, int glyph, int disabledGlyph, UINT align);
// Frees what SetGlyph gave the button; for buttons of windows that are made more than once.
void ReleaseGlyph(HWND button);

// A window of the dialog class from an empty template, hidden; the window procedure gets
// WM_INITDIALOG with param and makes the controls.
HWND MakeDialogWindow(HWND owner, DWORD style, DWORD exStyle, DLGPROC procedure, LPARAM param);
// Sizes a window so that its client area has the design size, centred on the screen.
void SetClientSizeCentred(HWND window, int width, int height);

// Shows a window made by MakeDialogWindow modally over owner (which may be null) until *done
// is set, then destroys it. With enterPressesNothing, the Enter key is dropped before the
// dialog manager sees it, so that it presses no button. A WM_QUIT met on the way ends the loop
// and is posted again for the loop outside.
void RunModal(HWND dialog, HWND owner, const bool& done, bool enterPressesNothing);

// Paints a window and its controls now, before returning.
void RepaintNow(HWND window);

// A window's text (ANSI).
std::string TextOf(HWND window);

// Line breaks as Win32 controls draw them: each lone carriage return or line feed becomes CR LF.
std::string WithCrLf(const std::string& text);

}  // namespace win32
