// What the driver does around the tests it runs: it prepares the desktop
// first, ends a test that runs out of time, and keeps a picture of the
// screen when a test fails.
#pragma once

#include <gtest/gtest.h>

namespace e2e {

// The driver's exit code when a test ran out of time, as timeout(1) has it.
inline constexpr int kTimeoutExitCode = 124;
inline constexpr unsigned kDefaultTimeLimitSeconds = 120;

// Adds the listener that does all that to GoogleTest's. False, with the
// reason printed, when QUELLARO_E2E_TIMEOUT_SECONDS is set but is not a
// number of seconds.
bool WatchTheTests();

// Under Wine: runs the test that is running now again, in a driver of its own
// started while the DPI that new processes see is `dpi`, as every process of a
// system set to that DPI starts, and passes on what it prints. The failure
// says how it ended; in that driver, the failure is that it does not see `dpi`.
[[nodiscard]] testing::AssertionResult RunThisTestAgainAtDpi(unsigned dpi);

}  // namespace e2e
