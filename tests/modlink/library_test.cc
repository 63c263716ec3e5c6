// The built library as a client loads it: through its exported names only.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "modlink/include/Modlink.h"
#include "platform/shared_library.h"
#include "platform/system.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_old = fs::current_path();
    m_dir = fs::temp_directory_path() /
            ("modlink_library." + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(m_dir);
    fs::current_path(m_dir);
  }
  void TearDown() override {
    fs::current_path(m_old);
    std::error_code ec;
    fs::remove_all(m_dir, ec);
  }
  fs::path m_old, m_dir;
};

TEST_F(LibraryTest, LoadUnloadCyclesLeaveNoThreadBehind) {
  for (int i = 0; i < 50; ++i) {
    plat::SharedLibrary lib;
    ASSERT_TRUE(lib.Load(MODLINK_LIBRARY_PATH)) << lib.Error();
    auto isWriting = reinterpret_cast<decltype(&Dll_IsWriting)>(lib.Symbol("Dll_IsWriting"));
    auto raw = reinterpret_cast<decltype(&Dll_RawCommandReq)>(lib.Symbol("Dll_RawCommandReq"));
    ASSERT_NE(isWriting, nullptr);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(raw("AT", 2) & 0xFF, 1);
    (void)isWriting();
    lib.Unload();
  }
  const std::string log = ReadFile(m_dir / "servb.log");
  EXPECT_NE(log.find("] Beging read loop\n"), std::string::npos);
  EXPECT_NE(log.find("] ~linklayer\n"), std::string::npos);
}

TEST_F(LibraryTest, SecondProcessTracesToTheTimeStampedFile) {
  plat::SharedLibrary lib;
  ASSERT_TRUE(lib.Load(MODLINK_LIBRARY_PATH)) << lib.Error();
  const std::string exe = plat::ExecutableDirectory() + "modlink_tests";
  const std::string command = "MODLINK_EXPECT_FALLBACK_TRACE=1 \"" + exe +
                              "\" --gtest_also_run_disabled_tests --gtest_filter=LibraryChild.* >child.out 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_NE(ReadFile(m_dir / "child.out").find("[  PASSED  ] 1 test."), std::string::npos);
  lib.Unload();
  // The first process's log was not truncated by the second.
  const std::string log = ReadFile(m_dir / "servb.log");
  EXPECT_NE(log.find("] Beging read loop\n"), std::string::npos) << log;
}

// Runs only as the child of the test above, in the same directory.
TEST(LibraryChild, DISABLED_TracesBesideTheExecutable) {
  if (std::getenv("MODLINK_EXPECT_FALLBACK_TRACE") == nullptr) GTEST_SKIP();
  const fs::path exeDir = plat::ExecutableDirectory();
  plat::SharedLibrary lib;
  ASSERT_TRUE(lib.Load(MODLINK_LIBRARY_PATH)) << lib.Error();
  lib.Unload();
  bool found = false;
  for (const auto& e : fs::directory_iterator(exeDir)) {
    const std::string name = e.path().filename().string();
    // "servb[hh.mm.ss cc] .log", holding this process's trace.
    if (name.rfind("servb[", 0) == 0 && name.size() == 23 &&
        name.substr(name.size() - 6) == "] .log" &&
        ReadFile(e.path()).find("Beging read loop") != std::string::npos) {
      found = true;
      fs::remove(e.path());
    }
  }
  EXPECT_TRUE(found);
}

}  // namespace
