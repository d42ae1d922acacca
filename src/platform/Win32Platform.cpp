#include "platform/Win32Platform.h"

#include <cstddef>
#include <cstring>
#include <iterator>

#include "platform/Win32.h"

#include <shellapi.h>

namespace quellaro {
namespace {

// Lines of config.ini are a few bytes; anything beyond this is not a
// settings file worth reading to the end.
constexpr DWORD kMaxSettingsBytes = 1 << 20;

// The longest path Windows can name, in characters with the terminating NUL.
constexpr DWORD kLongestPath = 32768;

// Room for every class name the poll looks for; a longer name, cut short
// here, still matches none of them.
constexpr int kClassNameRoom = 64;

// The shell gives up on its notification area after about 4 s; a failed call
// that took this long was a wait that ran out, not an answer.
constexpr DWORD kShellWaitedMs = 1000;

ScreenRect FromRect(const RECT& rect) { return ScreenRect{rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

std::wstring ApplicationDirectory() {
  std::wstring path(kLongestPath, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, path.data(), kLongestPath));
  // Started through a symbolic link (winget puts one on the PATH for a
  // portable install), the module's path is the link's; the settings belong
  // beside the real exe.
  UniqueFile file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  std::wstring final(kLongestPath, L'\0');
  const DWORD length =
      file ? ::GetFinalPathNameByHandleW(file.get(), final.data(), kLongestPath, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)
           : 0;
  final.resize(length < kLongestPath ? length : 0);
  // "\\?\C:\folder\Quellaro.exe", or "\\?\UNC\server\share\..." on a network drive.
  if (final.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    path = L"\\\\" + final.substr(8);
  } else if (final.rfind(L"\\\\?\\", 0) == 0) {
    path = final.substr(4);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

FARPROC SystemFunction(const wchar_t* dll, const char* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, length) + L"\\" + dll;
  HMODULE module = ::GetModuleHandleW(path.c_str());
  if (!module) module = ::LoadLibraryW(path.c_str());
  return module ? ::GetProcAddress(module, name) : nullptr;
}

UniqueFont CreateGb2312Font(const wchar_t* face, int pixels, int weight) {
  return UniqueFont(::CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face));
}

RECT WorkAreaOf(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (monitor && ::GetMonitorInfoW(monitor, &info)) return info.rcWork;
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

std::int16_t Win32Platform::GetAsyncKeyState(int virtualKey) { return ::GetAsyncKeyState(virtualKey); }

WindowHandle Win32Platform::GetForegroundWindow() { return ::GetForegroundWindow(); }

std::int32_t Win32Platform::GetWindowLongA(WindowHandle window, int index) { return ::GetWindowLongA(window, index); }

bool Win32Platform::SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                                 unsigned flags) {
  return ::SetWindowPos(window, insertAfter, x, y, cx, cy, flags) != FALSE;
}

std::optional<ScreenRect> Win32Platform::GetWindowRect(WindowHandle window) {
  RECT rect{};
  if (!::GetWindowRect(window, &rect)) return std::nullopt;
  return FromRect(rect);
}

std::optional<ScreenRect> Win32Platform::MonitorRect(WindowHandle window) {
  // rcMonitor, the whole monitor with its taskbar
  // (https://learn.microsoft.com/en-us/windows/win32/api/winuser/ns-winuser-monitorinfo).
  HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTONULL);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!monitor || !::GetMonitorInfoW(monitor, &info)) return std::nullopt;
  return FromRect(info.rcMonitor);
}

bool Win32Platform::AnswersWithin(WindowHandle window, unsigned milliseconds) {
  // WM_NULL does nothing but wait its turn in the window's thread.
  // SMTO_ABORTIFHUNG gives up at once on a thread Windows already takes for
  // hung; SMTO_BLOCK keeps Quellaro's own messages (the next tick above all)
  // from running inside the wait
  // (https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-sendmessagetimeoutw).
  // A window of Quellaro's own thread is called directly.
  DWORD_PTR result = 0;
  if (::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, milliseconds, &result)) return true;
  // A window that has gone is no program that hangs: SetWindowPos says so.
  return ::GetLastError() == ERROR_INVALID_WINDOW_HANDLE;
}

WindowHandle Win32Platform::GetShellWindow() { return ::GetShellWindow(); }

WindowHandle Win32Platform::GetDesktopWindow() { return ::GetDesktopWindow(); }

std::wstring Win32Platform::ClassName(WindowHandle window) {
  wchar_t name[kClassNameRoom];
  const int length = ::GetClassNameW(window, name, kClassNameRoom);
  return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

bool Win32Platform::HasChildOfClass(WindowHandle parent, const wchar_t* className) {
  return ::FindWindowExW(parent, nullptr, className, nullptr) != nullptr;
}

TrayAnswer Win32Platform::Shell_NotifyIconA(unsigned message, const TrayRecord& data) {
  NOTIFYICONDATAA record{};
  record.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record.hWnd = data.hWnd;
  record.uID = data.uID;
  record.uFlags = data.uFlags;
  record.uCallbackMessage = data.uCallbackMessage;
  record.hIcon = data.hIcon;
  static_assert(sizeof(record.szTip) >= sizeof(data.szTip));
  std::memcpy(record.szTip, data.szTip.data(), data.szTip.size());
  using ShellNotifyIconFn = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);
  static const auto notify = SystemFunctionAs<ShellNotifyIconFn>(L"shell32.dll", "Shell_NotifyIconA");
  if (!notify) return TrayAnswer::Refused;
  // The last error does not tell a wait that ran out from a refusal (it is
  // often 0 for both), so the time the call took does.
  const DWORD start = ::GetTickCount();
  if (notify(message, &record)) return TrayAnswer::Taken;
  const bool waited = ::GetLastError() == ERROR_TIMEOUT || ::GetTickCount() - start >= kShellWaitedMs;
  return waited ? TrayAnswer::TimedOut : TrayAnswer::Refused;
}

