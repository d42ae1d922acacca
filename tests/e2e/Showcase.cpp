// `quellaro_e2e --showcase`: what the run command does where there is no
// screen to look at. Starts Quellaro, opens a window of another program,
// presses F8 to pin it and again to unpin it, and says what happened.
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "Harness.h"
#include "platform/Win32.h"

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

// `quellaro_e2e --animation FOLDER`: the README's animation, step by step.
// Two ordinary windows of another program overlap, B over A. A click on A
// and F8 pin A; a click on B no longer covers it; a click on A and F8 again
// unpin it, and B covers it again. For each step it asks the calling script
// for a frame ("SCREENSHOT NAME AREA"), waits until FOLDER\NAME.png exists,
// so that nothing moves while the screen is read, and then says how to show
// it: "FRAME NAME DELAY_MS POINTER CLICK KEY CAPTION", with the pointer in
// the frame's coordinates ("-" when there is none yet), CLICK and KEY "-"
// when the step has no click or key press. `--animation --window A|B` runs
// one of the two windows, each in a process of its own.
namespace {

struct SceneWindow {
  const wchar_t* name;  // after --window
  const wchar_t* title;
  RECT frame;  // on the screen
  COLORREF background;
  POINT clickAt;  // a spot of the client area the other window never covers
};
constexpr SceneWindow kWindowA{L"A", L"窗口 A", {30, 30, 310, 220}, RGB(0xDC, 0xEA, 0xF8), {100, 170}};
constexpr SceneWindow kWindowB{L"B", L"窗口 B", {170, 110, 450, 300}, RGB(0xFC, 0xEE, 0xC8), {390, 260}};
constexpr wchar_t kSceneClass[] = L"QuellaroAnimationWindow";
// Quellaro's main window goes beside the two; each frame shows this part of the screen.
constexpr POINT kMainAt{490, 40};
constexpr RECT kScene{10, 10, 800, 320};
// A point where the two windows overlap, away from their text.
constexpr POINT kOverlap{280, 205};

// A scene window's GWLP_USERDATA once it has painted its state, so that the
// driver knows when the screen shows it.
constexpr LONG_PTR kShowsNormal = 1;
constexpr LONG_PTR kShowsPinned = 2;
constexpr UINT_PTR kWatchTimer = 1;

LONG_PTR StateShown(HWND window) { return IsTopmost(window) ? kShowsPinned : kShowsNormal; }

void PaintSceneWindow(HWND window) {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(window, &paint);
  const LONG_PTR state = StateShown(window);
  const quellaro::UniqueFont titleFont = quellaro::CreateGb2312Font(L"宋体", 24, FW_BOLD);
  const quellaro::UniqueFont stateFont = quellaro::CreateGb2312Font(L"宋体", 18, FW_NORMAL);
  ::SetBkMode(dc, TRANSPARENT);
  const std::wstring title = Text(window);
  HGDIOBJ previous = ::SelectObject(dc, titleFont.get());
  ::SetTextColor(dc, RGB(0x20, 0x20, 0x20));
  ::TextOutW(dc, 16, 12, title.c_str(), static_cast<int>(title.size()));
  ::SelectObject(dc, stateFont.get());
  const std::wstring shown = state == kShowsPinned ? L"已置顶" : L"未置顶";
  ::SetTextColor(dc, state == kShowsPinned ? RGB(0xC0, 0x20, 0x20) : RGB(0x60, 0x60, 0x60));
  ::TextOutW(dc, 16, 48, shown.c_str(), static_cast<int>(shown.size()));
  ::SelectObject(dc, previous);
  ::EndPaint(window, &paint);
  ::SetWindowLongPtrW(window, GWLP_USERDATA, state);
}

LRESULT CALLBACK SceneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      // Nothing tells a window that another program made it topmost: look.
      if (::GetWindowLongPtrW(window, GWLP_USERDATA) != StateShown(window)) ::InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_PAINT:
      PaintSceneWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

int RunSceneWindow(const SceneWindow& scene) {
  const quellaro::UniqueBrush background(::CreateSolidBrush(scene.background));
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = SceneProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background.get();
  windowClass.lpszClassName = kSceneClass;
  ::RegisterClassExW(&windowClass);
  const RECT& r = scene.frame;
  HWND window = ::CreateWindowExW(0, kSceneClass, scene.title, WS_OVERLAPPEDWINDOW, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, nullptr, nullptr, windowClass.hInstance, nullptr);
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::SetTimer(window, kWatchTimer, 50, nullptr);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}

// A scene window in a process of its own, as another program's window.
class SceneWindowProcess {
 public:
  explicit SceneWindowProcess(const SceneWindow& scene) {
    wchar_t exe[MAX_PATH * 4];
    const DWORD length = ::GetModuleFileNameW(nullptr, exe, MAX_PATH * 4);
    process_ = Process::Start(std::wstring(exe, length), std::wstring(L"--animation --window ") + scene.name);
    process_.WaitIdle();
    window_ = FindTopLevel(process_.Id(), kSceneClass);
    if (window_) WaitUntil([&] { return ::GetWindowLongPtrW(window_, GWLP_USERDATA) == kShowsNormal; });
  }
  HWND Window() const { return window_; }

