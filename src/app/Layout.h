// The main window's fixed layout, in twips from the client area's top-left
// corner (1440 twips to the inch: 15 twips per pixel at 96 DPI).
#pragma once

namespace quellaro {

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

// Text1's font: SimSun (宋体), 10.5 pt, regular, GB2312 character set.
inline constexpr wchar_t kSongTi[] = L"宋体";
inline constexpr int kText1FontTenths = 105;

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
