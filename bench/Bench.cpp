// Measures Quellaro against the baseline program under the same conditions
// and prints the figures as Markdown rows. Runs beside Quellaro.exe and
// quellaro_baseline.exe; every run uses fresh folders.
//   quellaro_bench.exe [--quick]
#include "Harness.h"  // windows.h first

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "app/Layout.h"

namespace {

using namespace e2e;
using Clock = std::chrono::steady_clock;

// The harness's steps say what went wrong; a measurement goes on regardless,
// and its figures show what a failed step cost.
bool Note(const testing::AssertionResult& result) {
  if (!result) std::fprintf(stderr, "bench: %s\n", result.message());
  return static_cast<bool>(result);
}

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::wstring ModuleDirectory() {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  const std::wstring full(path, length);
  return full.substr(0, full.find_last_of(L'\\'));
}

struct Settings {
  int starts = 20;
  int idleSeconds = 60;
  int latencyPresses = 50;
  int pressesPerLength = 20;
  int heldTicks = 1000;
  int trayTrips = 200;
  int aboutCycles = 200;
};

struct Target {
  const char* name;
  const wchar_t* sourceExe;  // beside this program
  const wchar_t* mainClass;
};
constexpr Target kQuellaro{"Quellaro", L"Quellaro.exe", L"Quellaro.setPos"};
// Quellaro's windows without its logic, and a bare window that pins.
constexpr Target kSameUi{"same UI", L"quellaro_same_ui.exe", L"QuellaroSameUi"};
constexpr Target kBaseline{"bare window", L"quellaro_baseline.exe", L"QuellaroBaseline"};

// What the same-UI baseline cannot be measured for: it has no poll and no tray.
constexpr char kNoLogic[] = "no logic";

HWND VisibleWindow(DWORD processId, const wchar_t* className) {
  for (HWND window : TopLevelWindows(processId, className)) {
    if (::IsWindowVisible(window)) return window;
  }
  return nullptr;
}

struct Memory {
  double privateKb = 0;
  double workingSetKb = 0;
};

std::string ReadText(const std::wstring& path) {
  std::string text;
  HANDLE file =
      ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char chunk[4096];
  DWORD read = 0;
  while (::ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0) text.append(chunk, read);
  ::CloseHandle(file);
  return text;
}

std::vector<std::wstring> Names(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::wcscmp(found.cFileName, L".") != 0 && std::wcscmp(found.cFileName, L"..") != 0) {
      names.emplace_back(found.cFileName);
    }
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}

double Field(const std::string& text, const char* name) {  // "Name:   123 kB"
  const std::size_t at = text.find(name);
  return at == std::string::npos ? 0 : std::strtod(text.c_str() + at + std::strlen(name), nullptr);
}

