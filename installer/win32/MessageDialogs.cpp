#include "installer/win32/MessageDialogs.h"

#include <algorithm>
#include <vector>

#include "installer/ErrorReport.h"
#include "installer/win32/ControlIds.h"
#include "installer/win32/WindowKit.h"

namespace win32 {

namespace {

struct Button {
  int id;
  const char* caption;
};

struct MessageDialog {
  const char* title;
  LPCSTR icon;
  std::string text;
  std::vector<Button> buttons;  // the first is the default
  int escapeResult;             // Esc and the close box
  int result = 0;
  bool done = false;
};

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;
constexpr int kMaxTextWidth = 420;

// Lays the dialog out around its text: the icon at the left, the text beside it, word-wrapped
// at kMaxTextWidth, the buttons centred below.
void Build(HWND dialog, const MessageDialog& message) {
  ::SetWindowTextA(dialog, message.title);
  RECT textSize = {0, 0, Scaled(kMaxTextWidth), 0};
  HDC dc = ::GetDC(dialog);
  HGDIOBJ old = ::SelectObject(dc, DesignFont());
  ::DrawTextA(dc, message.text.c_str(), static_cast<int>(message.text.size()), &textSize,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  ::SelectObject(dc, old);
  ::ReleaseDC(dialog, dc);
  // Back to design pixels, rounded up.
  const int textWidth = ::MulDiv(textSize.right, 96, Scaled(96)) + 1;
  const int textHeight = std::max(::MulDiv(textSize.bottom, 96, Scaled(96)) + 1, kIconSize);

  const int textLeft = kMargin + kIconSize + kMargin;
  const int buttons = static_cast<int>(message.buttons.size());
  const int buttonsWidth = buttons * kButtonWidth + (buttons - 1) * kButtonGap;
  const int width = std::max(textLeft + textWidth + kMargin, buttonsWidth + 2 * kMargin);
  const int buttonsTop = kMargin + textHeight + kMargin;
  const int height = buttonsTop + kButtonHeight + kMargin;

  HWND icon = MakeControl(dialog, controls::MessageIcon, "STATIC", "", WS_VISIBLE | SS_ICON, 0,
                          {kMargin, kMargin, kIconSize, kIconSize});
  ::SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconA(nullptr, message.icon)),
                 0);
  MakeControl(dialog, controls::MessageText, "STATIC", message.text,
              WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, {textLeft, kMargin, textWidth, textHeight});
  int left = (width - buttonsWidth) / 2;
  for (std::size_t i = 0; i < message.buttons.size(); ++i) {
    const Button& button = message.buttons[i];
    MakeControl(dialog, button.id, "BUTTON", button.caption,
                WS_VISIBLE | WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
                {left, buttonsTop, kButtonWidth, kButtonHeight});
    left += kButtonWidth + kButtonGap;
  }
  ::SendMessageA(dialog, DM_SETDEFID, static_cast<WPARAM>(message.buttons.front().id), 0);
  ::SetFocus(::GetDlgItem(dialog, message.buttons.front().id));
  SetClientSizeCentred(dialog, width, height);
}

INT_PTR CALLBACK MessageProcedure(HWND dialog, UINT code, WPARAM wParam, LPARAM lParam) {
  auto* message = reinterpret_cast<MessageDialog*>(::GetWindowLongPtrA(dialog, DWLP_USER));
  switch (code) {
    case WM_INITDIALOG:
      ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      Build(dialog, *reinterpret_cast<MessageDialog*>(lParam));
      return FALSE;  // the focus is set
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (message == nullptr || HIWORD(wParam) != BN_CLICKED) {
        return FALSE;
      }
      if (id == IDCANCEL) {
        message->result = message->escapeResult;
        message->done = true;
        return TRUE;
      }
      for (const Button& button : message->buttons) {
        if (button.id == id) {
          message->result = id;
          message->done = true;
          return TRUE;
        }
      }
      return FALSE;
    }
    case WM_CLOSE:
      if (message != nullptr) {
        message->result = message->escapeResult;
        message->done = true;
      }
      return TRUE;
    default:
      return FALSE;
  }
}

int Run(HWND owner, MessageDialog& message) {
  HWND dialog =
      MakeDialogWindow(owner, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                       WS_EX_DLGMODALFRAME, MessageProcedure, reinterpret_cast<LPARAM>(&message));
  if (dialog == nullptr) {
    return message.escapeResult;
  }
  RunModal(dialog, owner, message.done, false);
  return message.result;
}

}  // namespace

void ShowInformation(HWND owner, const std::string& text) {
  MessageDialog message{"Information", IDI_INFORMATION, WithCrLf(text), {{IDOK, "OK"}}, IDOK};
  Run(owner, message);
}

bool Confirm(HWND owner, const std::string& text) {
  MessageDialog message{
      "Confirm", IDI_QUESTION, WithCrLf(text), {{IDYES, "&Yes"}, {IDNO, "&No"}}, IDNO};
  return Run(owner, message) == IDYES;
}

std::string ApplicationTitle() {
  char program[MAX_PATH * 4] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, program, sizeof program);
  return installer::ApplicationTitle(
      length > 0 && length < sizeof program ? std::string(program, length) : "InstallQuorin");
}

void ShowErrorReport(const std::string& text, const std::string& title) {
  ::MessageBoxA(nullptr, WithCrLf(text).c_str(), title.c_str(),
                MB_OK | MB_ICONSTOP | MB_TASKMODAL | MB_SETFOREGROUND);
}

}  // namespace win32
