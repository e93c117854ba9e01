#include "installer/win32/InstallQuorin3.h"

#include <string>

#include "installer/TermsOfUse.h"
#include "installer/win32/ControlIds.h"
#include "installer/win32/Resources.h"
#include "installer/win32/WindowKit.h"

bool TLicenseForm::ShowModal(HWND owner) {
  next_ = false;
  done_ = false;
  HWND window = win32::MakeDialogWindow(owner, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                        WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME, Procedure,
                                        reinterpret_cast<LPARAM>(this));
  if (window == nullptr) {
    return false;
  }
  win32::RunModal(window, owner, done_, true);
  window_ = nullptr;
  return next_;
}

void TLicenseForm::Build(HWND window) {
  using win32::MakeControl;
  window_ = window;
  ::SetWindowTextA(window, "License Agreement");
  // The text without its closing line feed, so that no empty thirteenth line shows.
  std::string terms = installer::kTermsOfUse;
  if (!terms.empty() && terms.back() == '\n') {
    terms.pop_back();
  }
  HWND memo = MakeControl(window, controls::Memo1, "EDIT", win32::WithCrLf(terms),
                          WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE |
                              ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                          WS_EX_CLIENTEDGE, {0, 0, 536, 209}, win32::MemoFont());
  HWND next = MakeControl(window, controls::NextBtn, "BUTTON", "&Next",
                          WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, {440, 240, 75, 25});
  win32::SetGlyph(next, IDI_NEXT, IDI_NEXT_DISABLED, BUTTON_IMAGELIST_ALIGN_RIGHT);
  HWND readIt = MakeControl(window, controls::ReadIt, "BUTTON", "I accept",
                            WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, {440, 216, 73, 17});
  HWND cancel = MakeControl(window, controls::CancelBtn, "BUTTON", "Cancel",
                            WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, {16, 240, 75, 25});
  win32::SetGlyph(cancel, IDI_CANCEL, IDI_CANCEL, BUTTON_IMAGELIST_ALIGN_LEFT);
  ::SendMessageA(readIt, BM_SETCHECK, accepted_ ? BST_CHECKED : BST_UNCHECKED, 0);
  ::EnableWindow(next, accepted_ ? TRUE : FALSE);
  win32::SetClientSizeCentred(window, 536, 273);
  ::SetFocus(memo);
  ::SendMessageA(memo, EM_SETSEL, 0, 0);
}

void TLicenseForm::ReadItClick() {
  accepted_ = ::IsDlgButtonChecked(window_, controls::ReadIt) == BST_CHECKED;
  ::EnableWindow(::GetDlgItem(window_, controls::NextBtn), accepted_ ? TRUE : FALSE);
}

INT_PTR CALLBACK TLicenseForm::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<TLicenseForm*>(::GetWindowLongPtrA(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      ::SetWindowLongPtrA(window, DWLP_USER, lParam);
      reinterpret_cast<TLicenseForm*>(lParam)->Build(window);
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (form == nullptr || HIWORD(wParam) != BN_CLICKED) {
        return FALSE;
      }
      switch (LOWORD(wParam)) {
        case controls::ReadIt:
          form->ReadItClick();
          return TRUE;
        case controls::NextBtn:
          if (::IsWindowEnabled(::GetDlgItem(window, controls::NextBtn))) {
            form->next_ = true;
            form->done_ = true;
          }
          return TRUE;
        case controls::CancelBtn:
        case IDCANCEL:  // Esc
          form->done_ = true;
          return TRUE;
        default:
          return FALSE;  // IDOK among them: Enter presses nothing
      }
    case WM_CLOSE:
      if (form != nullptr) {
        form->done_ = true;
      }
      return TRUE;
    case WM_DESTROY:
      // The window is made anew at each showing.
      win32::ReleaseGlyph(::GetDlgItem(window, controls::NextBtn));
      win32::ReleaseGlyph(::GetDlgItem(window, controls::CancelBtn));
      return FALSE;
    default:
      return FALSE;
  }
}
