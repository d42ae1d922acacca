// The Windows operations Quellaro uses, as one small interface.
//
// The portable logic (poll, settings, start-up, capture, tray decoding) talks
// only to this interface. Win32Platform implements it with real calls; the
// unit tests use a fake that records calls and plays back answers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Handles.h"

namespace quellaro {

// Win32 constants the logic passes through the seam, with their documented values.
inline constexpr int kGwlExStyle = -20;                           // GWL_EXSTYLE
inline constexpr int kGwlStyle = -16;                             // GWL_STYLE
inline constexpr std::int32_t kWsCaption = 0xC00000;              // WS_CAPTION, a title bar (WS_BORDER | WS_DLGFRAME)
inline constexpr std::int32_t kWsExTopmost = 0x8;                 // WS_EX_TOPMOST
inline constexpr std::intptr_t kHwndTopmost = -1;                 // HWND_TOPMOST
inline constexpr std::intptr_t kHwndBottom = 1;                   // HWND_BOTTOM
inline constexpr std::intptr_t kHwndNoTopmost = -2;               // HWND_NOTOPMOST
inline constexpr unsigned kSwpNoSize = 0x1;                       // SWP_NOSIZE
inline constexpr unsigned kSwpNoMove = 0x2;                       // SWP_NOMOVE
inline constexpr unsigned kSwpNoActivate = 0x10;                  // SWP_NOACTIVATE
inline constexpr unsigned kSwpAsyncWindowPos = 0x4000;            // SWP_ASYNCWINDOWPOS
inline constexpr unsigned kNimAdd = 0;                            // NIM_ADD
inline constexpr unsigned kNimModify = 1;                         // NIM_MODIFY
inline constexpr unsigned kNimDelete = 2;                         // NIM_DELETE
inline constexpr unsigned kNifMessage = 1;                        // NIF_MESSAGE
inline constexpr unsigned kNifIcon = 2;                           // NIF_ICON
inline constexpr unsigned kNifTip = 4;                            // NIF_TIP
inline constexpr unsigned kWmMouseMove = 0x200;                   // WM_MOUSEMOVE
inline constexpr unsigned kWmLButtonDown = 0x201;                 // WM_LBUTTONDOWN
inline constexpr unsigned kNinBalloonUserClick = 0x405;           // NIN_BALLOONUSERCLICK (WM_USER + 5)
inline constexpr unsigned kNiifWarning = 0x2;                     // NIIF_WARNING
inline constexpr unsigned kNiifNoSound = 0x10;                    // NIIF_NOSOUND
inline constexpr std::uint32_t kErrorAccessDenied = 5;            // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kErrorInvalidWindowHandle = 1400;  // ERROR_INVALID_WINDOW_HANDLE
inline constexpr unsigned kMbIconWarning = 0x30;                  // MB_ICONWARNING, the system's warning sound

// The fields of the shell's version-1 NOTIFYICONDATAA record that Quellaro
// fills. The Win32 layer copies them into the real structure; cbSize there is
// NOTIFYICONDATAA_V1_SIZE (88 bytes on 32-bit Windows).
struct TrayRecord {
  WindowHandle hWnd = nullptr;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  IconHandle hIcon = nullptr;
  std::array<char, 64> szTip{};  // ANSI, as the shell reads it
};

// How the shell met a tray call: it did it, it answered that it would not,
// or it did not answer in time (the call may still be carried out later).
enum class TrayAnswer { Taken, Refused, TimedOut };

// A rectangle in screen coordinates, right and bottom exclusive.
struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const ScreenRect& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
  }
};

// Who runs the program that owns a window, compared with Quellaro.
enum class WindowOwner {
  Peer,           // the same user at no higher integrity level, or the window has gone
  Administrator,  // the same user at a higher level: the program was run as administrator
  Stranger,       // another account or the system: its process or token cannot be read, or its user differs
};

// Outcome of looking for a file by name. Hidden: a hidden or system file of
// that name is there, which does not count as the file.
enum class FileProbe { Absent, Present, Hidden, Error };

