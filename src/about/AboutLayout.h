// The About window's fixed layout, in twips from the client area's top-left
// corner, and its texts.
#pragma once

#include "app/Layout.h"

namespace quellaro {

inline constexpr wchar_t kAboutCaption[] = L"关于Quellaro";
inline constexpr int kAboutClientWidth = 7005;   // twips
inline constexpr int kAboutClientHeight = 2265;  // twips
inline constexpr int kAboutPictureSize = 154;    // pixels at 96 DPI, drawn at the top-left corner
inline constexpr int kAboutIconSize = 32;        // pixels at 96 DPI

enum AboutControlId {
  kIdPicIcon = 201,
  kIdLblDescription,
  kIdLblTitle,
  kIdLbHelp,
};

inline constexpr wchar_t kAboutTitle[] = L"Quellaro V1.0.1";
inline constexpr wchar_t kAboutCredit[] = L"Quellaro 开发组 制作，免费使用";
inline constexpr wchar_t kAboutHelp[] =
    L"    使用说明：在设定热键后，激活您想置顶的窗口，然后按已设定的热键即可，再按一次即可取消置顶。";

struct AboutControlSpec {
  ControlSpec control;
  FontSpec font;   // the picture has none
  bool blackText;  // otherwise the system's button-text colour
};

// In tab order.
inline constexpr AboutControlSpec kAboutControls[] = {
    {{kIdPicIcon, "picIcon", ControlKind::Picture, L"", 5760, 120, 480, 480}, {nullptr, 0, 0}, false},
    {{kIdLblDescription, "lblDescription", ControlKind::Label, kAboutCredit, 2880, 840, 4965, 330},
     {kSongTi, 105, 700},
     true},
    {{kIdLblTitle, "lblTitle", ControlKind::Label, kAboutTitle, 2880, 240, 3885, 480}, {kSongTi, 120, 700}, true},
    {{kIdLbHelp, "LbHelp", ControlKind::Label, kAboutHelp, 2880, 1320, 3855, 975}, kDefaultFont, false},
};

}  // namespace quellaro
