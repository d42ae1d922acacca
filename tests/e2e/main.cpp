#include <gtest/gtest.h>

#include <cwchar>

#include "Harness.h"

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wcscmp(argv[1], L"--demo") == 0) return e2e::RunDemoWindow();
  if (argc > 1 && std::wcscmp(argv[1], L"--showcase") == 0) return e2e::RunShowcase();
  if (argc > 1 && std::wcscmp(argv[1], L"--screenshots") == 0) return e2e::RunScreenshots();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