// A whole file's bytes, or why there are none. Held: another program has it
// open without sharing, or has locked part of it, which usually passes.
struct FileRead {
  enum class Outcome { Read, Held, Failed };
  Outcome outcome = Outcome::Failed;
  std::string bytes;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Keyboard and windows.
  virtual std::int16_t GetAsyncKeyState(int virtualKey) = 0;
  virtual WindowHandle GetForegroundWindow() = 0;
  virtual std::int32_t GetWindowLongA(WindowHandle window, int index) = 0;
  // The window's rectangle, and that of the monitor it is on; nothing for a
  // handle that is not a window.
  virtual std::optional<ScreenRect> GetWindowRect(WindowHandle window) = 0;
  virtual std::optional<ScreenRect> MonitorRect(WindowHandle window) = 0;
  // False when the window's thread has not taken a message within
  // `milliseconds` (hung, or busy); a handle that is not a window answers.
  virtual bool AnswersWithin(WindowHandle window, unsigned milliseconds) = 0;
  virtual bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                            unsigned flags) = 0;
  // The shell's desktop window (null when no shell runs) and the desktop itself.
  virtual WindowHandle GetShellWindow() = 0;
  virtual WindowHandle GetDesktopWindow() = 0;
  // The window's class name, empty for a handle that is not a window.
  virtual std::wstring ClassName(WindowHandle window) = 0;
  // True when the window has a child window of that class.
  virtual bool HasChildOfClass(WindowHandle parent, const wchar_t* className) = 0;

  // Notification area.
  virtual TrayAnswer Shell_NotifyIconA(unsigned message, const TrayRecord& data) = 0;

  // Files. Paths are wide so that any folder name works; contents are bytes.
  virtual FileProbe ProbeFile(const std::wstring& path) = 0;
  // Not read when the file cannot be opened or a read fails partway.
  virtual FileRead ReadWholeFile(const std::wstring& path) = 0;
  // Creates or truncates the file and writes all bytes through to the disk.
  // A failure can leave a partly written file behind.
  virtual bool WriteNewFile(const std::wstring& path, std::string_view bytes) = 0;
  // Moves `from` over `to` in one step, replacing it.
  virtual bool MoveFileOver(const std::wstring& from, const std::wstring& to) = 0;
  virtual void RemoveFile(const std::wstring& path) = 0;
  // Blocks the calling thread for a moment.
  virtual void Wait(unsigned milliseconds) = 0;

  // Text in the system's ANSI code page, as the user will see it.
  virtual std::wstring FromAnsi(std::string_view bytes) = 0;
  // True when the byte starts a double-byte character in the ANSI code page
  // (code pages 932, 936, 949 and 950), so that alone it is no character.
  virtual bool IsAnsiLeadByte(unsigned char byte) = 0;
  // The character a key types without Shift on the current keyboard layout,
  // or 0 for a key that types none.
  virtual wchar_t KeyCharacter(int virtualKey) = 0;

  // A modal message box with a single OK button, no icon, caption "Quellaro".
  virtual void ShowMessage(WindowHandle owner, const std::wstring& text) = 0;

  // Telling the user that a window could not be changed.
  // The calling thread's last error, read right after the call that failed.
  virtual std::uint32_t GetLastError() = 0;
  virtual WindowOwner OwnerOf(WindowHandle window) = 0;
  // True when Quellaro itself runs elevated (as administrator).
  virtual bool RunsElevated() = 0;
  virtual void MessageBeep(unsigned type) = 0;
  // A balloon from the tray icon `icon` (its hWnd and uID) with the NIIF_
  // flags `infoFlags`; the texts are Unicode. True when the shell took it.
  virtual bool ShowTrayBalloon(const TrayRecord& icon, const std::wstring& title, const std::wstring& text,
                               unsigned infoFlags) = 0;
  // Starts Quellaro's own exe again as administrator, after Windows asks the
  // user; a user who declines changes nothing.
  virtual void RunAsAdministrator() = 0;
};

}  // namespace quellaro