// Under Wine every Windows process is a Linux process, and Wine reports no
// CPU time, private bytes or handle counts of other processes; Linux does,
// through /proc, which Wine shows as drive Z:. Empty on Windows.
class LinuxView {
 public:
  LinuxView() = default;
  // The process whose command line names `folder` (each run's folder is unique).
  explicit LinuxView(const std::wstring& folder) {
    const std::string needle = Utf8(folder.substr(folder.find_last_of(L'\\') + 1));
    for (const std::wstring& name : Names(L"Z:\\proc")) {
      if (name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
      if (ReadText(L"Z:\\proc\\" + name + L"\\cmdline").find(needle) != std::string::npos) {
        proc_ = L"Z:\\proc\\" + name;
        break;
      }
    }
  }
  bool Found() const { return !proc_.empty(); }
  // Time on a CPU, all threads, from the scheduler's nanosecond counters.
  double CpuMs() const {
    double ns = 0;
    for (const std::wstring& task : Names(proc_ + L"\\task")) {
      ns += std::strtod(ReadText(proc_ + L"\\task\\" + task + L"\\schedstat").c_str(), nullptr);
    }
    return ns / 1e6;
  }
  Memory ReadMemory() const {
    const std::string rollup = ReadText(proc_ + L"\\smaps_rollup");
    // Windows' private bytes count memory the process wrote and owns alone;
    // Linux's nearest figure is its dirty private pages. Clean pages of
    // mapped files (fonts, DLLs) can be dropped and are not counted.
    return Memory{Field(rollup, "Private_Dirty:"), Field(ReadText(proc_ + L"\\status"), "VmRSS:")};
  }
  double OpenFiles() const { return static_cast<double>(Names(proc_ + L"\\fd").size()); }

 private:
  std::wstring proc_;
};

// One copy of a program in a folder of its own, from CreateProcess to its
// visible main window; closed like a user closes it.
class Run {
 public:
  explicit Run(const Target& target) {
    const std::wstring exe = folder_.Path() + L"\\" + target.sourceExe;
    ::CopyFileW((ModuleDirectory() + L"\\" + target.sourceExe).c_str(), exe.c_str(), FALSE);
    const Clock::time_point start = Clock::now();
    process_ = Process::Start(exe);
    while (!(main_ = VisibleWindow(process_.Id(), target.mainClass)) && MsSince(start) < 10000) ::Sleep(1);
    startupMs_ = MsSince(start);
    handle_ = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_.Id());
    linux_ = LinuxView(folder_.Path());
  }
  ~Run() {
    if (main_) ::PostMessageW(main_, WM_CLOSE, 0, 0);
    if (!process_.WaitExit(5000ms)) process_.Kill();
    if (handle_) ::CloseHandle(handle_);
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  HWND Main() const { return main_; }
  DWORD Id() const { return process_.Id(); }
  double StartupMs() const { return startupMs_; }
  Memory ReadMemory() const {
    if (linux_.Found()) return linux_.ReadMemory();
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(handle_, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters))) {
      return Memory{};
    }
    return Memory{counters.PrivateUsage / 1024.0, counters.WorkingSetSize / 1024.0};
  }
  double CpuMs() const {
    if (linux_.Found()) return linux_.CpuMs();
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(handle_, &created, &exited, &kernel, &user)) return -1;
    const auto ticks = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return (ticks(kernel) + ticks(user)) / 10000.0;
  }
  // Kernel handles, GDI objects, USER objects, windows, private KB, open Linux files.
  std::vector<double> Counts() const {
    DWORD handles = 0;
    ::GetProcessHandleCount(handle_, &handles);
    int windows = 0;
    for (HWND window : TopLevelWindows(process_.Id())) {
      ++windows;
      ::EnumChildWindows(
          window,
          [](HWND, LPARAM count) {
            ++*reinterpret_cast<int*>(count);
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&windows));
    }
    return {static_cast<double>(handles),
            static_cast<double>(::GetGuiResources(handle_, GR_GDIOBJECTS)),
            static_cast<double>(::GetGuiResources(handle_, GR_USEROBJECTS)),
            static_cast<double>(windows),
            ReadMemory().privateKb,
            linux_.Found() ? linux_.OpenFiles() : -1};
  }

 private:
  AppFolder folder_;
  Process process_;
  HWND main_ = nullptr;
  HANDLE handle_ = nullptr;
  LinuxView linux_;
  double startupMs_ = 0;
};

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t index = static_cast<std::size_t>(p * (values.size() - 1) + 0.5);
  return values[index];
}
double Median(const std::vector<double>& values) { return Percentile(values, 0.5); }

// One row of the table: Quellaro, the same-UI baseline and the bare window,
// then Quellaro's ratio to each of them, then the target.
void Row(const char* what, const std::string& quellaro, const std::string& sameUi, const std::string& bare,
         const std::string& toSameUi, const std::string& toBare, const std::string& target) {
  std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", what, quellaro.c_str(), sameUi.c_str(), bare.c_str(),
              toSameUi.c_str(), toBare.c_str(), target.c_str());
  std::fflush(stdout);
}
std::string Fixed(double value, int decimals = 1) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.*f", decimals, value);
  return text;
}
// The ratio, and whether it meets the limit where there is one.
std::string Ratio(double quellaro, double baseline, double limit = 0) {
  if (baseline <= 0) return "n/a";
  const double ratio = quellaro / baseline;
  return Fixed(ratio, 2) + (limit > 0 ? (ratio <= limit ? " (met)" : " (NOT met)") : "");
}