 private:
  Process process_;
  HWND window_ = nullptr;
};

// Whether `upper` is above `lower` in the Z order: GW_HWNDNEXT gives "the
// window below the given window"
// (https://learn.microsoft.com/windows/win32/api/winuser/nf-winuser-getnextwindow).
bool Above(HWND upper, HWND lower) {
  for (HWND next = ::GetWindow(upper, GW_HWNDNEXT); next; next = ::GetWindow(next, GW_HWNDNEXT)) {
    if (next == lower) return true;
  }
  return false;
}

bool Fails(const char* what) {
  HWND front = ::GetForegroundWindow();
  std::printf("The animation stopped: %s (in front: \"%s\")\n", what, front ? Utf8(Text(front)).c_str() : "");
  return false;
}

class Storyboard {
 public:
  Storyboard(std::wstring folder, HWND a, HWND b) : folder_(std::move(folder)), a_(a), b_(b) {}

  // Clicks until `done` holds; a second time if the first click went
  // unnoticed (seen once in a dozen runs on a busy machine).
  bool Click(HWND target, POINT at, const std::function<bool()>& done) {
    pointer_ = at;
    clicked_ = true;
    for (int attempt = 0; attempt < 2; ++attempt) {
      e2e::Click(target, at);
      if (WaitUntil(done)) return true;
      Pause(Milliseconds(::GetDoubleClickTime()));  // so that the next click is not a double click
    }
    return false;
  }
  bool Press(WORD key, const std::function<bool()>& changed) {
    key_ = key;
    return HoldUntil(key, changed);
  }

