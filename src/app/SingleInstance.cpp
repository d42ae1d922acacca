#include "app/SingleInstance.h"

namespace quellaro {

// Every start that gets here while a copy runs is one of: a limited start,
// which leaves; an elevated one finding an elevated copy, which leaves; or
// an elevated one finding a limited copy, which waits for it. Those that
// wait all wait on the mutex, so that when the copy ends the system gives
// it to one of them only; the others see the copy gone without the mutex,
// and leave. A start that arrives meanwhile finds the mutex held: by the
// copy, which it may ask to close again (harmless), or by the start that
// took over, elevated, before or after it published itself (either way
// this start leaves, an elevated one once that start has published itself).
// A copy still starting holds the mutex with nothing published yet: a
// limited start leaves; an elevated one polls a few seconds for the record,
// claiming the mutex again each time, and runs if the copy has ended
// meanwhile, or else decides as above on what it then finds. So two first
// starts at once: one creates the mutex, the other leaves, or, elevated,
// takes over from the first once that is limited and running. A copy whose
// main window has gone, with its About window still open, has given up the
// mutex and its record: it is no longer Quellaro, and the next start runs.
bool BecomesTheInstance(RunningCopy& running) {
  switch (running.ClaimInstance()) {
    case Claim::Owned:
      return true;
    case Claim::Denied:
      return false;
    case Claim::Held:
      break;
  }
  if (running.OwnElevation() != Elevation::Elevated) return false;
  for (int poll = 0; poll < kStartingPolls && !running.Published(); ++poll) {
    running.Pause();
    if (running.ClaimInstance() == Claim::Owned) return true;
  }
  // A copy that is elevated too, or one that cannot be asked, keeps running.
  if (running.RunningElevation() != Elevation::Limited) return false;
  running.AskToClose();
  // No time limit: a start that gave up on a busy copy would leave, and
  // that copy would still close on the request it had been sent.
  return running.WaitForEnd();
}

}  // namespace quellaro
