// The main window's fixed layout, in twips from the client area's top-left
// corner (1440 twips to the inch: 15 twips per pixel at 96 DPI).
#pragma once

namespace quellaro {

// The main window's class, by which a second start finds the running copy.
inline constexpr wchar_t kMainWindowClass[] = L"Quellaro.setPos";

inline constexpr int kTwipsPerInch = 1440;

// Twips to pixels at the given DPI, rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips, int dpi) { return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch; }

// A font height in pixels for a size in tenths of a point (10.5 pt is 105).
constexpr int PointTenthsToPixels(int pointTenths, int dpi) { return (pointTenths * dpi + 360) / 720; }

enum class ControlKind { TextBox, PushButton, CheckBox, Label, Picture };

struct ControlSpec {
  int id;
  const char* name;
  ControlKind kind;
  const wchar_t* text;
  int left, top, width, height;  // twips
};

struct RGB8 {
  unsigned char red, green, blue;
};

// A font by family, size in tenths of a point and weight (400 regular, 700
// bold), always in the GB2312 character set.
struct FontSpec {
  const wchar_t* face;
  int pointTenths;
  int weight;
};

// A rectangle on the screen, in pixels; right and bottom are exclusive.
struct PixelRect {
  int left, top, right, bottom;
};

// `window` moved by as little as it takes to lie inside `area`, its size
// kept. A window larger than the area keeps its left and top edges inside,
// so that its title bar stays reachable.
constexpr PixelRect KeepInside(PixelRect window, PixelRect area) {
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  int left = window.left;
  int top = window.top;
  if (left + width > area.right) left = area.right - width;
  if (top + height > area.bottom) top = area.bottom - height;
  if (left < area.left) left = area.left;
  if (top < area.top) top = area.top;
  return {left, top, left + width, top + height};
}

// A rectangle of the given size in the middle of `area`.
constexpr PixelRect CentredIn(int width, int height, PixelRect area) {
  const int left = area.left + (area.right - area.left - width) / 2;
  const int top = area.top + (area.bottom - area.top - height) / 2;
  return {left, top, left + width, top + height};
}

inline constexpr wchar_t kMainCaption[] = L"Quellaro";
inline constexpr int kMainClientWidth = 4260;   // twips
inline constexpr int kMainClientHeight = 1305;  // twips
inline constexpr RGB8 kMainBackground = {192, 192, 255};

// Where the window first appears: its client area's top-left corner.
inline constexpr int kMainClientLeft = 7200;  // twips
inline constexpr int kMainClientTop = 4650;   // twips

enum MainControlId {
  kIdText1 = 101,
  kIdCmdSetKey,
  kIdCmdMini,
  kIdCbAuto,
  kIdCommand1,
  kIdLbQQ,
};

// The two captions of the set-hotkey button; the click handler tells the
// capture's state by them.
inline constexpr wchar_t kCaptionSetKey[] = L"设置热键";
inline constexpr wchar_t kCaptionConfirm[] = L"确定";

inline constexpr wchar_t kCreditLine[] = L"Quellaro 开发组出品 · 免费使用";

inline constexpr wchar_t kSongTi[] = L"宋体";  // SimSun
// Both windows' default font: the Simplified Chinese toolkit default that the
// layout's 12-pixel text cells were drawn for. Windows' own message font
// (Microsoft YaHei UI, with a 16-pixel cell at 9 pt) would be cut off.
inline constexpr FontSpec kDefaultFont = {kSongTi, 90, 400};
inline constexpr FontSpec kText1Font = {kSongTi, 105, 400};

// In tab order.
inline constexpr ControlSpec kMainControls[] = {
    {kIdText1, "Text1", ControlKind::TextBox, L"F7", 1200, 120, 735, 390},
    {kIdCmdSetKey, "cmdSetKey", ControlKind::PushButton, kCaptionSetKey, 120, 120, 975, 375},
    {kIdCmdMini, "cmdMini", ControlKind::PushButton, L"托盘显示", 2040, 120, 975, 375},
    {kIdCbAuto, "CbAuto", ControlKind::CheckBox, L"下次自动托盘", 1320, 720, 1455, 180},
    {kIdCommand1, "Command1", ControlKind::PushButton, L"帮助", 3240, 120, 615, 375},
    {kIdLbQQ, "LbQQ", ControlKind::Label, kCreditLine, 120, 1080, 4095, 375},
};

}  // namespace quellaro
