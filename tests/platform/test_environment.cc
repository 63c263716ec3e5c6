// The seam reads MODLINK_ROOT and MODLINK_CODEPAGE once, so the test program
// fixes them before any test runs: a fresh key-store root, and code page
// 936 (GBK), a double-byte code page that shows character splitting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifndef _WIN32
#include "tests/support/pty.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  _putenv_s("MODLINK_CODEPAGE", "CP936");
#else
  const std::string root = testsupport::MakeTempDir("platform_tests.");
  setenv("MODLINK_ROOT", root.c_str(), 1);
  setenv("MODLINK_CODEPAGE", "CP936", 1);
#endif
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