FileProbe Win32Platform::ProbeFile(const std::wstring& path) {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileProbe::Absent : FileProbe::Error;
  }
  ::FindClose(search);
  // Only a normal file counts: a folder of that name is not the settings
  // file, and a hidden or system one is not read either.
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FileProbe::Absent;
  constexpr DWORD kNotNormal = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return (found.dwFileAttributes & kNotNormal) ? FileProbe::Hidden : FileProbe::Present;
}

FileRead Win32Platform::ReadWholeFile(const std::wstring& path) {
  // Held: opened by another program that shares no reading
  // (ERROR_SHARING_VIOLATION), or a range of it locked (ERROR_LOCK_VIOLATION),
  // https://learn.microsoft.com/en-us/windows/win32/debug/system-error-codes--0-499-
  const auto failure = [] {
    const DWORD error = ::GetLastError();
    const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    return FileRead{held ? FileRead::Outcome::Held : FileRead::Outcome::Failed, std::string()};
  };
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return failure();
  FileRead result{FileRead::Outcome::Read, std::string()};
  char chunk[4096];
  DWORD read = 0;
  while (result.bytes.size() < kMaxSettingsBytes) {
    // A read that fails partway is a failed read, not a short file.
    if (!::ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr)) return failure();
    if (read == 0) break;
    result.bytes.append(chunk, read);
  }
  return result;
}

bool Win32Platform::WriteNewFile(const std::wstring& path, std::string_view bytes) {
  UniqueFile file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size() && ::FlushFileBuffers(file.get());
}

bool Win32Platform::MoveFileOver(const std::wstring& from, const std::wstring& to) {
  return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void Win32Platform::RemoveFile(const std::wstring& path) { ::DeleteFileW(path.c_str()); }

void Win32Platform::Wait(unsigned milliseconds) { ::Sleep(milliseconds); }

std::wstring Win32Platform::FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  const int size = static_cast<int>(bytes.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, text.data(), length);
  return text;
}

bool Win32Platform::IsAnsiLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

wchar_t Win32Platform::KeyCharacter(int virtualKey) {
  // The low word is the character; the top bit only marks a dead key.
  return static_cast<wchar_t>(::MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_CHAR) & 0xFFFF);
}

void Win32Platform::ShowMessage(WindowHandle owner, const std::wstring& text) {
  ::MessageBoxW(owner, text.c_str(), L"Quellaro", MB_OK);
}

std::uint32_t Win32Platform::GetLastError() { return ::GetLastError(); }

void Win32Platform::MessageBeep(unsigned type) { ::MessageBeep(type); }

bool Win32Platform::ShowTrayBalloon(const TrayRecord& icon, const std::wstring& title, const std::wstring& text,
                                    unsigned infoFlags) {
  // Wide, since no ANSI code page but the Chinese one can carry the texts.
  // The smallest record with the balloon's fields is the version-5.0 one,
  // "the size of the pre-6.0 structure is given by the NOTIFYICONDATA_V2_SIZE
  // constant" (https://learn.microsoft.com/en-us/windows/win32/api/shellapi/ns-shellapi-notifyicondataw);
  // NIM_MODIFY with NIF_INFO alone changes nothing else about the icon.
  NOTIFYICONDATAW record{};
  record.cbSize = NOTIFYICONDATAW_V2_SIZE;
  record.hWnd = icon.hWnd;
  record.uID = icon.uID;
  record.uFlags = NIF_INFO;
  record.dwInfoFlags = infoFlags;
  static_assert(NOTIFYICONDATAW_V2_SIZE > offsetof(NOTIFYICONDATAW, dwInfoFlags));
  title.copy(record.szInfoTitle, std::size(record.szInfoTitle) - 1);
  text.copy(record.szInfo, std::size(record.szInfo) - 1);
  using ShellNotifyIconFn = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);
  static const auto notify = SystemFunctionAs<ShellNotifyIconFn>(L"shell32.dll", "Shell_NotifyIconW");
  return notify && notify(NIM_MODIFY, &record) != FALSE;
}

void Win32Platform::RunAsAdministrator() {
  // The verb "runas" starts the exe elevated after the consent prompt
  // (https://learn.microsoft.com/en-us/windows/win32/api/shellapi/ns-shellapi-shellexecuteinfow,
  // https://learn.microsoft.com/en-us/windows/win32/shell/launch). A user who
  // declines makes the call fail with ERROR_CANCELLED: nothing to do then,
  // this copy runs on as it was.
  std::wstring path(kLongestPath, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, path.data(), kLongestPath));
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.lpVerb = L"runas";
  info.lpFile = path.c_str();
  info.nShow = SW_SHOWNORMAL;
  using ShellExecuteExFn = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
  static const auto execute = SystemFunctionAs<ShellExecuteExFn>(L"shell32.dll", "ShellExecuteExW");
  if (execute) execute(&info);
}

}  // namespace quellaro
