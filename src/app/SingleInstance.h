// What a start does when it finds Quellaro already running. It leaves at
// once, with one exception: a Quellaro run as administrator takes over from
// one that is not, since only it can pin the windows of programs that run
// as administrator, which is what the user started it for.
//
// The running copy owns a named mutex while its main window lives; the
// system hands it on when that copy gives it up or ends (released or
// abandoned), to exactly one waiting start.
// That hand-over, not a window or a time-out, decides which start runs, so
// that after any starts, at any timing, exactly one Quellaro runs.
#pragma once

namespace quellaro {

enum class Elevation { Unknown, Limited, Elevated };

// What this start's claim on the single-instance mutex found.
enum class Claim {
  Owned,   // it is this start's: no copy runs
  Held,    // a running copy (or a start taking over) owns it
  Denied,  // it exists but may not be opened: a copy runs as administrator
};

// The running copy as a second start sees it.
class RunningCopy {
 public:
  virtual ~RunningCopy() = default;
  virtual Claim ClaimInstance() = 0;
  virtual Elevation OwnElevation() = 0;
  // Whether a copy has published itself as the one running. One that holds
  // the mutex without that is still starting.
  virtual bool Published() = 0;
  // Waits one poll's interval, a tenth of a second, for a copy still starting.
  virtual void Pause() = 0;
  // The copy that published itself as the one running. Unknown when none
  // did (yet), or it cannot be asked.
  virtual Elevation RunningElevation() = 0;
  // Closes its windows as their close boxes do, so that its unload runs:
  // its tray icon is removed and its settings are saved.
  virtual void AskToClose() = 0;
  // Waits until the copy has ended, however long it takes. True when this
  // start then owns the mutex; false when another start got it first.
  virtual bool WaitForEnd() = 0;
};

// How many polls a start as administrator waits for a copy still starting
// to publish itself: a few seconds.
inline constexpr int kStartingPolls = 50;

// True when this start is, or has become, the one instance: no copy ran,
// or it is elevated, the running copy was not, and that copy has closed.
bool BecomesTheInstance(RunningCopy& running);

}  // namespace quellaro
