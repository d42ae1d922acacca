// Test doubles for the two seams: a Platform that records every call in one
// shared log and plays back canned answers, and a MainView that holds the
// controls' values and writes to the same log, so that tests can check order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/Layout.h"
#include "app/MainView.h"
#include "app/setPos.h"
#include "platform/Platform.h"

namespace quellaro::test {

using CallLog = std::vector<std::string>;

inline std::string Hex(const void* handle) {
  std::ostringstream out;
  out << "0x" << std::hex << reinterpret_cast<std::uintptr_t>(handle);
  return out.str();
}

// Paths in the tests are ASCII; anything else shows as '?'.
inline std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

inline const WindowHandle kSelf = HandleFromValue(0x1234);
inline const IconHandle kIcon = reinterpret_cast<IconHandle>(std::uintptr_t{0x5678});
inline const std::wstring kAppDir = L"C:\\Apps\\Quellaro";
inline const std::wstring kConfigPath = L"C:\\Apps\\Quellaro\\config.ini";
// A key state whose sign bit says the key is down at this instant.
constexpr std::int16_t kDown = static_cast<std::int16_t>(0x8000);

class FakePlatform : public Platform {
 public:
  CallLog calls;

  std::map<int, std::int16_t> keyStates;  // absent: 0 (up)
  WindowHandle foreground = nullptr;
  std::map<WindowHandle, std::int32_t> exStyles;         // absent: 0, as for a non-window
  std::map<WindowHandle, std::int32_t> styles;           // GWL_STYLE, absent: 0
  std::set<WindowHandle> coveringMonitor, notAnswering;  // windows exactly their monitor's size; hung or busy ones
  // Windows clears WS_EX_TOPMOST when a window is sent to the bottom; Wine keeps it.
  bool bottomKeepsTopmost = false;
  WindowHandle shellWindow = nullptr, desktopWindow = nullptr;
  std::map<WindowHandle, std::wstring> classNames;    // absent: "", as for a non-window
  std::map<WindowHandle, std::wstring> childClasses;  // the class of a child window each has

  std::map<std::wstring, std::string> files;  // in-memory file system
  bool probeFails = false, readFails = false, writeFails = false, replaceFails = false;
  bool filesHidden = false;                    // every file there is hidden or system
  int readsHeld = 0;                           // another program holds the file for this many more reads
  std::optional<std::size_t> writeStopsAfter;  // a write that stops after this many bytes
  std::vector<std::string> writes;             // every attempted write's bytes
  std::vector<std::pair<unsigned, TrayRecord>> trayCalls;
  std::set<std::uint32_t> trayIcons;  // the ids of the icons the shell shows
  int trayRefusals = 0;               // the shell refuses this many more calls
  int trayTimeouts = 0;               // the shell lets this many more calls time out
  std::vector<std::pair<WindowHandle, std::wstring>> messages;
  unsigned waitedMs = 0;
  // The ANSI code page answered as: 1252 (Western), 936 (Simplified Chinese)
  // or 65001 (UTF-8).
  unsigned codePage = 1252;
  // Windows that keep their Z order: SetWindowPos succeeds and changes nothing.
  std::set<WindowHandle> refusing;
  // Windows on which SetWindowPos fails with this error, as UIPI makes it fail.
  std::map<WindowHandle, std::uint32_t> setPosErrors;
  // Windows of other threads, whose changes wait for Deliver().
  std::set<WindowHandle> slow;
  bool deliverWhenAsked = false;  // their threads catch up when asked for a sign of life
  std::vector<std::pair<WindowHandle, std::intptr_t>> posted;
  std::map<WindowHandle, WindowOwner> owners;  // absent: Peer
  bool elevated = false;                       // Quellaro runs as administrator
  std::uint32_t lastError = 0;
  struct Balloon {
    TrayRecord icon;
    std::wstring title, text;
    unsigned flags;
  };
  std::vector<Balloon> balloons;
  bool balloonRefused = false;  // the shell does not take balloons

