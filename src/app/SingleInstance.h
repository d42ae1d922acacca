// What a start does when it finds Quellaro already running. It leaves at
// once, with one exception: a Quellaro run as administrator takes over from
// one that is not, since only it can pin the windows of programs that run
// as administrator, which is what the user started it for.
#pragma once

namespace quellaro {

enum class Elevation { Unknown, Limited, Elevated };

// How long a start that takes over waits for the running copy to end.
inline constexpr unsigned kTakeOverWaitMs = 5000;

// The running copy as a second start sees it.
class RunningCopy {
 public:
  virtual ~RunningCopy() = default;
  virtual Elevation OwnElevation() = 0;
  // Unknown when no running copy is found or it cannot be asked.
  virtual Elevation RunningElevation() = 0;
  // Closes its windows as their close boxes do, so that its unload runs:
  // its tray icon is removed and its settings are saved.
  virtual void AskToClose() = 0;
  // True once it has ended; false when it is still running after `milliseconds`.
  virtual bool WaitForEnd(unsigned milliseconds) = 0;
};

// True when this start, which found a copy running, goes on to start: it
// is elevated, the running copy is not, and that copy has closed.
bool TakeOver(RunningCopy& running);

}  // namespace quellaro
