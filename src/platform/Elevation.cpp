#include "platform/Elevation.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "platform/Win32Platform.h"

namespace quellaro {
namespace {

// advapi32 is loaded only when these are first needed: after a failed flip,
// or by a start that finds Quellaro running.
using OpenProcessTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
using GetTokenInformationFn = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
using GetSidSubAuthorityCountFn = PUCHAR(WINAPI*)(PSID);
using GetSidSubAuthorityFn = PDWORD(WINAPI*)(PSID, DWORD);

template <typename Function>
Function Advapi(const char* name) {
  return SystemFunctionAs<Function>(L"advapi32.dll", name);
}

// The process's token, for TOKEN_QUERY
// (https://learn.microsoft.com/en-us/windows/win32/api/processthreadsapi/nf-processthreadsapi-openprocesstoken:
// the process handle "must have the PROCESS_QUERY_LIMITED_INFORMATION access permission").
UniqueKernelHandle TokenOf(HANDLE process) {
  static const auto open = Advapi<OpenProcessTokenFn>("OpenProcessToken");
  HANDLE token = nullptr;
  if (!open || !open(process, TOKEN_QUERY, &token)) return UniqueKernelHandle();
  return UniqueKernelHandle(token);
}

// https://learn.microsoft.com/en-us/windows/win32/api/securitybaseapi/nf-securitybaseapi-gettokeninformation
GetTokenInformationFn TokenInformation() {
  static const auto get = Advapi<GetTokenInformationFn>("GetTokenInformation");
  return get;
}

// The integrity level's RID (SECURITY_MANDATORY_MEDIUM_RID, _HIGH_RID, ...):
// TokenIntegrityLevel gives a TOKEN_MANDATORY_LABEL whose SID's last
// sub-authority is the level
// (https://learn.microsoft.com/en-us/windows/win32/api/winnt/ns-winnt-token_mandatory_label).
// Nothing when the process's token cannot be read.
std::optional<DWORD> IntegrityOf(HANDLE process) {
  static const auto count = Advapi<GetSidSubAuthorityCountFn>("GetSidSubAuthorityCount");
  static const auto subAuthority = Advapi<GetSidSubAuthorityFn>("GetSidSubAuthority");
  const auto get = TokenInformation();
  const UniqueKernelHandle token = TokenOf(process);
  if (!token || !get || !count || !subAuthority) return std::nullopt;
  // The label and its SID, which the call places after it.
  alignas(TOKEN_MANDATORY_LABEL) unsigned char buffer[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
  DWORD length = 0;
  if (!get(token.get(), TokenIntegrityLevel, buffer, sizeof(buffer), &length)) return std::nullopt;
  PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
  const UCHAR subAuthorities = *count(sid);
  if (subAuthorities == 0) return std::nullopt;
  return *subAuthority(sid, subAuthorities - 1u);
}

// The user a process runs as, from TokenUser
// (https://learn.microsoft.com/en-us/windows/win32/api/winnt/ns-winnt-token_user),
// compared with EqualSid
// (https://learn.microsoft.com/en-us/windows/win32/api/securitybaseapi/nf-securitybaseapi-equalsid).
// Nothing when either token cannot be read.
std::optional<bool> SameUser(HANDLE process, HANDLE other) {
  using EqualSidFn = BOOL(WINAPI*)(PSID, PSID);
  static const auto equal = Advapi<EqualSidFn>("EqualSid");
  const auto get = TokenInformation();
  if (!equal || !get) return std::nullopt;
  // The TOKEN_USER and its SID, which the call places after it.
  alignas(TOKEN_USER) unsigned char buffers[2][sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  const HANDLE processes[2] = {process, other};
  for (int i = 0; i < 2; ++i) {
    const UniqueKernelHandle token = TokenOf(processes[i]);
    DWORD length = 0;
    if (!token || !get(token.get(), TokenUser, buffers[i], sizeof(buffers[i]), &length)) return std::nullopt;
  }
  return equal(reinterpret_cast<TOKEN_USER*>(buffers[0])->User.Sid,
               reinterpret_cast<TOKEN_USER*>(buffers[1])->User.Sid) != FALSE;
}

// Quellaro's windows all have classes of this prefix: the main window, the
// About window and the About window's hidden owner.
constexpr std::wstring_view kQuellaroClassPrefix = L"Quellaro.";

// EnumWindows' callback: posts WM_CLOSE to a window of Quellaro's that
// belongs to the process `processId`.
BOOL CALLBACK CloseIfQuellaros(HWND window, LPARAM processId) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  wchar_t name[64];
  const int length = ::GetClassNameW(window, name, 64);
  const std::wstring_view className(name, length > 0 ? static_cast<std::size_t>(length) : 0);
  if (owner == static_cast<DWORD>(processId) &&
      className.substr(0, kQuellaroClassPrefix.size()) == kQuellaroClassPrefix) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

}  // namespace

// TokenElevation gives a TOKEN_ELEVATION whose TokenIsElevated "is nonzero if
// the token has elevated privileges"
// (https://learn.microsoft.com/en-us/windows/win32/api/winnt/ns-winnt-token_elevation,
// https://learn.microsoft.com/en-us/windows/win32/api/winnt/ne-winnt-token_information_class).
// Elevation rather than the Administrators group or the integrity level,
// which some systems (Wine) report the same for both kinds of process.
Elevation ElevationOf(HANDLE process) {
  const auto get = TokenInformation();
  const UniqueKernelHandle token = TokenOf(process);
  TOKEN_ELEVATION elevation{};
  DWORD length = 0;
  if (!token || !get || !get(token.get(), TokenElevation, &elevation, sizeof(elevation), &length)) {
    return Elevation::Unknown;
  }
  return elevation.TokenIsElevated ? Elevation::Elevated : Elevation::Limited;
}

WindowOwner Win32Platform::OwnerOf(WindowHandle window) {
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  if (processId == 0) return WindowOwner::Peer;  // the window has gone
  // PROCESS_QUERY_LIMITED_INFORMATION
  // (https://learn.microsoft.com/en-us/windows/win32/procthread/process-security-and-access-rights)
  // is what the user's own processes grant one another, elevated or not. A
  // process that refuses even that, or whose token cannot be read, runs as
  // another account (a service, SYSTEM).
  const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED ? WindowOwner::Stranger : WindowOwner::Peer;
  const std::optional<bool> sameUser = SameUser(process.get(), ::GetCurrentProcess());
  if (!sameUser || !*sameUser) return WindowOwner::Stranger;
  const std::optional<DWORD> theirs = IntegrityOf(process.get());
  const std::optional<DWORD> mine = IntegrityOf(::GetCurrentProcess());
  if (!mine) return WindowOwner::Peer;  // nothing to compare with
  return !theirs || *theirs > *mine ? WindowOwner::Administrator : WindowOwner::Peer;
}

bool Win32Platform::RunsElevated() { return ElevationOf(::GetCurrentProcess()) == Elevation::Elevated; }

namespace {

constexpr wchar_t kInstanceMutexName[] = L"Local\\Quellaro.SingleInstance";
constexpr wchar_t kInstanceRecordName[] = L"Local\\Quellaro.Instance";

// What the running copy publishes, the same for its 32- and 64-bit builds.
struct InstanceRecord {
  std::uint64_t mainWindow;
  std::uint32_t processId;
};

// How long a start that saw the copy end still waits for its mutex. Another
// start that took it over keeps it for its life; this only covers a
// hand-over that the system makes a moment after the process has ended.
constexpr DWORD kHandOverMs = 2000;

// The interval of Pause, which a start's wait for a copy still starting counts.
constexpr DWORD kStartingPollMs = 100;

}  // namespace

Win32RunningCopy::~Win32RunningCopy() { Withdraw(); }

void Win32RunningCopy::Withdraw() {
  // https://learn.microsoft.com/en-us/windows/win32/api/synchapi/nf-synchapi-releasemutex
  // fails "if the calling thread does not own the mutex object".
  if (owned_) ::ReleaseMutex(mutex_.get());
  owned_ = false;
  record_.reset();
}

Claim Win32RunningCopy::ClaimInstance() {
  // bInitialOwner is ignored when the mutex exists already
  // (https://learn.microsoft.com/en-us/windows/win32/api/synchapi/nf-synchapi-createmutexw).
  // A copy run as administrator holds one that a start that is not may not
  // open: that copy keeps running, as it does when this fails otherwise.
  mutex_.reset(::CreateMutexW(nullptr, TRUE, kInstanceMutexName));
  if (!mutex_) return Claim::Denied;
  if (::GetLastError() != ERROR_ALREADY_EXISTS) {
    owned_ = true;
    return Claim::Owned;
  }
  // It exists and may still be free: the last copy ended while another
  // start had it open. WAIT_ABANDONED: that copy ended without releasing it
  // (https://learn.microsoft.com/en-us/windows/win32/api/synchapi/nf-synchapi-waitforsingleobject).
  const DWORD now = ::WaitForSingleObject(mutex_.get(), 0);
  owned_ = now == WAIT_OBJECT_0 || now == WAIT_ABANDONED;
  return owned_ ? Claim::Owned : Claim::Held;
}

Elevation Win32RunningCopy::OwnElevation() { return ElevationOf(::GetCurrentProcess()); }

bool Win32RunningCopy::Published() {
  return UniqueKernelHandle(::OpenFileMappingW(FILE_MAP_READ, FALSE, kInstanceRecordName)).get() != nullptr;
}

void Win32RunningCopy::Pause() { ::Sleep(kStartingPollMs); }

// The copy is the process that published itself, not whichever owns a
// window of Quellaro's class: any program may register that class.
Elevation Win32RunningCopy::RunningElevation() {
  // https://learn.microsoft.com/en-us/windows/win32/api/memoryapi/nf-memoryapi-openfilemappingw
  const UniqueKernelHandle record(::OpenFileMappingW(FILE_MAP_READ, FALSE, kInstanceRecordName));
  if (!record) return Elevation::Unknown;  // a copy still starting
  const void* view = ::MapViewOfFile(record.get(), FILE_MAP_READ, 0, 0, sizeof(InstanceRecord));
  if (!view) return Elevation::Unknown;
  InstanceRecord published{};
  std::memcpy(&published, view, sizeof(published));
  ::UnmapViewOfFile(view);
  // A window that has gone, or now belongs to another process, names no copy.
  const auto main = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(published.mainWindow));
  DWORD owner = 0;
  if (main) ::GetWindowThreadProcessId(main, &owner);
  if (owner == 0 || owner != published.processId || owner == ::GetCurrentProcessId()) return Elevation::Unknown;
  // SYNCHRONIZE for the wait on its end
  // (https://learn.microsoft.com/en-us/windows/win32/api/processthreadsapi/nf-processthreadsapi-openprocess).
  process_.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, owner));
  if (!process_) return Elevation::Unknown;
  processId_ = owner;
  return ElevationOf(process_.get());
}

