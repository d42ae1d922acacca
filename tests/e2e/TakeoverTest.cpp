// "Run as administrator" with a Quellaro running that is not elevated: the
// new one takes over. Whether a process is elevated is asked of the process
// (TokenElevation), not assumed: Wine 8 starts every process elevated, Wine
// 10 and Windows start them limited.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "Harness.h"
// After <windows.h>, which Harness.h brings.
#include <shellapi.h>
#include <tlhelp32.h>

#include "app/Layout.h"
#include "platform/Elevation.h"

namespace e2e {
namespace {

using quellaro::Elevation;
using quellaro::ElevationOf;
using quellaro::UniqueKernelHandle;

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

// Quellaro's main windows, but for those of the process `except`.
std::vector<HWND> MainWindowsOfQuellaro(DWORD except = 0) {
  std::vector<HWND> found;
  for (HWND window = nullptr;
       (window = ::FindWindowExW(nullptr, window, quellaro::kMainWindowClass, nullptr)) != nullptr;) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != except) found.push_back(window);
  }
  return found;
}

// Suspends or resumes every thread of a process; how many.
int SuspendThreads(DWORD processId, bool suspend) {
  int count = 0;
  const HANDLE threads = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Thread32First(threads, &entry); more; more = ::Thread32Next(threads, &entry)) {
    if (entry.th32OwnerProcessID != processId) continue;
    const UniqueKernelHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
    count += thread && (suspend ? ::SuspendThread(thread.get()) : ::ResumeThread(thread.get())) != ~DWORD{0};
  }
  ::CloseHandle(threads);
  return count;
}

// A limited Quellaro, then `starts` as administrator at once; `busy`: the
// copy does nothing for 7 s meanwhile; `lookalike`: another program has a
// window of Quellaro's class. Exactly one Quellaro must remain, elevated.
void TakeOver(int starts, bool busy = false, bool lookalike = false) {
  AppFolder folder;
  std::string why;
  std::optional<Process> first = StartLimited(folder.Exe(), why);
  if (!first || ElevationOf(first->Handle()) != Elevation::Limited) GTEST_SKIP() << "no limited Quellaro: " << why;
  ASSERT_TRUE(FindTopLevel(first->Id(), quellaro::kMainWindowClass)) << "the limited Quellaro showed no main window";
  first->WaitIdle();
  std::optional<Process> other;
  if (lookalike) {
    other = StartLimited(ModulePath(), why, L"--demo-class Quellaro.setPos");
    ASSERT_TRUE(other && FindTopLevel(other->Id(), quellaro::kMainWindowClass)) << "no look-alike window " << why;
  }
  std::vector<Process> elevated;
  for (int i = 0; i < starts; ++i) {
    std::optional<Process> start = StartElevated(folder.Exe(), folder.Path(), why);
    if (!start) GTEST_SKIP() << "no process can be started elevated here: " << why;
    elevated.push_back(std::move(*start));
  }
  if (busy) {
    ASSERT_GT(SuspendThreads(first->Id(), true), 0) << "the limited Quellaro's threads could not be suspended";
    Pause(7000ms);
    SuspendThreads(first->Id(), false);
  }
  EXPECT_TRUE(first->WaitExit(15000ms).has_value()) << "the limited Quellaro did not close";
  WaitUntil([&] {
    return std::all_of(elevated.begin(), elevated.end(), [](const Process& start) {
      return !start.Running() || !TopLevelWindows(start.Id(), quellaro::kMainWindowClass).empty();
    });
  }, 10000ms);
  const std::vector<HWND> copies = MainWindowsOfQuellaro(other ? other->Id() : 0);
  ASSERT_EQ(copies.size(), 1u) << "Quellaro copies running after the starts as administrator";
  DWORD owner = 0;
  ::GetWindowThreadProcessId(copies[0], &owner);
  const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, owner));
  EXPECT_EQ(ElevationOf(process.get()), Elevation::Elevated) << "the Quellaro that remains is not elevated";
  EXPECT_TRUE(!other || other->Running()) << "the look-alike window's program was closed";
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
  EXPECT_EQ(MainWindowsOfQuellaro().size(), 1u);

  // Any other second start, here one as elevated as the running copy or
  // less, still leaves at once.
  Process third = Process::Start(folder.Exe());
  EXPECT_EQ(third.WaitExit(5000ms), std::optional<DWORD>(0));
  EXPECT_TRUE(second->Running());
  EXPECT_EQ(MainWindowsOfQuellaro().size(), 1u);

  ::PostMessageW(secondMain, WM_CLOSE, 0, 0);
  EXPECT_TRUE(second->WaitExit(5000ms).has_value());
}

TEST(SingleInstance, TwoStartsAsAdministratorAtOnceLeaveOneCopy) {
  for (int round = 0; round < 4 && !HasFailure() && !IsSkipped(); ++round) TakeOver(2);
}

TEST(SingleInstance, AStartAsAdministratorWaitsForABusyCopyToClose) { TakeOver(1, true); }

TEST(SingleInstance, AnotherProgramsWindowOfQuellarosClassIsLeftAlone) { TakeOver(1, false, true); }

}  // namespace
}  // namespace e2e