  std::int16_t GetAsyncKeyState(int virtualKey) override {
    calls.push_back("GetAsyncKeyState(" + std::to_string(virtualKey) + ")");
    return keyStates.count(virtualKey) ? keyStates[virtualKey] : std::int16_t{0};
  }
  WindowHandle GetForegroundWindow() override {
    calls.push_back("GetForegroundWindow()");
    return foreground;
  }
  std::int32_t GetWindowLongA(WindowHandle window, int index) override {
    calls.push_back("GetWindowLongA(" + Hex(window) + ", " + std::to_string(index) + ")");
    if (index == kGwlStyle) return styles.count(window) ? styles[window] : 0;
    return index == kGwlExStyle && exStyles.count(window) ? exStyles[window] : 0;
  }
  std::optional<ScreenRect> GetWindowRect(WindowHandle window) override {
    return ScreenRect{0, 0, 1920, coveringMonitor.count(window) ? 1080 : 1040};
  }
  std::optional<ScreenRect> MonitorRect(WindowHandle) override { return ScreenRect{0, 0, 1920, 1080}; }
  bool AnswersWithin(WindowHandle window, unsigned milliseconds) override {
    calls.push_back("AnswersWithin(" + Hex(window) + ", " + std::to_string(milliseconds) + ")");
    if (deliverWhenAsked) Deliver();
    return notAnswering.count(window) == 0;
  }
  bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                    unsigned flags) override {
    const std::intptr_t after = reinterpret_cast<std::intptr_t>(insertAfter);
    std::ostringstream entry;
    entry << "SetWindowPos(" << Hex(window) << ", " << after << ", " << x << ", " << y << ", " << cx << ", " << cy
          << ", " << flags << ")";
    calls.push_back(entry.str());
    if (setPosErrors.count(window)) {
      lastError = setPosErrors[window];
      return false;
    }
    if (refusing.count(window)) return true;
    if (slow.count(window)) {
      posted.emplace_back(window, after);
      return true;
    }
    std::int32_t& style = exStyles[window];
    if (after == kHwndTopmost) style |= kWsExTopmost;
    if (after == kHwndNoTopmost || (after == kHwndBottom && !bottomKeepsTopmost)) style &= ~kWsExTopmost;
    return true;
  }
  // The slow windows' threads carry out the changes posted to them.
  void Deliver() {
    const std::set<WindowHandle> wereSlow = std::exchange(slow, {});
    for (const auto& [window, after] : std::exchange(posted, {}))
      SetWindowPos(window, HandleFromValue(after), 0, 0, 0, 0, 0);
    slow = wereSlow;
  }
  WindowHandle GetShellWindow() override {
    calls.push_back("GetShellWindow()");
    return shellWindow;
  }
  WindowHandle GetDesktopWindow() override {
    calls.push_back("GetDesktopWindow()");
    return desktopWindow;
  }
  std::wstring ClassName(WindowHandle window) override {
    calls.push_back("ClassName(" + Hex(window) + ")");
    return classNames.count(window) ? classNames[window] : std::wstring();
  }
  bool HasChildOfClass(WindowHandle parent, const wchar_t* className) override {
    calls.push_back("HasChildOfClass(" + Hex(parent) + ", " + Narrow(className) + ")");
    return childClasses.count(parent) && childClasses[parent] == className;
  }
  TrayAnswer Shell_NotifyIconA(unsigned message, const TrayRecord& data) override {
    calls.push_back("Shell_NotifyIconA(" + std::to_string(message) + ")");
    trayCalls.emplace_back(message, data);
    if (trayTimeouts > 0) {
      --trayTimeouts;
      return TrayAnswer::TimedOut;
    }
    if (trayRefusals > 0) {
      --trayRefusals;
      return TrayAnswer::Refused;
    }
    // Adding an icon that is there, or changing or deleting one that is not, fails.
    bool taken = trayIcons.count(data.uID) > 0;
    if (message == kNimAdd) taken = trayIcons.insert(data.uID).second;
    if (message == kNimDelete) taken = trayIcons.erase(data.uID) > 0;
    return taken ? TrayAnswer::Taken : TrayAnswer::Refused;
  }
  FileProbe ProbeFile(const std::wstring& path) override {
    calls.push_back("ProbeFile(" + Narrow(path) + ")");
    if (probeFails) return FileProbe::Error;
    if (!files.count(path)) return FileProbe::Absent;
    return filesHidden ? FileProbe::Hidden : FileProbe::Present;
  }
  FileRead ReadWholeFile(const std::wstring& path) override {
    calls.push_back("ReadWholeFile(" + Narrow(path) + ")");
    if (readsHeld > 0) {
      --readsHeld;
      return FileRead{FileRead::Outcome::Held, std::string()};
    }
    if (readFails || !files.count(path)) return FileRead{FileRead::Outcome::Failed, std::string()};
    return FileRead{FileRead::Outcome::Read, files[path]};
  }
  bool WriteNewFile(const std::wstring& path, std::string_view bytes) override {
    calls.push_back("WriteNewFile(" + Narrow(path) + ")");  // every attempt
    writes.emplace_back(bytes);
    if (writeFails) return false;
    if (writeStopsAfter && *writeStopsAfter < bytes.size()) {  // cut off: what got out stays on disk
      files[path] = std::string(bytes.substr(0, *writeStopsAfter));
      return false;
    }
    files[path] = std::string(bytes);
    return true;
  }
  bool MoveFileOver(const std::wstring& from, const std::wstring& to) override {
    calls.push_back("MoveFileOver(" + Narrow(from) + ", " + Narrow(to) + ")");
    if (replaceFails || !files.count(from)) return false;
    files[to] = files[from];
    files.erase(from);
    return true;
  }
  void RemoveFile(const std::wstring& path) override {
    calls.push_back("RemoveFile(" + Narrow(path) + ")");
    files.erase(path);
  }
  void Wait(unsigned milliseconds) override { waitedMs += milliseconds; }
  // 1252 as Latin-1, every byte the character with the same code; 936 with
  // ASCII, the euro sign at 0x80, and lead bytes that alone are no character;
  // 65001 with ASCII and U+FFFD for every byte above 127, none of which is a
  // character on its own (and none of which is a lead byte).
  std::wstring FromAnsi(std::string_view bytes) override {
    std::wstring text;
    for (char c : bytes) {
      const auto byte = static_cast<unsigned char>(c);
      if (codePage == 65001 && byte >= 0x80) {
        text += L'\ufffd';
      } else if (codePage == 936 && byte >= 0x80) {
        text += byte == 0x80 ? L'\u20ac' : IsAnsiLeadByte(byte) ? L'?' : L'\uf8f5';
      } else {
        text += static_cast<wchar_t>(byte);
      }
    }
    return text;
  }
  bool IsAnsiLeadByte(unsigned char byte) override { return codePage == 936 && byte >= 0x81 && byte <= 0xFE; }
  // The punctuation keys of a US keyboard layout.
  wchar_t KeyCharacter(int virtualKey) override {
    static const std::map<int, wchar_t> kPunctuation = {{0xBA, L';'},  {0xBB, L'='}, {0xBC, L','},  {0xBD, L'-'},
                                                        {0xBE, L'.'},  {0xBF, L'/'}, {0xC0, L'`'},  {0xDB, L'['},
                                                        {0xDC, L'\\'}, {0xDD, L']'}, {0xDE, L'\''}, {0xE2, L'\\'}};
    const auto found = kPunctuation.find(virtualKey);
    return found == kPunctuation.end() ? L'\0' : found->second;
  }
  void ShowMessage(WindowHandle owner, const std::wstring& text) override {
    calls.push_back("ShowMessage(" + Hex(owner) + ")");
    messages.emplace_back(owner, text);
  }
  std::uint32_t GetLastError() override { return lastError; }
  WindowOwner OwnerOf(WindowHandle window) override {
    calls.push_back("OwnerOf(" + Hex(window) + ")");
    return owners.count(window) ? owners[window] : WindowOwner::Peer;
  }
  bool RunsElevated() override { return elevated; }
  void MessageBeep(unsigned type) override { calls.push_back("MessageBeep(" + std::to_string(type) + ")"); }
  bool ShowTrayBalloon(const TrayRecord& icon, const std::wstring& title, const std::wstring& text,
                       unsigned infoFlags) override {
    calls.push_back("ShowTrayBalloon()");
    if (balloonRefused) return false;
    balloons.push_back(Balloon{icon, title, text, infoFlags});
    return true;
  }
  void RunAsAdministrator() override { calls.push_back("RunAsAdministrator()"); }
  std::size_t Count(const std::string& call) const { return std::count(calls.begin(), calls.end(), call); }
  // Position of the first matching call, or calls.size() when there is none.
  std::size_t IndexOf(const std::string& call) const {
    return static_cast<std::size_t>(std::find(calls.begin(), calls.end(), call) - calls.begin());
  }
};

