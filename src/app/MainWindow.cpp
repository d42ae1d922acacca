#include "app/MainWindow.h"

#include <utility>
#include <vector>

#include <commctrl.h>
#include <imm.h>

#include "app/Layout.h"
#include "app/Resources.h"
#include "pinning/Poll.h"
#include "platform/WindowProc.h"

namespace quellaro {
namespace {

constexpr wchar_t kClassName[] = L"Quellaro.setPos";
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT_PTR kText1Subclass = 1;
constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;  // fixed single border
constexpr DWORD kMainExStyle = 0;
constexpr DWORD kMsgFltAllow = 1;  // MSGFLT_ALLOW

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

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
  const int copied = ::GetWindowTextW(window, buffer.data(), length + 1);
  return std::wstring(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

UniqueFont CreateFontFor(const FontSpec& font, int dpi) {
  return CreateGb2312Font(font.face, PointTenthsToPixels(font.pointTenths, dpi), font.weight);
}

// Text1 captures keys; it is not a text field. With an input method attached,
// a Chinese IME would take letters, digits and punctuation as VK_PROCESSKEY
// and compose text into the box; without one, every key arrives as itself.
void DetachInputMethod(HWND window) {
  using ImmAssociateContextExFn = BOOL(WINAPI*)(HWND, HIMC, DWORD);
  static const auto associate = SystemFunctionAs<ImmAssociateContextExFn>(L"imm32.dll", "ImmAssociateContextEx");
  if (associate) associate(window, nullptr, 0);
}

// An elevated Quellaro would never hear that Explorer restarted: UIPI drops
// messages from lower-integrity processes unless the window lets them in.
void AllowFromExplorer(HWND window, UINT message) {
  using ChangeWindowMessageFilterExFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  static const auto allow =
      SystemFunctionAs<ChangeWindowMessageFilterExFn>(L"user32.dll", "ChangeWindowMessageFilterEx");
  if (allow && message != 0) allow(window, message, kMsgFltAllow, nullptr);
}

RECT ToRect(PixelRect rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }
PixelRect ToPixelRect(const RECT& rect) { return PixelRect{rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

MainWindow::MainWindow(Platform& platform, std::wstring appDir, std::function<void(HWND)> showAbout,
                       std::function<void()> onDestroyed)
    : form_(platform, *this, std::move(appDir)),
      showAbout_(std::move(showAbout)),
      onDestroyed_(std::move(onDestroyed)) {}

MainWindow::~MainWindow() {
  if (window_) ::DestroyWindow(window_);
  // Nothing can paint with the class's brush once the class is gone.
  if (instance_) ::UnregisterClassW(kClassName, instance_);
}

bool MainWindow::Create(HINSTANCE instance) {
  dpi_ = ScreenDpi();
  icon_ = ::LoadIconW(instance, MAKEINTRESOURCEW(kIdiApplication));
  background_.reset(::CreateSolidBrush(ToColorRef(kMainBackground)));
  defaultFont_ = CreateFontFor(kDefaultFont, dpi_);
  text1Font_ = CreateFontFor(kText1Font, dpi_);
  taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProcFor<MainWindow>::Procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon_;
  windowClass.hIconSm =
      static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIdiApplication), IMAGE_ICON,
                                      ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background_.get();
  windowClass.lpszClassName = kClassName;
  if (!::RegisterClassExW(&windowClass)) return false;
  instance_ = instance;

  // The client area's corner at its fixed place, unless the window would not
  // fit there (a high DPI on a small screen): then moved in just enough.
  RECT frame{0, 0, TwipsToPixels(kMainClientWidth, dpi_), TwipsToPixels(kMainClientHeight, dpi_)};
  ::AdjustWindowRectEx(&frame, kMainStyle, FALSE, kMainExStyle);
  ::OffsetRect(&frame, TwipsToPixels(kMainClientLeft, dpi_), TwipsToPixels(kMainClientTop, dpi_));
  const RECT place = ToRect(
      KeepInside(ToPixelRect(frame), ToPixelRect(WorkAreaOf(::MonitorFromRect(&frame, MONITOR_DEFAULTTONEAREST)))));
  window_ = ::CreateWindowExW(kMainExStyle, kClassName, kMainCaption, kMainStyle, place.left, place.top,
                              place.right - place.left, place.bottom - place.top, nullptr, nullptr, instance, this);
  if (!window_) return false;
  AllowFromExplorer(window_, taskbarCreated_);
  CreateControls(instance);

  form_.Form_Load();
  if (!::IsIconic(window_)) {
    ::ShowWindow(window_, SW_SHOWNORMAL);
    ::UpdateWindow(window_);
  }
  ::SetTimer(window_, kTimer1, kPollIntervalMs, nullptr);
  return true;
}

void MainWindow::CreateControls(HINSTANCE instance) {
  for (const ControlSpec& entry : kMainControls) {
    const ControlClass cls = ClassFor(entry.kind);
    HWND control = ::CreateWindowExW(cls.exStyle, cls.className, entry.text, WS_CHILD | WS_VISIBLE | cls.style,
                                     TwipsToPixels(entry.left, dpi_), TwipsToPixels(entry.top, dpi_),
                                     TwipsToPixels(entry.width, dpi_), TwipsToPixels(entry.height, dpi_), window_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), instance, nullptr);
    controls_[static_cast<std::size_t>(entry.id - kIdText1)] = control;
    HFONT font = entry.id == kIdText1 ? text1Font_.get() : defaultFont_.get();
    if (control && font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  HWND text1 = Control(kIdText1);
  DetachInputMethod(text1);
  ::SetWindowSubclass(text1, Text1Proc, kText1Subclass, reinterpret_cast<DWORD_PTR>(this));
}

bool MainWindow::PreTranslate(MSG& message) { return window_ && ::IsDialogMessageW(window_, &message); }

LRESULT MainWindow::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kTimer1) form_.Timer1_Timer();
      return 0;
    case WM_SIZE:
      if (wParam == SIZE_MAXIMIZED) {
        // A shortcut set to "Run: Maximized" asks for this through the start-up
        // information, which the first ShowWindow obeys; a fixed-size window
        // goes straight back to its own size and place.
        ::ShowWindow(window, SW_RESTORE);
        return 0;
      }
      form_.Form_Resize();
      return 0;
    case WM_MOUSEMOVE:
      form_.Form_MouseMove(wParam, lParam);
      return 0;
    case WM_CTLCOLORSTATIC: {
      // The check box and the credit line sit on the window's light blue; a
      // disabled Text1 also asks here and keeps its default look.
      HWND control = reinterpret_cast<HWND>(lParam);
      if (control == Control(kIdCbAuto) || control == Control(kIdLbQQ)) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetBkColor(dc, ToColorRef(kMainBackground));
        return reinterpret_cast<LRESULT>(background_.get());
      }
      break;
    }
    case WM_ACTIVATE:
      // A minimised window has no focus to keep or give: it was saved before
      // the window went down and is given back once it is restored.
      if (HIWORD(wParam) != 0) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        SaveFocus();
        break;
      }
      RestoreFocus();
      return 0;
    case WM_SETFOCUS:
      // The window itself got the focus (restored from the tray, say): on to the control.
      if (::IsIconic(window)) break;
      RestoreFocus();
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) SaveFocus();  // the minimise box or the system menu
      break;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // At log-off the process ends without its windows being destroyed.
      if (wParam) form_.Form_Unload();
      return 0;
    case WM_DESTROY:
      ::KillTimer(window, kTimer1);
      form_.Form_Unload();
      return 0;
    case WM_NCDESTROY:
      window_ = nullptr;
      controls_.fill(nullptr);
      if (onDestroyed_) onDestroyed_();
      return 0;
    default:
      if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        form_.TaskbarCreated();
        return 0;
      }
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void MainWindow::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  // Enter and Esc reach here from the dialog keys as IDOK and IDCANCEL, also
  // with BN_CLICKED; no control has those ids, so they do nothing.
  switch (id) {
    case kIdCmdSetKey:
      form_.cmdSetKey_Click();
      break;
    case kIdCmdMini:
      form_.cmdMini_Click();
      break;
    case kIdCbAuto:
      form_.CbAuto_Click();
      break;
    case kIdCommand1:
      form_.Command1_Click();
      break;
    default:
      break;
  }
}

