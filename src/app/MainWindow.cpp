#include "app/MainWindow.h"

#include <utility>
#include <vector>

#include <commctrl.h>

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

}  // namespace

MainWindow::MainWindow(Platform& platform, std::wstring appDir, std::function<void()> showAbout,
                       std::function<void()> onDestroyed)
    : form_(platform, *this, std::move(appDir)),
      showAbout_(std::move(showAbout)),
      onDestroyed_(std::move(onDestroyed)) {}

MainWindow::~MainWindow() {
  if (window_) ::DestroyWindow(window_);
}

bool MainWindow::Create(HINSTANCE instance) {
  dpi_ = ScreenDpi();
  icon_ = ::LoadIconW(instance, MAKEINTRESOURCEW(kIdiApplication));
  background_.reset(::CreateSolidBrush(ToColorRef(kMainBackground)));
  guiFont_ = CreateDefaultGuiFont();
  text1Font_.reset(::CreateFontW(-PointTenthsToPixels(kText1FontTenths, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, kSongTi));
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

  RECT frame{0, 0, TwipsToPixels(kMainClientWidth, dpi_), TwipsToPixels(kMainClientHeight, dpi_)};
  ::AdjustWindowRectEx(&frame, kMainStyle, FALSE, kMainExStyle);
  const int left = TwipsToPixels(kMainClientLeft, dpi_) + frame.left;
  const int top = TwipsToPixels(kMainClientTop, dpi_) + frame.top;
  window_ = ::CreateWindowExW(kMainExStyle, kClassName, kMainCaption, kMainStyle, left, top, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, nullptr, instance, this);
  if (!window_) return false;
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
    HFONT font = entry.id == kIdText1 ? text1Font_.get() : guiFont_.get();
    if (control && font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  ::SetWindowSubclass(Control(kIdText1), Text1Proc, kText1Subclass, reinterpret_cast<DWORD_PTR>(this));
}

bool MainWindow::PreTranslate(MSG& message) { return window_ && ::IsDialogMessageW(window_, &message); }

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kTimer1) form_.Timer1_Timer();
      return 0;
    case WM_SIZE:
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
      if (LOWORD(wParam) == WA_INACTIVE) {
        lastFocus_ = ::GetFocus();
      } else if (::IsWindowEnabled(Control(kIdText1))) {
        ::SetFocus(Control(kIdText1));  // still choosing a key: back to the key box
        return 0;
      } else {
        const bool valid = lastFocus_ && ::IsChild(window_, lastFocus_) && ::IsWindowEnabled(lastFocus_);
        ::SetFocus(valid ? lastFocus_ : Control(kIdCmdSetKey));
        return 0;
      }
      break;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // At log-off the process ends without its windows being destroyed.
      if (wParam) form_.Form_Unload();
      return 0;
    case WM_DESTROY:
      ::KillTimer(window_, kTimer1);
      form_.Form_Unload();
      return 0;
    case WM_NCDESTROY:
      window_ = nullptr;
      if (onDestroyed_) onDestroyed_();
      return 0;
    default:
      if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        form_.TaskbarCreated();
        return 0;
      }
      break;
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;  // Enter and Esc arrive as IDOK and IDCANCEL: ignored
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
    return reinterpret_cast<MainWindow*>(self)->OnText1Message(message, wParam, lParam);
  } catch (...) {
    return ::DefSubclassProc(edit, message, wParam, lParam);
  }
}

LRESULT MainWindow::OnText1Message(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND edit = Control(kIdText1);
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
// must not become the hotkey.
bool MainWindow::TakeKeyDownInText1(WPARAM key) {
  if (key >= keysDownInText1_.size() || !keysDownInText1_.test(key)) return false;
  keysDownInText1_.reset(key);
  return true;
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
    ::ShowWindow(window_, SW_MINIMIZE);
  } else if (::IsIconic(window_)) {
    ::ShowWindow(window_, SW_RESTORE);
  }
}

void MainWindow::SetVisible(bool visible) { ::ShowWindow(window_, visible ? SW_SHOW : SW_HIDE); }

void MainWindow::Activate() {
  ::SetForegroundWindow(window_);  // the activation puts the focus on a control
}

void MainWindow::ShowAbout() {
  if (showAbout_) showAbout_();
}

}  // namespace quellaro
