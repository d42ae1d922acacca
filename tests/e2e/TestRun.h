// What the driver does around the tests it runs: it prepares the desktop
// first, ends a test that runs out of time, and keeps a picture of the
// screen when a test fails.
#pragma once

namespace e2e {

// The driver's exit code when a test ran out of time, as timeout(1) has it.
inline constexpr int kTimeoutExitCode = 124;
inline constexpr unsigned kDefaultTimeLimitSeconds = 120;

// Adds the listener that does all that to GoogleTest's. False, with the
// reason printed, when QUELLARO_E2E_TIMEOUT_SECONDS is set but is not a
// number of seconds.
bool WatchTheTests();

}  // namespace e2e
