// The notification-area icon that stands in for the minimised main window.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace quellaro {

inline constexpr char kTrayTip[] = "Quellaro";
inline constexpr unsigned kTrayCallback = kWmMouseMove;  // notifications arrive as mouse moves

// The record AddTrayIcon registers: message, icon and tip; the icon's handle
// doubles as the icon's id.
TrayRecord MakeTrayRecord(WindowHandle window, IconHandle icon);

// True when a mouse-move message is the tray icon reporting a left-button
// press. The shell passes the icon's id as wParam and the mouse message as
// lParam; a real mouse move over the window carries key flags and client
// coordinates instead, whose wParam never equals an icon handle.
bool IsTrayLeftButtonDown(const TrayRecord& record, std::uintptr_t wParam, std::intptr_t lParam);

}  // namespace quellaro