LRESULT CALLBACK MainWindow::Text1Proc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self) noexcept {
  try {
    return reinterpret_cast<MainWindow*>(self)->OnText1Message(edit, message, wParam, lParam);
  } catch (...) {
    return ::DefSubclassProc(edit, message, wParam, lParam);
  }
}

LRESULT MainWindow::OnText1Message(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE:
      // While choosing a key every key belongs to the box: Tab, Enter and Esc
      // must not move the focus or press a button.
      return ::DefSubclassProc(edit, message, wParam, lParam) | DLGC_WANTALLKEYS;
    case WM_CHAR:
      if (wParam == L'\r' || wParam == L'\t' || wParam == 0x1B) return 0;  // no beep, no tab character
      break;
    case WM_KEYDOWN:
      NoteKeyDownInText1(wParam);
      break;
    case WM_KEYUP: {
      const LRESULT result = ::DefSubclassProc(edit, message, wParam, lParam);
      if (TakeKeyDownInText1(wParam)) form_.Text1_KeyUp(static_cast<std::int16_t>(wParam));
      return result;
    }
    case WM_SYSKEYDOWN:
      // Alt and F10 are keys like any other here, but Alt+F4 still closes.
      NoteKeyDownInText1(wParam);
      if (wParam == VK_F4 && (lParam & (1 << 29))) break;
      return 0;
    case WM_SYSKEYUP:
      if (TakeKeyDownInText1(wParam)) form_.Text1_KeyUp(static_cast<std::int16_t>(wParam));
      return 0;
    case WM_KILLFOCUS:
      keysDownInText1_.reset();
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(edit, Text1Proc, kText1Subclass);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(edit, message, wParam, lParam);
}

