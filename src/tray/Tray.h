// The notification-area icon that stands in for the minimised main window.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace quellaro {

inline constexpr char kTrayTip[] = "Quellaro";
inline constexpr unsigned kTrayCallback = kWmMouseMove;  // notifications arrive as mouse moves
// The icon's id within the main window, the same on every run: Windows
// remembers whether the user keeps an icon on the taskbar or in the overflow
// area by the program's path and this id; an id that changed from run to run
// (the icon handle, say) would make it forget that choice. No GUID on
// purpose: a GUID ties the icon to one exe path, and a portable exe moves.
// Its notifications arrive as mouse moves with the id as wParam, where a real
// mouse move carries key flags (MK_LBUTTON 0x1 to MK_XBUTTON2 0x40, see
// https://learn.microsoft.com/en-us/windows/win32/inputdev/wm-mousemove):
// the id is above them all, so that no real move can pass for the icon.
inline constexpr std::uint32_t kTrayIconId = 0x100;

// A tray icon the shell refused is offered again after this many Timer1
// ticks (3 s), then after twice as long each time (6, 12, 24 and 48 s), then
// every minute. Each offer may block the whole program: the shell answers
// within about 4 s or not at all, and meanwhile no tick polls the hotkey.
inline constexpr int kTrayRetryTicks = 15;
inline constexpr int kTrayRetryMaxTicks = 300;

// The record AddTrayIcon registers: message, icon and tip, under kTrayIconId.
TrayRecord MakeTrayRecord(WindowHandle window, IconHandle icon);

// True when a mouse-move message is the tray icon reporting a left-button
// press. The shell passes the icon's id as wParam and the mouse message as
// lParam; a real mouse move over the window carries key flags and client
// coordinates instead, whose wParam never equals kTrayIconId.
bool IsTrayLeftButtonDown(const TrayRecord& record, std::uintptr_t wParam, std::intptr_t lParam);
// True when a mouse-move message is the tray icon reporting a click on its
// balloon (NIN_BALLOONUSERCLICK), which arrives the same way.
bool IsTrayBalloonClick(const TrayRecord& record, std::uintptr_t wParam, std::intptr_t lParam);

}  // namespace quellaro
