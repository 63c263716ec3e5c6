// Helpers for tests whose result depends on the client's code page.
//
// The code page is chosen once per process (MODLINK_CODEPAGE, then the
// locale), so a test that needs a particular one runs its checks in a fresh
// copy of the test program (a "threadsafe" death test re-executes the binary
// and runs only that test): RunInCodePage must be the first thing such a
// test does, before anything converts text.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/codepage.h"

namespace modlink::testing_cp {

// The text the current code page gives for UTF-16 text; tests that must
// hold in any code page compare against this.
inline std::string Ansi(const std::u16string& units) {
  std::string out(units.size() * 4 + 1, '\0');
  size_t n = plat::Utf16ToAnsi(units.data(), units.size(), out.data(),
                               out.size());
  out.resize(n);
  return out;
}

// Collects mismatches inside the child, which has no gtest reporting of its
// own to the parent.
class ChildChecks {
 public:
  template <typename A, typename B>
  void Eq(const char* what, const A& actual, const B& expected) {
    if (!(actual == expected)) {
      m_failures += std::string(what) + " differs\n";
    }
  }
  const std::string& failures() const { return m_failures; }

 private:
  std::string m_failures;
};

using ChildBody = void (*)(ChildChecks&);

// Runs body in a fresh copy of the test program whose code page is cp, and
// expects all of its checks to hold. Call it first in the test.
inline void RunInCodePage(const char* cp, ChildBody body) {
#if defined(_WIN32)
  // The Windows build uses the system's ANSI code page; it cannot be chosen.
  (void)cp;
  (void)body;
  GTEST_SKIP() << "the code page is the system's on Windows";
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("MODLINK_CODEPAGE", cp, 1);
        if (std::strcmp(plat::AnsiCodePageName(), cp) != 0) {
          std::fprintf(stderr, "code page %s not in effect\n", cp);
          std::_Exit(2);
        }
        ChildChecks checks;
        body(checks);
        std::fputs(checks.failures().c_str(), stderr);
        std::_Exit(checks.failures().empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace modlink::testing_cp
