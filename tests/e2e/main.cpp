#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <iterator>

#include "Harness.h"
#include "TestRun.h"

namespace e2e {
// The README's animation: `--animation FOLDER` plays it, `--animation --window A|B` is one of its windows.
int RunAnimation(int argc, wchar_t** argv);
}  // namespace e2e

int wmain(int argc, wchar_t** argv) {
  // The run as a Chinese system must not pass as an English one unseen.
  wchar_t expected[16] = {};
  if (::GetEnvironmentVariableW(L"QUELLARO_EXPECT_CODE_PAGE", expected, 16) > 0 &&
      std::wcstoul(expected, nullptr, 10) != ::GetACP()) {
    std::fprintf(stderr, "expected ANSI code page %ls, running under %u\n", expected, ::GetACP());
    return 1;
  }
  for (int kind = 0; argc > 1 && kind < static_cast<int>(std::size(e2e::kDemoArguments)); ++kind) {
    if (std::wcscmp(argv[1], e2e::kDemoArguments[kind]) == 0)
      return e2e::RunDemoWindow(static_cast<e2e::DemoKind>(kind));
  }
  if (argc > 2 && std::wcscmp(argv[1], L"--demo-class") == 0) return e2e::RunDemoWindow(e2e::DemoKind::Plain, argv[2]);
  if (argc > 1 && std::wcscmp(argv[1], L"--showcase") == 0) return e2e::RunShowcase();
  if (argc > 1 && std::wcscmp(argv[1], L"--screenshots") == 0) return e2e::RunScreenshots();
  if (argc > 1 && std::wcscmp(argv[1], L"--animation") == 0) return e2e::RunAnimation(argc - 2, argv + 2);
  testing::InitGoogleTest(&argc, argv);
  if (!e2e::WatchTheTests()) return 1;
  return RUN_ALL_TESTS();
}
