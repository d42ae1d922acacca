// The rights other processes run with: whether a process is elevated, and
// whether a window belongs to a process above Quellaro's integrity level.
#pragma once

#include "app/SingleInstance.h"
#include "platform/Win32.h"

namespace quellaro {

// Whether the process's token is elevated; Unknown when it cannot be read.
// The handle needs PROCESS_QUERY_LIMITED_INFORMATION.
Elevation ElevationOf(HANDLE process);

// The Quellaro found running by a second start, by its main window's class.
class Win32RunningCopy final : public RunningCopy {
 public:
  Elevation OwnElevation() override;
  Elevation RunningElevation() override;
  void AskToClose() override;
  bool WaitForEnd(unsigned milliseconds) override;

 private:
  UniqueKernelHandle process_;
  DWORD processId_ = 0;
};

}  // namespace quellaro
