// Hiding in the notification area and coming back, with real clicks.
#include <gtest/gtest.h>

#include "Harness.h"
#include "app/Layout.h"

namespace e2e {
namespace {

bool InTray(Quellaro& app) {
  return !::IsWindowVisible(app.Main()) && ::IsIconic(app.Main()) && TrayIconShown(app.Main());
}

TEST(Tray, ShowInTrayHidesTheWindowAndOnlyALeftClickBringsItBack) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ASSERT_FALSE(TrayIconShown(app.Main()));

  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(WaitUntil([&] { return InTray(app); }));

  ASSERT_TRUE(ClickTrayIcon(app.Main(), /*right=*/true));
  ::SetCursorPos(200, 200);  // hovering elsewhere
  Pause(400ms);
  EXPECT_TRUE(InTray(app)) << "a right click must not restore";

  ASSERT_TRUE(ClickTrayIcon(app.Main()));
  ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(app.Main()) && !::IsIconic(app.Main()); }));
  EXPECT_TRUE(WaitUntil([&] { return !TrayIconShown(app.Main()); })) << "the icon goes when the window comes back";
  EXPECT_TRUE(InFront(app.Main()));
  EXPECT_TRUE(WaitUntil([&] { return FocusIn(app.Main()) == app.Control(quellaro::kIdCmdMini); }))
      << "the focus is back on the button that sent the window to the tray";

  // And again: the same way there and back.
  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(WaitUntil([&] { return InTray(app); }));
  Pause(Milliseconds(::GetDoubleClickTime() + 100));  // a single click, not the second of a double click
  ASSERT_TRUE(ClickTrayIcon(app.Main()));
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(app.Main()) && !TrayIconShown(app.Main()); }));
}

TEST(Tray, TheTitleBarMinimiseBoxGoesToTheTrayToo) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ASSERT_TRUE(Activate(app.Main()));
  // The minimise box is the left one of the two caption buttons.
  RECT window{};
  ::GetWindowRect(app.Main(), &window);
  TITLEBARINFOEX info{};
  info.cbSize = sizeof(info);
  ::SendMessageW(app.Main(), WM_GETTITLEBARINFOEX, 0, reinterpret_cast<LPARAM>(&info));
  RECT box = info.rgrect[2];  // minimise button
  POINT target{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  if (box.right <= box.left) {
    // Not reported: the caption buttons are square, at the right of the title bar.
    const int size = ::GetSystemMetrics(SM_CYCAPTION);
    const int frame = ::GetSystemMetrics(SM_CXFIXEDFRAME);
    target = POINT{window.right - frame - size * 2 - size / 2 + 2, window.top + frame + size / 2};
  }
  Click(app.Main(), target);
  EXPECT_TRUE(WaitUntil([&] { return InTray(app); })) << "clicked " << target.x << "," << target.y << " of window "
                                                      << window.left << "," << window.top << "-" << window.right;
}

TEST(Tray, ClosingFromTheTrayRemovesTheIconAndSaves) {
  AppFolder folder;
  folder.WriteConfig(" 119 \r\n 1 \r\n");
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ASSERT_TRUE(WaitUntil([&] { return InTray(app); }));
  ::DeleteFileW(folder.Config().c_str());

  app.Close();
  ASSERT_TRUE(app.ExitsWithin());
  EXPECT_TRUE(WaitUntil([&] { return !TrayIconShown(app.Main()); }));
  EXPECT_EQ(folder.ReadConfig(), std::string(" 119 \r\n 1 \r\n"));
}

TEST(Tray, F8KeepsPinningWhileQuellaroIsInTheTray) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(WaitUntil([&] { return InTray(app); }));

  DemoWindow demo;
  ASSERT_TRUE(Activate(demo.Window()));
  EXPECT_TRUE(HoldUntil(VK_F8, [&] { return IsTopmost(demo.Window()); }));
  Pause(300ms);
  ASSERT_TRUE(Activate(demo.Window()));
  EXPECT_TRUE(HoldUntil(VK_F8, [&] { return !IsTopmost(demo.Window()); }));
}

}  // namespace
}  // namespace e2e