// The main window's controls as the real window creates them.
class FakeView : public MainView {
 public:
  explicit FakeView(CallLog& log) : log_(log) {}

  int cbAuto = 0;
  std::wstring text1 = L"F7";
  bool text1Enabled = false, text1Focused = false, visible = false, activated = false;
  std::wstring caption = kCaptionSetKey;
  WindowState state = WindowState::Normal;
  int aboutShown = 0;
  std::function<void()> onResize;  // the resize event, raised by SetWindowState

  WindowHandle hWnd() override { return kSelf; }
  IconHandle Icon() override { return kIcon; }
  int CbAutoValue() override { return cbAuto; }
  void SetCbAutoValue(int value) override { cbAuto = value; }
  std::wstring Text1Text() override { return text1; }
  void SetText1Text(const std::wstring& text) override { text1 = text; }
  bool Text1Enabled() override { return text1Enabled; }
  void SetText1Enabled(bool enabled) override { text1Enabled = enabled; }
  void FocusText1() override { text1Focused = true; }
  std::wstring CmdSetKeyCaption() override { return caption; }
  void SetCmdSetKeyCaption(const std::wstring& text) override { caption = text; }
  WindowState GetWindowState() override { return state; }
  // Minimising or restoring shows the window too, as ShowWindow does.
  void SetWindowState(WindowState newState) override {
    log_.push_back(newState == WindowState::Minimized ? "SetWindowState(Minimized)" : "SetWindowState(Normal)");
    state = newState;
    visible = true;
    if (onResize) onResize();
  }
  void SetVisible(bool show) override {
    log_.push_back(show ? "SetVisible(true)" : "SetVisible(false)");
    visible = show;
  }
  void Activate() override { activated = true; }
  void ShowAbout() override { ++aboutShown; }

 private:
  CallLog& log_;
};

// The main window's logic wired to both fakes, with the resize event routed
// back into it as the real window does.
struct Harness {
  FakePlatform platform;
  FakeView view{platform.calls};
  setPos form{platform, view, kAppDir};

  Harness() {
    view.onResize = [this] { form.Form_Resize(); };
  }

  void WriteConfig(std::string bytes) { platform.files[kConfigPath] = std::move(bytes); }
  // Starts the program and forgets the calls it made.
  void Start() {
    form.Form_Load();
    platform.calls.clear();
  }
};

}  // namespace quellaro::test
