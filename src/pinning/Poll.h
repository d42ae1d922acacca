// The 200 ms poll: while the hotkey is down, flip the foreground window's
// always-on-top state. The key is only observed, never intercepted.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace quellaro {

inline constexpr unsigned kPollIntervalMs = 200;
// How long a tick waits for the window in front to answer before leaving it
// alone: well under a second, and long enough for a program that is merely
// drawing or loading something.
inline constexpr unsigned kAnswerWaitMs = 300;

// True while the key is down at this instant (the sign bit of the key state).
bool IsKeyDown(Platform& platform, std::int16_t keyCode);

// True when the window's extended style has WS_EX_TOPMOST. A handle that is
// not a window reads as style 0, so as not topmost.
bool IsTopmost(Platform& platform, WindowHandle window);

// True for the shell's own windows (the desktop, the taskbars, Start and the
// other surfaces of the shell): flipping any of them breaks the desktop.
bool IsShellWindow(Platform& platform, WindowHandle window);

// True for a full-screen program (a game, a slide show, a film, a browser
// after F11): no title bar, and its window is exactly its monitor.
bool IsFullScreen(Platform& platform, WindowHandle window);

// What a tick's change did to the window in front.
enum class FlipResult {
  None,     // nothing to tell: the key was up, or the window is Quellaro's, the shell's, full-screen, none or gone
  Changed,  // the topmost state is now what the tick asked for
  Refused,  // the window kept its state
  Administrator,  // kept it because its program runs as administrator, and Quellaro does not
  OutOfReach,     // kept it because its program is the system's or another user's, or Quellaro already has all it can
  NotAnswering,   // left alone: its program did not answer (hung or busy)
};

struct TickOutcome {
  bool keyDown = false;
  WindowHandle window = nullptr;
  bool pinning = false;  // what the tick asked for: pin, or unpin
  FlipResult result = FlipResult::None;
};

// How long a tick waits for a change asked of another program's window to
// show in its topmost bit (at most kShowWaits signs of life of kShowWaitMs
// each), and how many ticks it is then given before the tick tells why it
// did not.
inline constexpr unsigned kShowWaits = 4;
inline constexpr unsigned kShowWaitMs = 10;
inline constexpr unsigned kPendingTicks = 2;

// What the poll keeps from one tick to the next.
struct PollState {
  // A change asked of a window that had not shown in its topmost bit yet.
  WindowHandle pendingWindow = nullptr;  // null: none
  bool pendingPin = false;
  unsigned ticksWaited = 0;
  // A window that did not answer during this press: left alone without
  // waiting for it again until the key goes up.
  WindowHandle notAnswering = nullptr;
};

// One tick. `targetWnd` receives the foreground window whenever the key is
// down; `self` is Quellaro's own main window, which is never pinned, and
// neither is a window of the shell or of a full-screen program. The outcome
// of a change is told once the window's topmost bit shows it, or a few
// ticks later, perhaps after the key went up.
TickOutcome PollTick(Platform& platform, std::int16_t hotKey, WindowHandle self, WindowHandle& targetWnd,
                     PollState& state);

}  // namespace quellaro
