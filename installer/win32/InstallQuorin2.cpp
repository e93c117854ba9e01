#include "installer/win32/InstallQuorin2.h"

#include <cmath>

#include "installer/win32/ControlIds.h"
#include "installer/win32/WindowKit.h"

namespace {

constexpr int kBarMaximum = 600;
constexpr int kBarStep = 100;

// What, centred and at the bottom of its area.
void DrawWhat(const DRAWITEMSTRUCT& item) {
  const std::string text = win32::TextOf(item.hwndItem);
  RECT area = item.rcItem;
  ::FillRect(item.hDC, &area, ::GetSysColorBrush(COLOR_BTNFACE));
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, ::GetSysColor(COLOR_BTNTEXT));
  HGDIOBJ old = ::SelectObject(item.hDC, win32::DesignFont());
  ::DrawTextA(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
              DT_CENTER | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX);
  ::SelectObject(item.hDC, old);
}

}  // namespace

TInstallForm::TInstallForm() {
  window_ = win32::MakeDialogWindow(nullptr, WS_POPUP, WS_EX_TOOLWINDOW, Procedure,
                                    reinterpret_cast<LPARAM>(this));
}

TInstallForm::~TInstallForm() {
  if (window_ != nullptr) {
    ::DestroyWindow(window_);
  }
}

void TInstallForm::Build() {
  using win32::MakeControl;
  // Its caption is never seen.
  ::SetWindowTextA(window_, "InstallForm");
  MakeControl(window_, controls::Percent, "STATIC", "Percent", WS_VISIBLE | SS_CENTER | SS_NOPREFIX,
              0, {2, 60, 205, 13});
  HWND bar = MakeControl(window_, controls::ProgressBar, PROGRESS_CLASSA, "", WS_VISIBLE, 0,
                         {12, 40, 185, 16});
  ::SendMessageA(bar, PBM_SETRANGE32, 0, kBarMaximum);
  ::SendMessageA(bar, PBM_SETPOS, 0, 0);
  MakeControl(window_, controls::What, "STATIC", "What", WS_VISIBLE | SS_OWNERDRAW, 0,
              {2, 2, 205, 31});
  win32::SetClientSizeCentred(window_, 209, 98);
}

INT_PTR CALLBACK TInstallForm::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* form = reinterpret_cast<TInstallForm*>(lParam);
      form->window_ = window;
      form->Build();
      return FALSE;
    }
    case WM_PAINT: {
      // Panel1: the whole window, raised outside and lowered inside.
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(window, &paint);
      RECT client;
      ::GetClientRect(window, &client);
      ::DrawEdge(dc, &client, BDR_RAISEDOUTER | BDR_SUNKENINNER, BF_RECT);
      ::EndPaint(window, &paint);
      return TRUE;
    }
    case WM_DRAWITEM:
      if (wParam == controls::What) {
        DrawWhat(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void TInstallForm::ShowAndRepaint() {
  win32::SetClientSizeCentred(window_, 209, 98);
  ::ShowWindow(window_, SW_SHOW);
  win32::RepaintNow(window_);
}

void TInstallForm::SetWhat(const std::string& name) {
  ::SetDlgItemTextA(window_, controls::What, name.c_str());
  win32::RepaintNow(window_);
}

void TInstallForm::Step() {
  HWND bar = ::GetDlgItem(window_, controls::ProgressBar);
  const int maximum = static_cast<int>(::SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
  const int position = static_cast<int>(::SendMessageA(bar, PBM_GETPOS, 0, 0));
  ::SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(std::min(position + kBarStep, maximum)), 0);
  const int shown = static_cast<int>(::SendMessageA(bar, PBM_GETPOS, 0, 0));
  const long percent = std::lround(shown * 100.0 / maximum);
  ::SetDlgItemTextA(window_, controls::Percent, (std::to_string(percent) + "%").c_str());
  win32::RepaintNow(window_);
}

void TInstallForm::Hide() {
  ::ShowWindow(window_, SW_HIDE);
}