void MainWindow::NoteKeyDownInText1(WPARAM key) {
  if (key < keysDownInText1_.size()) keysDownInText1_.set(key);
}

// Only a key pressed in the box counts when it is released there: the Enter
// that dismissed a message box, or a key held while the box got the focus,
// must not become the hotkey. PrintScreen is the exception: Windows keeps
// its key-down for the screenshot and delivers only the key-up.
bool MainWindow::TakeKeyDownInText1(WPARAM key) {
  if (key == VK_SNAPSHOT) return true;
  if (key >= keysDownInText1_.size() || !keysDownInText1_.test(key)) return false;
  keysDownInText1_.reset(key);
  return true;
}

void MainWindow::SaveFocus() {
  HWND focus = ::GetFocus();
  if (focus && ::IsChild(window_, focus)) lastFocus_ = focus;
}

void MainWindow::RestoreFocus() {
  HWND text1 = Control(kIdText1);
  if (::IsWindowEnabled(text1)) {
    ::SetFocus(text1);  // still choosing a key: back to the key box
    return;
  }
  const bool valid = lastFocus_ && ::IsChild(window_, lastFocus_) && ::IsWindowEnabled(lastFocus_);
  ::SetFocus(valid ? lastFocus_ : Control(kIdCmdSetKey));
}

int MainWindow::CbAutoValue() { return ::SendMessageW(Control(kIdCbAuto), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0; }

void MainWindow::SetCbAutoValue(int value) {
  ::SendMessageW(Control(kIdCbAuto), BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::wstring MainWindow::Text1Text() { return WindowText(Control(kIdText1)); }

void MainWindow::SetText1Text(const std::wstring& text) {
  HWND edit = Control(kIdText1);
  ::SetWindowTextW(edit, text.c_str());
  ::SendMessageW(edit, EM_SETSEL, text.size(), text.size());  // caret after the name
}

bool MainWindow::Text1Enabled() { return ::IsWindowEnabled(Control(kIdText1)) != FALSE; }

void MainWindow::SetText1Enabled(bool enabled) { ::EnableWindow(Control(kIdText1), enabled ? TRUE : FALSE); }

void MainWindow::FocusText1() { ::SetFocus(Control(kIdText1)); }

std::wstring MainWindow::CmdSetKeyCaption() { return WindowText(Control(kIdCmdSetKey)); }

void MainWindow::SetCmdSetKeyCaption(const std::wstring& caption) {
  ::SetWindowTextW(Control(kIdCmdSetKey), caption.c_str());
}

WindowState MainWindow::GetWindowState() { return ::IsIconic(window_) ? WindowState::Minimized : WindowState::Normal; }

void MainWindow::SetWindowState(WindowState state) {
  if (state == WindowState::Minimized) {
    SaveFocus();
    // SW_MINIMIZE would animate a window that was never on screen, flash its
    // taskbar button and activate the next window; starting in the tray
    // takes nothing from the window the user is in.
    ::ShowWindow(window_, ::IsWindowVisible(window_) ? SW_MINIMIZE : SW_SHOWMINNOACTIVE);
  } else if (::IsIconic(window_)) {
    ::ShowWindow(window_, SW_RESTORE);
  }
}

void MainWindow::SetVisible(bool visible) { ::ShowWindow(window_, visible ? SW_SHOW : SW_HIDE); }

void MainWindow::Activate() {
  ::SetForegroundWindow(window_);  // the activation puts the focus on a control
}

void MainWindow::ShowAbout() {
  if (showAbout_) showAbout_(window_);
}

}  // namespace quellaro
