#include "app/MainWindow.h"

#include <utility>

#include <commctrl.h>
#include <imm.h>

#include "app/Layout.h"
#include "pinning/Poll.h"
#include "platform/WindowProc.h"
#include "tray/Tray.h"

namespace quellaro {
namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr UINT_PTR kText1Subclass = 1;
constexpr DWORD kMsgFltAllow = 1;  // MSGFLT_ALLOW

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
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

}  // namespace

MainWindow::MainWindow(Platform& platform, std::wstring appDir, AboutWindow& about, WindowCount& windows)
    : form_(platform, *this, std::move(appDir)), about_(about), windows_(windows) {
  windows_.Opened();
}

MainWindow::~MainWindow() {
  if (window_) ::DestroyWindow(window_);
}

bool MainWindow::Create(HINSTANCE instance) {
  taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
  if (!look_.Create(instance, kMainWindowClass, WindowProcFor<MainWindow>::Procedure, this)) return false;
  AllowFromExplorer(window_, taskbarCreated_);
  // The tray icon's notifications too, which Explorer posts. UIPI blocks a
  // message posted from a lower integrity level unless the window lets it in
  // (https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-postmessagew,
  // https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-changewindowmessagefilterex);
  // some messages below WM_USER always pass, but which is not documented.
  AllowFromExplorer(window_, kTrayCallback);
  HWND text1 = Control(kIdText1);
  DetachInputMethod(text1);
  ::SetWindowSubclass(text1, Text1Proc, kText1Subclass, reinterpret_cast<DWORD_PTR>(this));

  form_.Form_Load();
  if (!::IsIconic(window_)) {
    ::ShowWindow(window_, SW_SHOWNORMAL);
    ::UpdateWindow(window_);
  }
  ::SetTimer(window_, kTimer1, kPollIntervalMs, nullptr);
  return true;
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
      if (wParam == SIZE_RESTORED) look_.Restored();
      form_.Form_Resize();
      return 0;
    case WM_MOUSEMOVE:
      form_.Form_MouseMove(wParam, lParam);
      return 0;
    case WM_GETDPISCALEDSIZE:
      *reinterpret_cast<SIZE*>(lParam) = look_.SizeAt(static_cast<int>(wParam));
      return TRUE;
    case WM_DPICHANGED:
      look_.DpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = look_.StaticBackground(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam))) {
        return reinterpret_cast<LRESULT>(brush);
      }
      break;
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
      if (!wParam) return 0;
      if (lParam & ENDSESSION_CLOSEAPP) {
        // The Restart Manager, for an installer or updater that replaces
        // Quellaro.exe: "the application must shut down"
        // (https://learn.microsoft.com/en-us/windows/win32/shutdown/wm-endsession).
        // Closing the windows runs the unload once and ends the process.
        if (HWND about = about_.Window()) ::DestroyWindow(about);
        ::DestroyWindow(window);
        return 0;
      }
      // At log-off the process ends without its windows being destroyed.
      form_.Form_Unload();
      return 0;
    case WM_DESTROY:
      ::KillTimer(window, kTimer1);
      form_.Form_Unload();
      return 0;
    case WM_NCDESTROY:
      window_ = nullptr;
      look_.Destroyed();
      windows_.Closed();
      return 0;
    default:
      if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        look_.LoadTrayIcon();  // at the new notification area's DPI
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
  return reinterpret_cast<MainWindow*>(self)->OnText1Message(edit, message, wParam, lParam);
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

void MainWindow::SetVisible(bool visible) {
  // A minimised window comes back as its taskbar button, taking nothing from
  // the window the user is in.
  const int show = ::IsIconic(window_) ? SW_SHOWMINNOACTIVE : SW_SHOW;
  ::ShowWindow(window_, visible ? show : SW_HIDE);
}

void MainWindow::Activate() {
  ::SetForegroundWindow(window_);  // the activation puts the focus on a control
}

void MainWindow::ShowAbout() { about_.Show(window_); }

}  // namespace quellaro
