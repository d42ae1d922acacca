// Quellaro against a crowd of itself, broken settings files and saves cut off
// half way, on the real file system.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "Harness.h"
#include "app/Layout.h"
#include "platform/Win32Platform.h"
#include "settings/Settings.h"

namespace e2e {
namespace {

constexpr char kUserFile[] = " 116 \r\n 0 \r\n";  // F5, not in the tray

TEST(Stress, TwentyStartsAtOnceLeaveOneRunningAndTheFileAsItWas) {
  AppFolder folder;
  folder.WriteConfig(kUserFile);
  std::vector<Process> starts;
  for (int i = 0; i < 20; ++i) starts.push_back(Process::Start(folder.Exe()));

  const auto countRunning = [&] {
    int running = 0;
    for (const Process& process : starts) running += process.Running() ? 1 : 0;
    return running;
  };
  WaitUntil([&] { return countRunning() <= 1; }, 10000ms);
  Pause(500ms);  // a late starter would still be counted now
  const int running = countRunning();
  Process* survivor = nullptr;
  for (Process& process : starts) {
    if (process.Running()) survivor = &process;
  }
  ASSERT_EQ(running, 1);
  HWND main = FindTopLevel(survivor->Id(), quellaro::kMainWindowClass);
  ASSERT_TRUE(main);
  EXPECT_TRUE(WaitUntil([&] { return Text(::GetDlgItem(main, quellaro::kIdText1)) == L"F5"; }));
  EXPECT_EQ(folder.ReadConfig(), std::string(kUserFile));

  ::PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(survivor->WaitExit());
  EXPECT_EQ(folder.ReadConfig(), std::string(kUserFile));
}

// Saves that stop after every possible number of bytes, through the same
// file calls Quellaro makes, on a real folder.
class CutOffPlatform : public quellaro::Win32Platform {
 public:
  explicit CutOffPlatform(std::size_t cut) : cut_(cut) {}
  bool WriteNewFile(const std::wstring& path, std::string_view bytes) override {
    if (cut_ >= bytes.size()) return Win32Platform::WriteNewFile(path, bytes);
    Win32Platform::WriteNewFile(path, bytes.substr(0, cut_));  // what got out before the failure
    return false;
  }

