// "Run as administrator" with a Quellaro running that is not elevated: the
// new one takes over. Whether a process is elevated is asked of the process
// (TokenElevation), not assumed: Wine 8 starts every process elevated, Wine
// 10 and Windows start them limited.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "Harness.h"
// After <windows.h>, which Harness.h brings.
#include <shellapi.h>

#include "app/Layout.h"
#include "platform/Elevation.h"

namespace e2e {
namespace {

using quellaro::Elevation;
using quellaro::ElevationOf;

// Quellaro started limited, with a plain start where this driver is, and
// otherwise as the driver's linked token, its limited twin
// (https://learn.microsoft.com/en-us/windows/win32/api/winnt/ne-winnt-token_information_class).
// Nothing, with the reason, when neither is possible here.
std::optional<Process> StartLimited(const std::wstring& exe, std::string& why, const std::wstring& arguments = L"") {
  if (ElevationOf(::GetCurrentProcess()) == Elevation::Limited) return Process::Start(exe, arguments);
  HANDLE own = nullptr;
  TOKEN_LINKED_TOKEN linked{};
  DWORD length = 0;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &own) ||
      !::GetTokenInformation(own, TokenLinkedToken, &linked, sizeof(linked), &length)) {
    why = "the driver's token has no linked token (error " + std::to_string(::GetLastError()) + ")";
    if (own) ::CloseHandle(own);
    return std::nullopt;
  }
  ::CloseHandle(own);
  Process process = Process::Start(exe, arguments, std::nullopt, nullptr, linked.LinkedToken);
  if (!process.Handle()) {
    why = "CreateProcessAsUserW with the linked token failed (error " + std::to_string(::GetLastError()) + ")";
  }
  ::CloseHandle(linked.LinkedToken);
  if (!process.Handle()) return std::nullopt;
  return process;
}

// Quellaro started elevated: plainly where this driver is elevated, and
// otherwise with the verb "runas", as the Explorer's "Run as administrator".
std::optional<Process> StartElevated(const std::wstring& exe, const std::wstring& folder, std::string& why) {
  if (ElevationOf(::GetCurrentProcess()) == Elevation::Elevated) return Process::Start(exe);
  if (!UnderWine()) {
    why = "Windows asks the user before it starts a program as administrator";
    return std::nullopt;
  }
  SHELLEXECUTEINFOW run{};
  run.cbSize = sizeof(run);
  run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  run.lpVerb = L"runas";
  run.lpFile = exe.c_str();
  run.lpDirectory = folder.c_str();
  run.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&run) || !run.hProcess) {
    why = "ShellExecuteExW with \"runas\" failed (error " + std::to_string(::GetLastError()) + ")";
    return std::nullopt;
  }
  return Process::Adopt(run.hProcess);
}

int MainWindowsOfQuellaro() {
  int count = 0;
  for (HWND window = nullptr;
       (window = ::FindWindowExW(nullptr, window, quellaro::kMainWindowClass, nullptr)) != nullptr;)
    ++count;
  return count;
}

enum class Copy { Running, Busy, Starting };
constexpr wchar_t kMutex[] = L"Local\\Quellaro.SingleInstance";

// A limited Quellaro and another program (`lookalike`: with a window of Quellaro's class), then `starts` as
// administrator at once, while the copy does nothing for 7 s when Busy, or for 2 s once it has taken the mutex,
// before its window, when Starting: exactly one elevated copy remains.
void TakeOver(int starts, Copy state = Copy::Running, bool lookalike = false) {
  AppFolder folder;
  std::string why;
  std::optional<Process> first = StartLimited(folder.Exe(), why);
  if (!first || ElevationOf(first->Handle()) != Elevation::Limited) GTEST_SKIP() << "no limited Quellaro: " << why;
  if (state == Copy::Starting) {
    const auto taken = [] { return quellaro::UniqueKernelHandle(::OpenMutexW(SYNCHRONIZE, FALSE, kMutex)).get(); };
    ASSERT_TRUE(WaitUntil([&] { return taken() != nullptr; }));
  } else {
    ASSERT_TRUE(FindTopLevel(first->Id(), quellaro::kMainWindowClass)) << "the limited Quellaro showed no main window";
    first->WaitIdle();
  }
  ASSERT_TRUE(state == Copy::Running || ::DebugActiveProcess(first->Id())) << "the limited Quellaro cannot be stopped";
  if (state == Copy::Starting && FindTopLevel(first->Id(), quellaro::kMainWindowClass, 0ms)) GTEST_SKIP() << "too late";
  std::optional<Process> other =
      StartLimited(ModulePath(), why, lookalike ? L"--demo-class Quellaro.setPos" : L"--demo");
  ASSERT_TRUE(other) << why;
  other->WaitIdle();
  std::vector<Process> elevated;
  for (int i = 0; i < starts; ++i) {
    std::optional<Process> start = StartElevated(folder.Exe(), folder.Path(), why);
    if (!start || ElevationOf(start->Handle()) != Elevation::Elevated) GTEST_SKIP() << "no elevated start: " << why;
    elevated.push_back(std::move(*start));
  }
  if (state != Copy::Running) Pause(state == Copy::Busy ? 7000ms : 2000ms);
  if (state != Copy::Running) ::DebugActiveProcessStop(first->Id());
  EXPECT_TRUE(first->WaitExit(15000ms).has_value()) << "the limited Quellaro did not close";
  const auto runs = [](const Process& copy) { return !TopLevelWindows(copy.Id(), quellaro::kMainWindowClass).empty(); };
  WaitUntil(
      [&] { return std::none_of(elevated.begin(), elevated.end(), [&](auto& s) { return s.Running() && !runs(s); }); });
  EXPECT_EQ(std::count_if(elevated.begin(), elevated.end(), runs), 1) << "copies of Quellaro as administrator";
  EXPECT_TRUE(other->Running()) << "the other program was closed";
}