void Win32RunningCopy::AskToClose() {
  // WM_CLOSE to each of its windows, the About window's too: closing the
  // main window alone leaves the process running while About is open.
  // Messages may go from an elevated process to one that is not.
  ::EnumWindows(CloseIfQuellaros, static_cast<LPARAM>(processId_));
}

bool Win32RunningCopy::WaitForEnd() {
  if (!process_) return false;
  // The copy releases the mutex once its main window has gone, or its end
  // abandons it, and the system gives it to one waiter only. With bWaitAll
  // FALSE the lowest index signalled wins and only that object is acquired
  // (https://learn.microsoft.com/en-us/windows/win32/api/synchapi/nf-synchapi-waitformultipleobjects):
  // index 1 alone means that the copy has ended and another start has the mutex.
  const HANDLE either[2] = {mutex_.get(), process_.get()};
  DWORD result = ::WaitForMultipleObjects(2, either, FALSE, INFINITE);
  if (result == WAIT_OBJECT_0 + 1) result = ::WaitForSingleObject(mutex_.get(), kHandOverMs);
  owned_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
  return owned_;
}

void Win32RunningCopy::Publish(HWND main) {
  if (!owned_) return;
  // The record lasts while a handle to it is open: this one, kept for the
  // life of the process
  // (https://learn.microsoft.com/en-us/windows/win32/api/memoryapi/nf-memoryapi-createfilemappingw).
  // One left open by a start that read it is reused and written over.
  record_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(InstanceRecord),
                                     kInstanceRecordName));
  if (!record_) return;  // starts then take this copy for one still starting
  void* view = ::MapViewOfFile(record_.get(), FILE_MAP_WRITE, 0, 0, sizeof(InstanceRecord));
  if (!view) return;
  const InstanceRecord published{reinterpret_cast<std::uintptr_t>(main), ::GetCurrentProcessId()};
  std::memcpy(view, &published, sizeof(published));
  ::UnmapViewOfFile(view);
}

}  // namespace quellaro
