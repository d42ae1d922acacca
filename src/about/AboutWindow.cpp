#include "about/AboutWindow.h"

#include <cstring>
#include <memory>
#include <utility>

#include <ole2.h>
#include <olectl.h>

#include "about/AboutLayout.h"
#include "app/Resources.h"
#include "platform/WindowProc.h"

namespace quellaro {
namespace {

constexpr wchar_t kClassName[] = L"Quellaro.frmAbout";
constexpr wchar_t kOwnerClassName[] = L"Quellaro.frmAboutOwner";
// Fixed dialog frame: title bar with the system menu and close box only.
constexpr DWORD kAboutStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kAboutExStyle = WS_EX_DLGMODALFRAME;

struct ComRelease {
  void operator()(IUnknown* object) const noexcept { object->Release(); }
};

// The OLE calls the picture needs, from DLLs loaded on the first About.
struct Ole {
  using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
  using CreateStreamOnHGlobalFn = HRESULT(WINAPI*)(HGLOBAL, BOOL, LPSTREAM*);
  using OleLoadPictureFn = HRESULT(WINAPI*)(LPSTREAM, LONG, BOOL, REFIID, LPVOID*);
  CoInitializeExFn coInitializeEx = SystemFunctionAs<CoInitializeExFn>(L"ole32.dll", "CoInitializeEx");
  CreateStreamOnHGlobalFn createStreamOnHGlobal =
      SystemFunctionAs<CreateStreamOnHGlobalFn>(L"ole32.dll", "CreateStreamOnHGlobal");
  OleLoadPictureFn oleLoadPicture = SystemFunctionAs<OleLoadPictureFn>(L"oleaut32.dll", "OleLoadPicture");
  bool ready = coInitializeEx && createStreamOnHGlobal && oleLoadPicture &&
               SUCCEEDED(coInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
};

// Decodes the JPEG resource through the system's picture loader and renders
// it once into a bitmap of `size` pixels.
UniqueBitmap LoadPicture(HINSTANCE instance, int size) {
  // COM stays initialised on this thread for the rest of the process.
  static const Ole ole;
  if (!ole.ready) return UniqueBitmap();
  HRSRC resource = ::FindResourceW(instance, MAKEINTRESOURCEW(kIdrAboutPicture), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!resource) return UniqueBitmap();
  HGLOBAL loaded = ::LoadResource(instance, resource);
  const DWORD bytes = ::SizeofResource(instance, resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data || bytes == 0) return UniqueBitmap();

  HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!copy) return UniqueBitmap();
  if (void* target = ::GlobalLock(copy)) {
    std::memcpy(target, data, bytes);
    ::GlobalUnlock(copy);
  }
  IStream* rawStream = nullptr;
  if (FAILED(ole.createStreamOnHGlobal(copy, TRUE, &rawStream))) {  // the stream frees `copy`
    ::GlobalFree(copy);
    return UniqueBitmap();
  }
  std::unique_ptr<IStream, ComRelease> stream(rawStream);
  IPicture* rawPicture = nullptr;
  if (FAILED(ole.oleLoadPicture(stream.get(), static_cast<LONG>(bytes), FALSE, IID_IPicture,
                                reinterpret_cast<void**>(&rawPicture)))) {
    return UniqueBitmap();
  }
  std::unique_ptr<IPicture, ComRelease> picture(rawPicture);
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture->get_Width(&width);
  picture->get_Height(&height);

  HDC screen = ::GetDC(nullptr);
  UniqueBitmap bitmap(::CreateCompatibleBitmap(screen, size, size));
  HDC memory = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  if (bitmap && memory) {
    HGDIOBJ old = ::SelectObject(memory, bitmap.get());
    picture->Render(memory, 0, 0, size, size, 0, height, width, -height, nullptr);
    ::SelectObject(memory, old);
  }
  if (memory) ::DeleteDC(memory);
  return bitmap;
}

// The window around the fixed client area at `dpi`, its frame drawn at `frameDpi`.
RECT FrameAt(int dpi, int frameDpi) {
  return DpiFunctions::Get().FrameAround(
      RECT{0, 0, TwipsToPixels(kAboutClientWidth, dpi), TwipsToPixels(kAboutClientHeight, dpi)}, kAboutStyle,
      kAboutExStyle, frameDpi);
}

bool RegisterOnce(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HICON icon) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(instance, name, &existing)) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = name;
  return ::RegisterClassExW(&windowClass) != 0;
}

}  // namespace

AboutWindow::AboutWindow(HINSTANCE instance, WindowCount& windows) : instance_(instance), windows_(windows) {}

AboutWindow::~AboutWindow() {
  if (window_) ::DestroyWindow(window_);
  if (owner_) ::DestroyWindow(owner_);
}

void AboutWindow::Show(HWND anchor) {
  if (!window_ && !Build(anchor)) return;
  ::ShowWindow(window_, SW_SHOWNORMAL);
  ::SetForegroundWindow(window_);
}

