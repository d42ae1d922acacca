#include "app/SingleInstance.h"

namespace quellaro {

bool TakeOver(RunningCopy& running) {
  if (running.OwnElevation() != Elevation::Elevated) return false;
  // A copy that is elevated too, or one that cannot be asked, keeps running.
  if (running.RunningElevation() != Elevation::Limited) return false;
  running.AskToClose();
  // One that does not end in time keeps running, and this start leaves: two
  // would flip every window twice on each press.
  return running.WaitForEnd(kTakeOverWaitMs);
}

}  // namespace quellaro
