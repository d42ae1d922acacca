// Platform implemented with the real Win32 calls.
#pragma once

#include "platform/Platform.h"

namespace quellaro {

class Win32Platform : public Platform {
 public:
  std::int16_t GetAsyncKeyState(int virtualKey) override;
  WindowHandle GetForegroundWindow() override;
  std::int32_t GetWindowLongA(WindowHandle window, int index) override;
  std::optional<ScreenRect> GetWindowRect(WindowHandle window) override;
  std::optional<ScreenRect> MonitorRect(WindowHandle window) override;
  bool AnswersWithin(WindowHandle window, unsigned milliseconds) override;
  bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                    unsigned flags) override;
  WindowHandle GetShellWindow() override;
  WindowHandle GetDesktopWindow() override;
  std::wstring ClassName(WindowHandle window) override;
  bool HasChildOfClass(WindowHandle parent, const wchar_t* className) override;
  TrayAnswer Shell_NotifyIconA(unsigned message, const TrayRecord& data) override;
  FileProbe ProbeFile(const std::wstring& path) override;
  FileRead ReadWholeFile(const std::wstring& path) override;
  bool WriteNewFile(const std::wstring& path, std::string_view bytes) override;
  bool MoveFileOver(const std::wstring& from, const std::wstring& to) override;
  void RemoveFile(const std::wstring& path) override;
  void Wait(unsigned milliseconds) override;
  std::wstring FromAnsi(std::string_view bytes) override;
  bool IsAnsiLeadByte(unsigned char byte) override;
  wchar_t KeyCharacter(int virtualKey) override;
  void ShowMessage(WindowHandle owner, const std::wstring& text) override;
  std::uint32_t GetLastError() override;
  WindowOwner OwnerOf(WindowHandle window) override;  // in Elevation.cpp
  bool RunsElevated() override;                       // in Elevation.cpp
  void MessageBeep(unsigned type) override;
  bool ShowTrayBalloon(const TrayRecord& icon, const std::wstring& title, const std::wstring& text,
                       unsigned infoFlags) override;
  void RunAsAdministrator() override;
};

}  // namespace quellaro