bool AboutWindow::Build(HWND anchor) {
  HICON appIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(kIdiApplication));
  if (!RegisterOnce(instance_, kClassName, WindowProcFor<AboutWindow>::Procedure, appIcon) ||
      !RegisterOnce(instance_, kOwnerClassName, ::DefWindowProcW, nullptr)) {
    return false;
  }
  // Anything may destroy the hidden owner (a WM_CLOSE from another program
  // does); without one the window would get a taskbar button.
  if (!owner_ || !::IsWindow(owner_)) {
    owner_ = ::CreateWindowExW(0, kOwnerClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, nullptr);
  }

  // Made at its place at the screen's DPI, so that Windows makes it on the
  // monitor it belongs to, at that monitor's DPI.
  const SIZE frame = SizeAt(ScreenDpi());
  const RECT work = WorkAreaOf(::MonitorFromWindow(anchor, MONITOR_DEFAULTTONEAREST));
  const PixelRect place = CentredIn(frame.cx, frame.cy, PixelRect{work.left, work.top, work.right, work.bottom});

  window_ = ::CreateWindowExW(kAboutExStyle, kClassName, kAboutCaption, kAboutStyle, place.left, place.top,
                              place.right - place.left, place.bottom - place.top, owner_, nullptr, instance_, this);
  if (!window_) return false;
  windows_.Opened();

  for (const AboutControlSpec& entry : kAboutControls) {
    const ControlSpec& control = entry.control;
    const bool picture = control.kind == ControlKind::Picture;
    // Siblings clip one another so that the icon stays above the title's box.
    const DWORD style =
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | (picture ? SS_ICON | SS_REALSIZEIMAGE : SS_LEFT | SS_NOPREFIX);
    // Found again by its id; one that could not be made is left out.
    static_cast<void>(::CreateWindowExW(0, L"STATIC", control.text, style, 0, 0, 0, 0, window_,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr));
  }
  const int dpi = DpiFunctions::Get().ForWindow(window_);
  const SIZE size = SizeAt(dpi);
  const PixelRect centred = CentredIn(size.cx, size.cy, PixelRect{work.left, work.top, work.right, work.bottom});
  LayOut(dpi, RECT{centred.left, centred.top, centred.right, centred.bottom});
  return true;
}

SIZE AboutWindow::SizeAt(int dpi) {
  const RECT frame = FrameAt(dpi, dpi);
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void AboutWindow::LayOut(int dpi, const RECT& wanted) {
  if (!window_) return;
  dpi_ = dpi;
  picture_ = LoadPicture(instance_, kAboutPictureSize * dpi / 96);
  // The controls get the new icon and fonts before the old ones go.
  UniqueIcon icon = LoadIconAt(instance_, kIdiApplication, kAboutIconSize * dpi / 96);
  std::array<UniqueFont, std::size(kAboutControls)> fonts;
  for (std::size_t i = 0; i < std::size(kAboutControls); ++i) {
    const AboutControlSpec& entry = kAboutControls[i];
    const ControlSpec& control = entry.control;
    HWND child = ::GetDlgItem(window_, control.id);
    if (!child) continue;
    ::MoveWindow(child, TwipsToPixels(control.left, dpi), TwipsToPixels(control.top, dpi),
                 TwipsToPixels(control.width, dpi), TwipsToPixels(control.height, dpi), FALSE);
    if (control.kind == ControlKind::Picture) {
      ::SendMessageW(child, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
      continue;
    }
    fonts[i] = CreateGb2312Font(entry.font.face, PointTenthsToPixels(entry.font.pointTenths, dpi), entry.font.weight);
    if (fonts[i]) ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts[i].get()), FALSE);
  }
  icon_ = std::move(icon);
  fonts_ = std::move(fonts);
  windowIcons_.Set(window_, instance_, kIdiApplication, dpi);

  // The frame is drawn at the DPI Windows gives the window, which is `dpi`
  // whenever Windows itself reports the change.
  const RECT frame = FrameAt(dpi, DpiFunctions::Get().ForWindow(window_));
  const RECT work = WorkAreaOf(::MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST));
  const PixelRect place = KeepInside(
      PixelRect{wanted.left, wanted.top, wanted.left + frame.right - frame.left, wanted.top + frame.bottom - frame.top},
      PixelRect{work.left, work.top, work.right, work.bottom});
  // Neither the Z order nor the focus is Quellaro's to change here.
  ::SetWindowPos(window_, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  // The labels are transparent: the picture and the background behind them
  // are drawn again first.
  ::RedrawWindow(window_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

LRESULT AboutWindow::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_GETDPISCALEDSIZE:
      *reinterpret_cast<SIZE*>(lParam) = SizeAt(static_cast<int>(wParam));
      return TRUE;
    case WM_DPICHANGED:
      LayOut(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      bool black = false;
      for (const AboutControlSpec& entry : kAboutControls) {
        if (entry.control.id == id) black = entry.blackText;
      }
      ::SetTextColor(dc, black ? RGB(0, 0, 0) : ::GetSysColor(COLOR_BTNTEXT));
      ::SetBkMode(dc, TRANSPARENT);  // the labels show the window through
      return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    }
    case WM_NCDESTROY: {
      window_ = nullptr;
      picture_.reset();
      icon_.reset();
      for (UniqueFont& font : fonts_) font.reset();
      windowIcons_.Forget();
      windows_.Closed();
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void AboutWindow::Paint(HWND window) {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(window, &paint);
  if (picture_) {
    // At its natural size from the top-left corner; the client area cuts off
    // the bottom rows.
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(memory, picture_.get());
    const int size = kAboutPictureSize * dpi_ / 96;
    ::BitBlt(dc, 0, 0, size, size, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
  }
  ::EndPaint(window, &paint);
}

}  // namespace quellaro
