#include "app/MainLook.h"

#include "app/Resources.h"

#include <utility>

namespace quellaro {
namespace {

constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;  // fixed single border
constexpr DWORD kMainExStyle = 0;

COLORREF ToColorRef(RGB8 colour) { return RGB(colour.red, colour.green, colour.blue); }

struct ControlClass {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

ControlClass ClassFor(ControlKind kind) {
  switch (kind) {
    case ControlKind::TextBox:
      return {L"EDIT", WS_TABSTOP | WS_DISABLED | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::PushButton:
      return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::CheckBox:
      return {L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case ControlKind::Label:
    case ControlKind::Picture:
      break;
  }
  return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
}

UniqueFont CreateFontFor(const FontSpec& font, int dpi) {
  return CreateGb2312Font(font.face, PointTenthsToPixels(font.pointTenths, dpi), font.weight);
}

PixelRect ToPixelRect(const RECT& rect) { return PixelRect{rect.left, rect.top, rect.right, rect.bottom}; }

// The window around the fixed client area at `dpi`, its frame drawn at `frameDpi`.
RECT WindowAround(int dpi, int frameDpi) {
  return DpiFunctions::Get().FrameAround(
      RECT{0, 0, TwipsToPixels(kMainClientWidth, dpi), TwipsToPixels(kMainClientHeight, dpi)}, kMainStyle, kMainExStyle,
      frameDpi);
}

}  // namespace

MainLook::~MainLook() {
  // Nothing can paint with the class's brush once the class is gone.
  if (className_) ::UnregisterClassW(className_, instance_);
}

HWND MainLook::Create(HINSTANCE instance, const wchar_t* className, WNDPROC procedure, void* param) {
  instance_ = instance;
  background_.reset(::CreateSolidBrush(ToColorRef(kMainBackground)));
  LoadTrayIcon();

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(kIdiApplication));
  windowClass.hIconSm = trayIcon_;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background_.get();
  windowClass.lpszClassName = className;
  if (!::RegisterClassExW(&windowClass)) return nullptr;
  className_ = className;

  // Made at its place at the screen's DPI, so that Windows makes it on the
  // monitor it belongs to, at that monitor's DPI.
  const RECT place = PlaceAt(ScreenDpi());
  window_ = ::CreateWindowExW(kMainExStyle, className, kMainCaption, kMainStyle, place.left, place.top,
                              place.right - place.left, place.bottom - place.top, nullptr, nullptr, instance, param);
  if (!window_) return nullptr;

  for (const ControlSpec& entry : kMainControls) {
    const ControlClass cls = ClassFor(entry.kind);
    controls_[static_cast<std::size_t>(entry.id - kIdText1)] =
        ::CreateWindowExW(cls.exStyle, cls.className, entry.text, WS_CHILD | WS_VISIBLE | cls.style, 0, 0, 0, 0,
                          window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), instance, nullptr);
  }
  const int dpi = DpiFunctions::Get().ForWindow(window_);
  LayOut(dpi, PlaceAt(dpi));
  return window_;
}

RECT MainLook::PlaceAt(int dpi) const {
  RECT frame = WindowAround(dpi, dpi);
  ::OffsetRect(&frame, TwipsToPixels(kMainClientLeft, dpi), TwipsToPixels(kMainClientTop, dpi));
  return frame;
}

void MainLook::LoadTrayIcon() {
  // The taskbar is drawn at the system DPI; shared, like the class's icons.
  trayIcon_ =
      static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(kIdiApplication), IMAGE_ICON,
                                      ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

SIZE MainLook::SizeAt(int dpi) const {
  const RECT frame = WindowAround(dpi, dpi);
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void MainLook::LayOut(int dpi, const RECT& wanted) {
  if (!window_) return;
  // The controls get the new fonts before the old ones go.
  UniqueFont defaultFont = CreateFontFor(kDefaultFont, dpi);
  UniqueFont text1Font = CreateFontFor(kText1Font, dpi);
  for (const ControlSpec& entry : kMainControls) {
    HWND control = Control(entry.id);
    if (!control) continue;
    ::MoveWindow(control, TwipsToPixels(entry.left, dpi), TwipsToPixels(entry.top, dpi),
                 TwipsToPixels(entry.width, dpi), TwipsToPixels(entry.height, dpi), FALSE);
    HFONT font = entry.id == kIdText1 ? text1Font.get() : defaultFont.get();
    if (font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  defaultFont_ = std::move(defaultFont);
  text1Font_ = std::move(text1Font);
  windowIcons_.Set(window_, instance_, kIdiApplication, dpi);
  dpi_ = dpi;
  // A minimised window keeps the size it is restored to whatever it is
  // given now; it gets the new one once it is back (Restored).
  if (::IsIconic(window_)) return;

  // The frame is drawn at the DPI Windows gives the window, which is `dpi`
  // whenever Windows itself reports the change.
  const RECT frame = WindowAround(dpi, DpiFunctions::Get().ForWindow(window_));
  const PixelRect wantedPlace{wanted.left, wanted.top, wanted.left + frame.right - frame.left,
                              wanted.top + frame.bottom - frame.top};
  const PixelRect place =
      KeepInside(wantedPlace, ToPixelRect(WorkAreaOf(::MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST))));
  // Neither the Z order nor the focus is Quellaro's to change here.
  ::SetWindowPos(window_, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::RedrawWindow(window_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void MainLook::Restored() {
  const RECT frame = WindowAround(dpi_, DpiFunctions::Get().ForWindow(window_));
  RECT now{};
  ::GetWindowRect(window_, &now);
  if (now.right - now.left == frame.right - frame.left && now.bottom - now.top == frame.bottom - frame.top) return;
  ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HBRUSH MainLook::StaticBackground(HWND control, HDC dc) const {
  if (control != Control(kIdCbAuto) && control != Control(kIdLbQQ)) return nullptr;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetBkColor(dc, ToColorRef(kMainBackground));
  return background_.get();
}

}  // namespace quellaro