// Start-up time and memory: medians over fresh starts, the three programs in
// turn.
void MeasureStarts(const Settings& settings) {
  const Target* targets[] = {&kQuellaro, &kSameUi, &kBaseline};
  std::vector<double> startup[3], privateKb[3], workingKb[3];
  for (int i = 0; i < settings.starts; ++i) {
    for (int which = 0; which < 3; ++which) {
      Run run(*targets[which]);
      startup[which].push_back(run.StartupMs());
      Pause(700ms);  // start-up work done, first paint over
      const Memory memory = run.ReadMemory();
      privateKb[which].push_back(memory.privateKb);
      workingKb[which].push_back(memory.workingSetKb);
    }
  }
  const auto row = [](const char* what, const std::vector<double>* values, const char* unit, double limit) {
    const double q = Median(values[0]), same = Median(values[1]), bare = Median(values[2]);
    Row(what, Fixed(q) + unit, Fixed(same) + unit, Fixed(bare) + unit, Ratio(q, same, limit), Ratio(q, bare),
        limit > 0 ? "≤ " + Fixed(limit, 1) + " × same UI" : "reported");
  };
  row("Start-up to visible main window (median)", startup, " ms", 1.1);
  row("Private bytes after start-up (median)", privateKb, " KB", 1.1);
  row("Working set after start-up (median)", workingKb, " KB", 0);
}

// CPU used while idle: Quellaro hidden in the tray, the baseline shown;
// both over the same seconds.
void MeasureIdle(const Settings& settings) {
  Run quellaro(kQuellaro);
  Run baseline(kBaseline);
  ClickCenter(::GetDlgItem(quellaro.Main(), quellaro::kIdCmdMini));
  WaitUntil([&] { return !::IsWindowVisible(quellaro.Main()); });
  Pause(1000ms);
  const double q0 = quellaro.CpuMs(), b0 = baseline.CpuMs();
  Pause(std::chrono::seconds(settings.idleSeconds));
  const double q = quellaro.CpuMs() - q0, b = baseline.CpuMs() - b0;
  Row(("CPU time over " + std::to_string(settings.idleSeconds) + " s idle (Quellaro in the tray)").c_str(),
      Fixed(q) + " ms", kNoLogic, Fixed(b) + " ms", "", Ratio(q, b, 1.2), "≤ 1.2 × bare");
}

