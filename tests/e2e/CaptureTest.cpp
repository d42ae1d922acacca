// Choosing a new hotkey with the two-step button, with real clicks and keys.
#include <gtest/gtest.h>

#include "Harness.h"
#include "app/Layout.h"

namespace e2e {
namespace {

using quellaro::kIdCmdSetKey;
using quellaro::kIdText1;

std::wstring Caption(Quellaro& app) { return Text(app.Control(kIdCmdSetKey)); }

// Clicks the set-hotkey button and waits until Text1 is ready for a key.
void StartCapture(Quellaro& app) {
  ClickCenter(app.Control(kIdCmdSetKey));
  ASSERT_TRUE(WaitUntil([&] { return Caption(app) == quellaro::kCaptionConfirm; }));
  ASSERT_TRUE(::IsWindowEnabled(app.Control(kIdText1)));
}

void PressInText1(Quellaro& app, WORD key, const std::wstring& expectedName) {
  Tap(key);
  EXPECT_TRUE(WaitUntil([&] { return Text(app.Control(kIdText1)) == expectedName; }))
      << "Text1 shows \"" << Utf8(Text(app.Control(kIdText1))) << "\"";
}

TEST(Capture, ClickF5ClickMakesF5TheSavedHotkeyThatPins) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());

  StartCapture(app);
  EXPECT_TRUE(WaitUntil([&] { return folder.ReadConfig() == std::string(" 119 \r\n 0 \r\n"); }))
      << "the first click saves too";
  PressInText1(app, VK_F5, L"F5");
  ClickCenter(app.Control(kIdCmdSetKey));
  ASSERT_TRUE(WaitUntil([&] { return Caption(app) == quellaro::kCaptionSetKey; }));
  EXPECT_FALSE(::IsWindowEnabled(app.Control(kIdText1)));
  EXPECT_TRUE(WaitUntil([&] { return folder.ReadConfig() == std::string(" 116 \r\n 0 \r\n"); }));

  DemoWindow demo;
  ASSERT_TRUE(Activate(demo.Window()));
  EXPECT_TRUE(HoldUntil(VK_F5, [&] { return IsTopmost(demo.Window()); }));
}

TEST(Capture, TheNewKeyWorksBeforeItIsConfirmed) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  StartCapture(app);
  PressInText1(app, 'A', L"A");

  DemoWindow demo;
  ASSERT_TRUE(Activate(demo.Window()));
  EXPECT_TRUE(HoldUntil('A', [&] { return IsTopmost(demo.Window()); }));
  EXPECT_EQ(Caption(app), quellaro::kCaptionConfirm) << "the capture stays open";
  app.Close();
  ASSERT_TRUE(app.ExitsWithin());
  EXPECT_EQ(folder.ReadConfig(), std::string(" 65 \r\n 0 \r\n")) << "saved at the latest at exit";
}

TEST(Capture, EveryKeyIsAcceptedAndNamed) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  StartCapture(app);

  PressInText1(app, VK_NUMPAD1, L"a");
  PressInText1(app, VK_F12, L"F12");
  PressInText1(app, VK_RETURN, L"Enter");
  PressInText1(app, VK_ESCAPE, L"Esc");
  PressInText1(app, VK_TAB, L"Tab");
  PressInText1(app, VK_SPACE, L"Space");
  PressInText1(app, VK_SHIFT, L"Shift");
  PressInText1(app, VK_F10, L"F10");
  PressInText1(app, VK_MENU, L"Alt");
  // A punctuation key: on Chinese Windows its code is a lead byte of code
  // page 936, no character alone, so the box shows what the key types.
  PressInText1(app, VK_OEM_1, ::GetACP() == 936 ? L";" : L"\u00ba");
  // Windows delivers PrintScreen's key-up only; its key-down takes the screenshot.
  KeyUp(VK_SNAPSHOT);
  EXPECT_TRUE(WaitUntil([&] { return Text(app.Control(kIdText1)) == L","; })) << "PrintScreen, code 44";
  // None of them closed the window, moved the focus or pressed a button.
  EXPECT_TRUE(::IsWindowVisible(app.Main()));
  EXPECT_EQ(Caption(app), quellaro::kCaptionConfirm);
  PressInText1(app, '7', L"7");
}

TEST(Capture, ConfirmingAnEmptyBoxShowsTheMessageAndKeepsCapturing) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  StartCapture(app);
  PressInText1(app, 'Q', L"Q");
  const auto savedBefore = folder.ReadConfig();

  // As if the user had deleted the text through the box's context menu.
  ::SendMessageW(app.Control(kIdText1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  ClickCenter(app.Control(kIdCmdSetKey));
  HWND box = FindTopLevel(app.Proc().Id(), L"#32770");
  ASSERT_TRUE(box);
  EXPECT_EQ(Text(box), L"Quellaro");
  bool found = false;
  ::EnumChildWindows(
      box,
      [](HWND child, LPARAM parameter) -> BOOL {
        if (Text(child) == L"按键无效，请重新设置！") *reinterpret_cast<bool*>(parameter) = true;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  EXPECT_TRUE(found) << "the message text";
  Tap(VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }));

  EXPECT_EQ(Caption(app), quellaro::kCaptionConfirm);
  EXPECT_TRUE(::IsWindowEnabled(app.Control(kIdText1)));
  EXPECT_EQ(folder.ReadConfig(), savedBefore) << "nothing saved";
  EXPECT_EQ(Text(app.Control(kIdText1)), L"") << "the Enter that closed the message is not a new hotkey";

  // Any key, then the button, completes the capture.
  PressInText1(app, 'W', L"W");
  ClickCenter(app.Control(kIdCmdSetKey));
  EXPECT_TRUE(WaitUntil([&] { return Caption(app) == quellaro::kCaptionSetKey; }));
  EXPECT_TRUE(WaitUntil([&] { return folder.ReadConfig() == std::string(" 87 \r\n 0 \r\n"); }));
}

}  // namespace
}  // namespace e2e