TEST(SingleInstance, AnElevatedStartTakesOverFromOneThatIsNot) {
  AppFolder folder;
  folder.WriteConfig(" 116 \r\n 0 \r\n");
  std::string why;
  std::optional<Process> first = StartLimited(folder.Exe(), why);
  if (!first) GTEST_SKIP() << "no process can be started limited here: " << why;
  if (ElevationOf(first->Handle()) != Elevation::Limited) {
    GTEST_SKIP() << "the process started to be limited reads as elevated, so no takeover can be shown here";
  }
  HWND firstMain = FindTopLevel(first->Id(), quellaro::kMainWindowClass);
  ASSERT_TRUE(firstMain) << "the limited Quellaro showed no main window";
  ASSERT_TRUE(WaitUntil([&] { return Text(::GetDlgItem(firstMain, quellaro::kIdText1)) == L"F5"; }));
  first->WaitIdle();
  ::DeleteFileW(folder.Config().c_str());  // written again only by its unload

  std::optional<Process> second = StartElevated(folder.Exe(), folder.Path(), why);
  if (!second) GTEST_SKIP() << "no process can be started elevated here: " << why;
  if (ElevationOf(second->Handle()) != Elevation::Elevated) {
    GTEST_SKIP() << "the process started to be elevated reads as limited, so no takeover can be shown here";
  }

  EXPECT_EQ(first->WaitExit(8000ms), std::optional<DWORD>(0)) << "the limited Quellaro did not close";
  EXPECT_EQ(folder.ReadConfig(), std::optional<std::string>(" 116 \r\n 0 \r\n"))
      << "the limited Quellaro's unload did not save its settings";
  const HWND secondMain = FindTopLevel(second->Id(), quellaro::kMainWindowClass, 10000ms);
  ASSERT_TRUE(secondMain) << "the elevated Quellaro showed no main window"
                          << (second->Running() ? "" : " and has ended");
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(secondMain) && !::IsIconic(secondMain); }));
  EXPECT_TRUE(WaitUntil([&] { return Text(::GetDlgItem(secondMain, quellaro::kIdText1)) == L"F5"; }))
      << "the elevated Quellaro did not read the settings the other saved";
  EXPECT_EQ(MainWindowsOfQuellaro(), 1);

  // Any other second start, here one as elevated as the running copy or
  // less, still leaves at once.
  Process third = Process::Start(folder.Exe());
  EXPECT_EQ(third.WaitExit(5000ms), std::optional<DWORD>(0));
  EXPECT_TRUE(second->Running());
  EXPECT_EQ(MainWindowsOfQuellaro(), 1);

  ::PostMessageW(secondMain, WM_CLOSE, 0, 0);
  EXPECT_TRUE(second->WaitExit(5000ms).has_value());
}

TEST(SingleInstance, TwoStartsAsAdministratorAtOnceLeaveOneCopy) {
  for (int round = 0; round < 4 && !HasFailure() && !IsSkipped(); ++round) TakeOver(2);
}

TEST(SingleInstance, AStartAsAdministratorWaitsForABusyCopyToClose) { TakeOver(1, Copy::Busy); }

TEST(SingleInstance, AStartAsAdministratorWaitsForACopyStillStarting) { TakeOver(1, Copy::Starting); }

TEST(SingleInstance, AnotherProgramsWindowOfQuellarosClassIsLeftAlone) { TakeOver(1, Copy::Running, true); }

}  // namespace
}  // namespace e2e