// Makes sure the demo window is in front and not topmost before a press.
void Prepare(HWND demo) {
  if (IsTopmost(demo)) ::SetWindowPos(demo, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (::GetForegroundWindow() != demo) Note(Activate(demo));
  WaitUntil([&] { return !IsTopmost(demo); }, 1000ms);
}

struct Latency {
  std::vector<double> ms;
  int missed = 0;
};

// Key-down to topmost, at random phases of the poll. Both programs are given
// the same sequence of waits, so they are compared on the same phases.
Latency MeasureLatency(const Target& target, int presses, std::uint32_t seed) {
  std::mt19937 random(seed);
  Run run(target);
  DemoWindow demo;
  Latency result;
  std::uniform_int_distribution<int> phase(0, 199);
  for (int i = 0; i < presses; ++i) {
    Prepare(demo.Window());
    Pause(Milliseconds(300 + phase(random)));
    KeyDown(VK_F8);
    const Clock::time_point down = Clock::now();
    while (!IsTopmost(demo.Window()) && MsSince(down) < 1000) ::Sleep(1);
    const double ms = MsSince(down);
    KeyUp(VK_F8);
    if (IsTopmost(demo.Window()))
      result.ms.push_back(ms);
    else
      ++result.missed;
  }
  Pause(300ms);
  return result;
}

std::string Summary(const Latency& latency) {
  const std::vector<double>& ms = latency.ms;
  if (ms.empty()) return "no flips";
  return Fixed(*std::min_element(ms.begin(), ms.end()), 0) + " / " + Fixed(Median(ms), 0) + " / " +
         Fixed(Percentile(ms, 0.95), 0) + " / " + Fixed(*std::max_element(ms.begin(), ms.end()), 0) +
         (latency.missed ? " (" + std::to_string(latency.missed) + " missed)" : "");
}

void ReportLatency(const Settings& settings) {
  constexpr std::uint32_t kSeed = 20261209;
  const Latency quellaro = MeasureLatency(kQuellaro, settings.latencyPresses, kSeed);
  const Latency baseline = MeasureLatency(kBaseline, settings.latencyPresses, kSeed);
  Row(("Key-down → topmost, ms: min / median / p95 / max over " + std::to_string(settings.latencyPresses) + " presses")
          .c_str(),
      Summary(quellaro), kNoLogic, Summary(baseline), "",
      quellaro.ms.empty() || baseline.ms.empty() ? "n/a" : Ratio(Median(quellaro.ms), Median(baseline.ms), 1.1),
      "median within 10 % of bare");
  const auto ratio = [](const Latency& q, const Latency& b, double p) {
    return q.ms.empty() || b.ms.empty() ? std::string("n/a") : Ratio(Percentile(q.ms, p), Percentile(b.ms, p), 1.1);
  };
  Row("Key-down → topmost, p95 and max", "", "", "", "",
      ratio(quellaro, baseline, 0.95) + " / " + ratio(quellaro, baseline, 1.0), "within 10 % of bare");
}

// How often a press of a given length flips the window at all, and how often
// more than once.
void MeasureDetection(const Target& target, const Settings& settings, std::vector<std::string>& cells,
                      std::uint32_t seed) {
  std::mt19937 random(seed);
  Run run(target);
  DemoWindow demo;
  std::uniform_int_distribution<int> phase(0, 199);
  for (int length : {50, 100, 150, 250}) {
    int flipped = 0, flippedTwice = 0;
    for (int i = 0; i < settings.pressesPerLength; ++i) {
      Prepare(demo.Window());
      Pause(Milliseconds(300 + phase(random)));
      int flips = 0;
      bool topmost = false;
      KeyDown(VK_F8);
      const Clock::time_point down = Clock::now();
      bool released = false;
      while (MsSince(down) < length + 450) {
        if (!released && MsSince(down) >= length) {
          KeyUp(VK_F8);
          released = true;
        }
        const bool now = IsTopmost(demo.Window());
        if (now != topmost) ++flips;
        topmost = now;
        ::Sleep(1);
      }
      flipped += flips >= 1 ? 1 : 0;
      flippedTwice += flips >= 2 ? 1 : 0;
    }
    cells.push_back(std::to_string(flipped * 100 / settings.pressesPerLength) + " % / " +
                    std::to_string(flippedTwice * 100 / settings.pressesPerLength) + " %");
  }
}

void ReportDetection(const Settings& settings) {
  constexpr std::uint32_t kSeed = 42;
  std::vector<std::string> quellaro, baseline;
  MeasureDetection(kQuellaro, settings, quellaro, kSeed);
  MeasureDetection(kBaseline, settings, baseline, kSeed);
  const int lengths[] = {50, 100, 150, 250};
  for (int i = 0; i < 4; ++i) {
    Row(("Press of " + std::to_string(lengths[i]) + " ms: flipped at all / more than once (" +
         std::to_string(settings.pressesPerLength) + " presses)")
            .c_str(),
        quellaro[i], kNoLogic, baseline[i], "", "", "reported");
  }
}

// Resource counts before and after long stretches of use.
void MeasureLeaks(const Settings& settings) {
  Run run(kQuellaro);
  HWND main = run.Main();
  const auto trayTrip = [&] {
    ClickCenter(::GetDlgItem(main, quellaro::kIdCmdMini));
    WaitUntil([&] { return !::IsWindowVisible(main) && TrayIconShown(main); });
    // Apart by more than the double-click time, so the icon sees single clicks.
    Pause(Milliseconds(::GetDoubleClickTime() + 50));
    if (!Note(ClickTrayIcon(main))) return false;
    return WaitUntil([&] { return ::IsWindowVisible(main) != FALSE; });
  };
  const auto aboutCycle = [&] {
    ClickCenter(::GetDlgItem(main, quellaro::kIdCommand1));
    HWND about = FindTopLevel(run.Id(), kAboutClass, 3000ms);
    if (!about) return false;
    WaitUntil([&] { return ::IsWindowVisible(about) != FALSE; });
    ::PostMessageW(about, WM_CLOSE, 0, 0);
    return WaitUntil([&] { return !::IsWindow(about); });
  };
  // One of each first: what is loaded once and kept is not a leak.
  trayTrip();
  aboutCycle();
  Pause(500ms);
  std::vector<std::vector<double>> columns{run.Counts()};

  {
    DemoWindow demo;
    Note(Activate(demo.Window()));
    KeyDown(VK_F8);
    Pause(Milliseconds(200 * settings.heldTicks));
    KeyUp(VK_F8);
    Pause(500ms);
    columns.push_back(run.Counts());
  }
  Note(Activate(main));
  // Repeats a step, reading the counts half way and at the end: growth that
  // goes on is a leak, a step once is a cache. Returns how many steps worked.
  const auto repeat = [&](int times, const auto& step) {
    int worked = 0;
    for (int i = 1; i <= times; ++i) {
      worked += step() ? 1 : 0;
      if (i == times / 2 || i == times) {
        Pause(300ms);
        columns.push_back(run.Counts());
      }
    }
    return worked;
  };
  const int trips = repeat(settings.trayTrips, trayTrip);
  const int cycles = repeat(settings.aboutCycles, aboutCycle);

  const char* names[] = {"kernel handles",       "GDI objects", "USER objects",
                         "windows and controls", "private KB",  "open files (Linux, under Wine)"};
  // Wine answers GetProcessHandleCount and GetGuiResources for another
  // process with 0; that is no count.
  const bool underWine = UnderWine();
  std::printf(
      "\n| Quellaro's resources | at start | after %d ticks with F8 held | after %d tray round trips | after %d "
      "(%d done) | after %d About cycles | after %d (%d done) |\n|---|---|---|---|---|---|---|\n",
      settings.heldTicks, settings.trayTrips / 2, settings.trayTrips, trips, settings.aboutCycles / 2,
      settings.aboutCycles, cycles);
  for (std::size_t r = 0; r < 6; ++r) {
    std::printf("| %s |", names[r]);
    for (const std::vector<double>& column : columns) {
      if (r < 3 && underWine) {
        std::printf(" not measurable under Wine |");
      } else if (column[r] < 0) {
        std::printf(" not measurable here |");
      } else {
        std::printf(" %.0f |", column[r]);
      }
    }
    std::printf("\n");
  }
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wcscmp(argv[1], L"--demo") == 0) return RunDemoWindow();
  Settings settings;
  std::wstring only;  // --only starts|latency|detection|idle|leaks: one phase, for a closer look
  for (int i = 1; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--quick") == 0) settings = Settings{3, 5, 10, 5, 25, 6, 6};
    if (std::wcscmp(argv[i], L"--only") == 0 && i + 1 < argc) only = argv[++i];
  }
  const auto runs = [&](const wchar_t* phase) { return only.empty() || only == phase; };
  ::timeBeginPeriod(1);
  std::printf(
      "| Measure | Quellaro | same UI, no logic | bare window | Quellaro / same UI | Quellaro / bare | target |\n"
      "|---|---|---|---|---|---|---|\n");
  if (runs(L"starts")) MeasureStarts(settings);
  if (runs(L"latency")) ReportLatency(settings);
  if (runs(L"detection")) ReportDetection(settings);
  if (runs(L"idle")) MeasureIdle(settings);
  if (runs(L"leaks")) MeasureLeaks(settings);
  ::timeEndPeriod(1);
  return 0;
}
