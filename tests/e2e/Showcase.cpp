// `quellaro_e2e --showcase`: what the run command does where there is no
// screen to look at. Starts Quellaro, opens a window of another program,
// presses F8 to pin it and again to unpin it, and says what happened.
#include <cstdio>

#include "Harness.h"

namespace e2e {

int RunShowcase() {
  AppFolder folder;
  Quellaro app(folder);
  if (!app.Main()) {
    std::puts("Quellaro did not start.");
    return 1;
  }
  std::puts("Quellaro is running (hotkey F8).");
  DemoWindow demo;
  const auto bringToFront = [&] {
    const testing::AssertionResult inFront = Activate(demo.Window());
    if (!inFront) std::printf("%s\n", inFront.message());
  };
  bringToFront();
  const auto report = [&](const char* what) {
    std::printf("%-28s demo window topmost: %s\n", what, IsTopmost(demo.Window()) ? "yes" : "no");
    std::fflush(stdout);
  };
  report("Demo window opened:");
  HoldUntil(VK_F8, [&] { return IsTopmost(demo.Window()); });
  report("F8 pressed:");
  std::puts("SCREENSHOT demo");  // the run script takes its picture now
  std::fflush(stdout);
  Pause(1500ms);
  bringToFront();
  HoldUntil(VK_F8, [&] { return !IsTopmost(demo.Window()); });
  report("F8 pressed again:");
  app.Close();
  app.ExitsWithin();
  const auto saved = folder.ReadConfig();
  std::printf("config.ini written at exit: %zu bytes\n", saved ? saved->size() : 0);
  return 0;
}

namespace {

// Asks the calling script for a picture of one window (its screen rectangle).
void RequestScreenshot(const char* name, HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  std::printf("SCREENSHOT %s %ldx%ld+%ld+%ld\n", name, rect.right - rect.left, rect.bottom - rect.top, rect.left,
              rect.top);
  std::fflush(stdout);
  Pause(1500ms);
}

}  // namespace

int RunScreenshots() {
  AppFolder folder;
  Quellaro app(folder);
  if (!app.Main()) return 1;
  Pause(300ms);
  RequestScreenshot("main", app.Main());
  HWND about = app.OpenAbout();
  if (!about) return 1;
  Pause(300ms);
  RequestScreenshot("about", about);
  return 0;
}

}  // namespace e2e