 private:
  std::size_t cut_;
};

TEST(Stress, ASaveCutOffAtAnyByteLeavesThePreviousFileIntact) {
  AppFolder folder;
  folder.WriteConfig(kUserFile);
  const std::string next = quellaro::FormatSettings(-32768, 1);
  for (std::size_t cut = 0; cut < next.size(); ++cut) {
    CutOffPlatform platform(cut);
    EXPECT_FALSE(quellaro::SaveFileAtomically(platform, folder.Config(), next));
    EXPECT_EQ(folder.ReadConfig(), std::string(kUserFile)) << "cut after " << cut << " bytes";
    EXPECT_EQ(::GetFileAttributesW((folder.Config() + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
  }
  CutOffPlatform whole(next.size());
  EXPECT_TRUE(quellaro::SaveFileAtomically(whole, folder.Config(), next));
  EXPECT_EQ(folder.ReadConfig(), next);
}

struct BadFile {
  const char* what;
  std::string bytes;
  const wchar_t* hotKeyShown;  // Text1 once started
};

void PrintTo(const BadFile& file, std::ostream* out) { *out << file.what; }

class BadConfigBytes : public ::testing::TestWithParam<BadFile> {};

// Each starts, shows the key the loading rules give, and at exit writes those
// values back in its own format.
TEST_P(BadConfigBytes, StartsShowsTheLoadedKeyAndExitsCleanly) {
  const BadFile& file = GetParam();
  AppFolder folder;
  folder.WriteConfig(file.bytes);
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  EXPECT_EQ(Text(app.Control(quellaro::kIdText1)), file.hotKeyShown);
  EXPECT_TRUE(::IsWindowVisible(app.Main()));
  app.Close();
  ASSERT_TRUE(app.ExitsWithin());
  const quellaro::LoadedSettings loaded = quellaro::ParseSettings(file.bytes.substr(0, 1 << 20));
  EXPECT_EQ(folder.ReadConfig(), quellaro::FormatSettings(loaded.hotKey, loaded.autoTray));
}

std::string Binary() {
  std::string bytes;
  for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 167 + 13) % 256);
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(Files, BadConfigBytes,
                         ::testing::Values(BadFile{"Empty", "", L"None"}, BadFile{"Binary", Binary(), L"None"},
                                           BadFile{"HugeAfterAGoodLine", "116\r\n0\r\n" + std::string(10 << 20, 'x'),
                                                   L"F5"},
                                           BadFile{"HugeAllJunk", std::string(10 << 20, '7'), L"None"},
                                           BadFile{"LineFeedsOnly", "116\n1\n", L"None"}),
                         [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.what); });

TEST(BadConfig, AFolderNamedConfigIniCountsAsNoFile) {
  AppFolder folder;
  ASSERT_TRUE(::CreateDirectoryW(folder.Config().c_str(), nullptr));
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  EXPECT_EQ(Text(app.Control(quellaro::kIdText1)), L"F8");
  app.Close();
  EXPECT_TRUE(app.ExitsWithin()) << "the failed save at exit is silent";
  EXPECT_TRUE(::GetFileAttributesW(folder.Config().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

// Holds the file as a scanner or sync client does at sign-in, open with no
// sharing, until 100 ms after Quellaro's main window has appeared (it reads
// the file right after), then lets go.
std::thread HoldAsQuellaroStarts(const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << "could not open " << Utf8(path);
  return std::thread([file] {
    WaitUntil([] { return ::FindWindowW(quellaro::kMainWindowClass, nullptr) != nullptr; }, 15000ms);
    Pause(100ms);
    ::CloseHandle(file);
  });
}

// A file held for a moment at start is read. One that start-up could not
// read keeps its bytes through the exit, even where the exit could write it:
// a scanner let go of it in between, or it is hidden, which counts as no file.
TEST(BadConfig, AFileLockedOrHiddenAtStartIsNotOverwrittenAtExit) {
  AppFolder folder;
  folder.WriteConfig(kUserFile);
  {
    std::thread holder = HoldAsQuellaroStarts(folder.Config());
    Quellaro app(folder);
    holder.join();
    ASSERT_TRUE(app.Started());
    EXPECT_EQ(Text(app.Control(quellaro::kIdText1)), L"F5") << "a file held for 100 ms at start was not read";
    app.Close();
    EXPECT_TRUE(app.ExitsWithin());
  }
  EXPECT_EQ(folder.ReadConfig(), std::string(kUserFile)) << "held for a moment";

  HANDLE lock = ::CreateFileW(folder.Config().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  {
    Quellaro app(folder);
    ASSERT_TRUE(app.Started());
    EXPECT_EQ(Text(app.Control(quellaro::kIdText1)), L"None");
    ::CloseHandle(lock);
    app.Close();
    EXPECT_TRUE(app.ExitsWithin());
  }
  EXPECT_EQ(folder.ReadConfig(), std::string(kUserFile)) << "locked at start";

  ASSERT_TRUE(::SetFileAttributesW(folder.Config().c_str(), FILE_ATTRIBUTE_HIDDEN));
  {
    Quellaro app(folder);
    ASSERT_TRUE(app.Started());
    EXPECT_EQ(Text(app.Control(quellaro::kIdText1)), L"F8");
    app.Close();
    EXPECT_TRUE(app.ExitsWithin());
  }
  EXPECT_EQ(folder.ReadConfig(), std::string(kUserFile)) << "hidden";
  EXPECT_TRUE(::GetFileAttributesW(folder.Config().c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

}  // namespace
}  // namespace e2e
