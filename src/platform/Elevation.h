// The rights other processes run with: whether a process is elevated, and
// whether a window belongs to a process above Quellaro's integrity level.
#pragma once

#include "app/SingleInstance.h"
#include "platform/Win32.h"

namespace quellaro {

// Whether the process's token is elevated; Unknown when it cannot be read.
// The handle needs PROCESS_QUERY_LIMITED_INFORMATION.
Elevation ElevationOf(HANDLE process);

// Which Quellaro runs, as the starts and the running copy tell one another:
// the single-instance mutex, which the running copy owns while its main
// window lives, and a record of that window and its process, which it
// publishes once the window exists. The object lives as long as the
// process: Withdraw or its destructor gives up the mutex and the record.
class Win32RunningCopy final : public RunningCopy {
 public:
  Win32RunningCopy() = default;
  ~Win32RunningCopy() override;
  Win32RunningCopy(const Win32RunningCopy&) = delete;
  Win32RunningCopy& operator=(const Win32RunningCopy&) = delete;

  Claim ClaimInstance() override;
  Elevation OwnElevation() override;
  bool Published() override;
  void Pause() override;
  Elevation RunningElevation() override;
  void AskToClose() override;
  bool WaitForEnd() override;

  // Tells later starts that this process, with the main window `main`, is
  // the one running.
  void Publish(HWND main);
  // Tells later starts that this process is no longer the one running, on
  // the thread that claimed the mutex, which alone may release it.
  void Withdraw();

 private:
  UniqueKernelHandle mutex_;
  bool owned_ = false;
  UniqueKernelHandle record_;
  UniqueKernelHandle process_;
  DWORD processId_ = 0;
};

}  // namespace quellaro
