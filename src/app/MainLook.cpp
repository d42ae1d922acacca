#include "app/MainLook.h"

#include "app/Resources.h"

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

RECT ToRect(PixelRect rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }
PixelRect ToPixelRect(const RECT& rect) { return PixelRect{rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

MainLook::~MainLook() {
  // Nothing can paint with the class's brush once the class is gone.
  if (className_) ::UnregisterClassW(className_, instance_);
}

HWND MainLook::Create(HINSTANCE instance, const wchar_t* className, WNDPROC procedure, void* param) {
  const int dpi = ScreenDpi();
  icon_ = ::LoadIconW(instance, MAKEINTRESOURCEW(kIdiApplication));
  background_.reset(::CreateSolidBrush(ToColorRef(kMainBackground)));
  defaultFont_ = CreateFontFor(kDefaultFont, dpi);
  text1Font_ = CreateFontFor(kText1Font, dpi);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon_;
  windowClass.hIconSm =
      static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIdiApplication), IMAGE_ICON,
                                      ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background_.get();
  windowClass.lpszClassName = className;
  if (!::RegisterClassExW(&windowClass)) return nullptr;
  instance_ = instance;
  className_ = className;

  RECT frame{0, 0, TwipsToPixels(kMainClientWidth, dpi), TwipsToPixels(kMainClientHeight, dpi)};
  ::AdjustWindowRectEx(&frame, kMainStyle, FALSE, kMainExStyle);
  ::OffsetRect(&frame, TwipsToPixels(kMainClientLeft, dpi), TwipsToPixels(kMainClientTop, dpi));
  const RECT place = ToRect(
      KeepInside(ToPixelRect(frame), ToPixelRect(WorkAreaOf(::MonitorFromRect(&frame, MONITOR_DEFAULTTONEAREST)))));
  HWND window =
      ::CreateWindowExW(kMainExStyle, className, kMainCaption, kMainStyle, place.left, place.top,
                        place.right - place.left, place.bottom - place.top, nullptr, nullptr, instance, param);
  if (!window) return nullptr;

  for (const ControlSpec& entry : kMainControls) {
    const ControlClass cls = ClassFor(entry.kind);
    HWND control = ::CreateWindowExW(cls.exStyle, cls.className, entry.text, WS_CHILD | WS_VISIBLE | cls.style,
                                     TwipsToPixels(entry.left, dpi), TwipsToPixels(entry.top, dpi),
                                     TwipsToPixels(entry.width, dpi), TwipsToPixels(entry.height, dpi), window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), instance, nullptr);
    controls_[static_cast<std::size_t>(entry.id - kIdText1)] = control;
    HFONT font = entry.id == kIdText1 ? text1Font_.get() : defaultFont_.get();
    if (control && font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  return window;
}

HBRUSH MainLook::StaticBackground(HWND control, HDC dc) const {
  if (control != Control(kIdCbAuto) && control != Control(kIdLbQQ)) return nullptr;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetBkColor(dc, ToColorRef(kMainBackground));
  return background_.get();
}

}  // namespace quellaro