  // Asks for a picture of the scene once the screen has settled, and for it
  // to be shown for `delay`.
  bool Frame(Milliseconds delay, const char* caption) {
    Pause(400ms);  // for Wine to draw the windows' new state
    if (!ShowsZOrder()) return false;
    char name[16];
    std::snprintf(name, sizeof(name), "frame-%02d", count_++);
    const std::wstring file = folder_ + L"\\" + std::wstring(name, name + std::strlen(name)) + L".png";
    ::DeleteFileW(file.c_str());
    std::printf("SCREENSHOT %s %ldx%ld+%ld+%ld\n", name, kScene.right - kScene.left, kScene.bottom - kScene.top,
                kScene.left, kScene.top);
    std::fflush(stdout);
    if (!WaitUntil([&] { return ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000ms)) {
      std::printf("no %s.png in the frames folder\n", name);
      return false;
    }
    char pointer[32] = "-";
    if (pointer_) {
      std::snprintf(pointer, sizeof(pointer), "%ld,%ld", pointer_->x - kScene.left, pointer_->y - kScene.top);
    }
    std::printf("FRAME %s %lld %s %s %s %s\n", name, static_cast<long long>(delay.count()), pointer,
                clicked_ ? "click" : "-", key_ == VK_F8 ? "F8" : "-", caption);
    std::fflush(stdout);
    clicked_ = false;
    key_ = 0;
    return true;
  }

 private:
  // Whether the screen shows the upper of the two windows where they
  // overlap. Wine's virtual desktop does not always restack what it draws
  // when the Z order changes: a window activated by a click can be drawn
  // over a topmost one, and a window sent to the bottom stays drawn on top.
  // Showing the upper window again draws it on top without changing the Z
  // order the programs see. It is never the active one when this happens.
  bool ShowsZOrder() const {
    const bool aAbove = Above(a_, b_);
    const HWND upper = aAbove ? a_ : b_;
    const COLORREF colour = aAbove ? kWindowA.background : kWindowB.background;
    const auto drawn = [&] { return ScreenPixel(kOverlap) == colour; };
    if (!drawn()) {
      ::ShowWindow(upper, SW_HIDE);
      ::ShowWindow(upper, SW_SHOWNA);
      WaitUntil(drawn);
      Pause(200ms);
    }
    if (Above(a_, b_) != aAbove) return Fails("showing the upper window again changed the Z order");
    if (!drawn()) return Fails("the screen does not show the upper window on top");
    return true;
  }

  std::wstring folder_;
  HWND a_;
  HWND b_;
  int count_ = 0;
  std::optional<POINT> pointer_;
  bool clicked_ = false;
  WORD key_ = 0;
};

bool PlayScene(Storyboard& story, HWND a, HWND b) {
  if (!story.Frame(1300ms, "两个普通窗口：B 盖住了 A")) return false;

  if (!story.Click(a, kWindowA.clickAt, [&] { return ::GetForegroundWindow() == a && Above(a, b); })) {
    return Fails("A did not come to the front");
  }
  if (!story.Frame(900ms, "点一下窗口 A")) return false;

  if (!story.Press(VK_F8, [&] { return IsTopmost(a); })) return Fails("F8 did not pin A");
  if (!WaitUntil([&] { return ::GetWindowLongPtrW(a, GWLP_USERDATA) == kShowsPinned; })) return Fails("A shows no pin");
  if (!story.Frame(1400ms, "按 F8：窗口 A 置顶")) return false;

  if (!story.Click(b, kWindowB.clickAt, [&] { return ::GetForegroundWindow() == b; })) {
    return Fails("B did not become active");
  }
  if (!Above(a, b)) return Fails("B covers the pinned A");
  if (!story.Frame(1700ms, "点窗口 B：B 不再盖住 A")) return false;

  if (!story.Click(a, kWindowA.clickAt, [&] { return ::GetForegroundWindow() == a; })) {
    return Fails("A did not become active again");
  }
  if (!story.Frame(900ms, "再点窗口 A")) return false;

  if (!story.Press(VK_F8, [&] { return !IsTopmost(a); })) return Fails("F8 did not unpin A");
  if (!WaitUntil([&] { return ::GetWindowLongPtrW(a, GWLP_USERDATA) == kShowsNormal && Above(b, a); })) {
    return Fails("B does not cover A again");
  }
  return story.Frame(2200ms, "再按 F8：取消置顶，A 又被盖住");
}

}  // namespace

int RunAnimation(int argc, wchar_t** argv) {
  if (argc == 2 && std::wcscmp(argv[0], L"--window") == 0) {
    return RunSceneWindow(std::wcscmp(argv[1], kWindowA.name) == 0 ? kWindowA : kWindowB);
  }
  if (argc != 1) {
    std::puts("usage: quellaro_e2e --animation FOLDER  (the folder where the calling script saves the frames)");
    return 2;
  }
  AppFolder folder;
  Quellaro app(folder);
  if (!app.Main()) {
    std::puts("Quellaro did not start.");
    return 1;
  }
  ::SetWindowPos(app.Main(), nullptr, kMainAt.x, kMainAt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const SceneWindowProcess a(kWindowA);
  const SceneWindowProcess b(kWindowB);  // opened last, so in front
  if (!a.Window() || !b.Window()) {
    std::puts("The scene's windows did not open.");
    return 1;
  }
  WaitUntil([&] { return ::GetForegroundWindow() == b.Window(); });
  Storyboard story(argv[0], a.Window(), b.Window());
  const bool played = PlayScene(story, a.Window(), b.Window());
  app.Close();
  app.ExitsWithin();
  return played ? 0 : 1;
}

}  // namespace e2e
