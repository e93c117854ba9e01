#include "installer/win32/WindowKit.h"

#include <vector>

namespace win32 {

namespace {

constexpr char kPanelClass[] = "QuorinPanel";

int ScreenDpi() {
  static const int dpi = [] {
    HDC screen = ::GetDC(nullptr);
    const int value = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) {
      ::ReleaseDC(nullptr, screen);
    }
    return value > 0 ? value : 96;
  }();
  return dpi;
}

// pitchAndFamily guides the system's choice where the face is missing.
HFONT MakeFont(const char* face, int pixels, BYTE pitchAndFamily) {
  return ::CreateFontA(-Scaled(pixels), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitchAndFamily,
                       face);
}

struct PanelData {
  UINT edge;
};

LRESULT CALLBACK PanelProcedure(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      return ::SendMessageA(::GetParent(panel), message, wParam, lParam);
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(panel, &paint);
      RECT client;
      ::GetClientRect(panel, &client);
      ::DrawEdge(dc, &client, static_cast<UINT>(::GetWindowLongPtrA(panel, GWLP_USERDATA)),
                 BF_RECT);
      ::EndPaint(panel, &paint);
      return 0;
    }
    default:
      return ::DefWindowProcA(panel, message, wParam, lParam);
  }
}

void RegisterPanelClass() {
  static const bool registered = [] {
    WNDCLASSA panelClass = {};
    panelClass.lpfnWndProc = PanelProcedure;
    panelClass.hInstance = ::GetModuleHandleA(nullptr);
    panelClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    panelClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    panelClass.lpszClassName = kPanelClass;
    return ::RegisterClassA(&panelClass) != 0;
  }();
  (void)registered;
}

HICON LoadGlyph(int glyph) {
  return static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(glyph),
                                         IMAGE_ICON, Scaled(16), Scaled(16), LR_DEFAULTCOLOR));
}

}  // namespace

int Scaled(int pixels) {
  return ::MulDiv(pixels, ScreenDpi(), 96);
}

HFONT DesignFont() {
  static const HFONT font = MakeFont("MS Sans Serif", 11, VARIABLE_PITCH | FF_SWISS);
  return font;
}

HFONT MemoFont() {
  static const HFONT font = MakeFont("Courier New", 13, FIXED_PITCH | FF_MODERN);
  return font;
}

HWND MakeControl(HWND parent, int id, const char* windowClass, const std::string& text, DWORD style,
                 DWORD exStyle, Place place, HFONT font) {
  HWND control = ::CreateWindowExA(
      exStyle, windowClass, text.c_str(), WS_CHILD | style, Scaled(place.left), Scaled(place.top),
      Scaled(place.width), Scaled(place.height), parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
  ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

HWND MakeLabel(HWND parent, int id, const std::string& text, int left, int top) {
  HWND label = MakeControl(parent, id, "STATIC", text, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0,
                           {left, top, 0, 0});
  HDC dc = ::GetDC(label);
  HGDIOBJ old = ::SelectObject(dc, DesignFont());
  SIZE size = {};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(label, dc);
  ::SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
  return label;
}

HWND MakePanel(HWND parent, int id, Place place, UINT edge, bool visible) {
  RegisterPanelClass();
  HWND panel =
      MakeControl(parent, id, kPanelClass, "", WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0u),
                  WS_EX_CONTROLPARENT, place);
  ::SetWindowLongPtrA(panel, GWLP_USERDATA, static_cast<LONG_PTR>(edge));
  return panel;
}

void SetGlyph(HWND button, int glyph, int disabledGlyph, UINT align) {
  // One image for every state but the disabled one. The list's order is that of the button's
  // states: normal, hot, pressed, disabled, defaulted, stylus hot.
  constexpr int kDisabledState = 4;
  HIMAGELIST list = ::ImageList_Create(Scaled(16), Scaled(16), ILC_COLOR32 | ILC_MASK, 6, 0);
  HICON normal = LoadGlyph(glyph);
  HICON disabled = LoadGlyph(disabledGlyph);
  for (int state = 1; state <= 6; ++state) {
    ::ImageList_AddIcon(list, state == kDisabledState ? disabled : normal);
  }
  ::DestroyIcon(normal);
  ::DestroyIcon(disabled);
  BUTTON_IMAGELIST images = {};
  images.himl = list;
  images.uAlign = align;
  images.margin = {2, 0, 2, 0};
  ::SendMessageA(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images));
}

void ReleaseGlyph(HWND button) {
  BUTTON_IMAGELIST images = {};
  if (::SendMessageA(button, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images)) &&
      images.himl != nullptr) {
    BUTTON_IMAGELIST none = {};
    ::SendMessageA(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&none));
    ::ImageList_Destroy(images.himl);
  }
}

HWND MakeDialogWindow(HWND owner, DWORD style, DWORD exStyle, DLGPROC procedure, LPARAM param) {
  // A template with no controls, no menu, the dialog class and no title: the windows make
  // their controls in pixels themselves.
  struct alignas(4) EmptyTemplate {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
  } empty = {};
  empty.header.style = style & ~static_cast<DWORD>(WS_VISIBLE);
  empty.header.dwExtendedStyle = exStyle;
  return ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), &empty.header, owner, procedure,
                                      param);
}

void SetClientSizeCentred(HWND window, int width, int height) {
  RECT frame = {0, 0, Scaled(width), Scaled(height)};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_EXSTYLE)));
  const int frameWidth = frame.right - frame.left;
  const int frameHeight = frame.bottom - frame.top;
  RECT work = {};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  ::SetWindowPos(window, nullptr, work.left + (work.right - work.left - frameWidth) / 2,
                 work.top + (work.bottom - work.top - frameHeight) / 2, frameWidth, frameHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void RunModal(HWND dialog, HWND owner, const bool& done, bool enterPressesNothing) {
  const bool ownerWasEnabled = owner != nullptr && ::IsWindowEnabled(owner);
  if (ownerWasEnabled) {
    ::EnableWindow(owner, FALSE);
  }
  ::ShowWindow(dialog, SW_SHOW);
  ::SetForegroundWindow(dialog);
  MSG message;
  bool quit = false;
  WPARAM quitStatus = 0;
  while (!done) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      quit = got == 0;
      quitStatus = message.wParam;
      break;
    }
    if (enterPressesNothing && message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
        (message.hwnd == dialog || ::IsChild(dialog, message.hwnd))) {
      continue;
    }
    if (!::IsDialogMessageA(dialog, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
  // The owner comes back before the dialog goes, so that the system activates it.
  if (ownerWasEnabled) {
    ::EnableWindow(owner, TRUE);
  }
  ::DestroyWindow(dialog);
  if (quit) {
    ::PostQuitMessage(static_cast<int>(quitStatus));
  }
}

void RepaintNow(HWND window) {
  ::RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

std::string TextOf(HWND window) {
  const int length = ::GetWindowTextLengthA(window);
  std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = ::GetWindowTextA(window, text.data(), length + 1);
  return std::string(text.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

std::string WithCrLf(const std::string& text) {
  std::string result;
  result.reserve(text.size() + text.size() / 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      result += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      }
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace win32
