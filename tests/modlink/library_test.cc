// The built library as a client loads it: through its exported names only.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "modlink/include/Modlink.h"
#include "platform/shared_library.h"
#include "platform/system.h"
#include "tests/support/temp_dir.h"
#include "platform/thread.h"

namespace fs = std::filesystem;

namespace {

using LibraryTest = testsupport::InTempDirectory;
using testsupport::ReadFile;

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
  // Once more, with the threads surely running (on Windows they start only
  // after the load returns): a port search answered by the writer.
  plat::SharedLibrary lib;
  ASSERT_TRUE(lib.Load(MODLINK_LIBRARY_PATH)) << lib.Error();
  auto search = reinterpret_cast<decltype(&Dll_SearchPort)>(lib.Symbol("Dll_SearchPort"));
  auto read = reinterpret_cast<decltype(&Dll_ReadDate)>(lib.Symbol("Dll_ReadDate"));
  ASSERT_NE(search, nullptr);
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(search() & 0xFF, 1);
  bool answered = false;
  for (int i = 0; i < 200 && !answered; ++i) {
    int32_t id = 0, length = 0;
    char buf[4096];
    while (!answered && (read(&id, buf, &length) & 0xFF)) answered = id == 195;
    if (!answered) plat::SleepMs(20);
  }
  EXPECT_TRUE(answered);
  lib.Unload();
  const std::string log = ReadFile(m_dir / "servb.log");
  EXPECT_NE(log.find("] Beging read loop\n"), std::string::npos);
  EXPECT_NE(log.find("] ~linklayer\n"), std::string::npos);
}

// Runs this test program again as a child with `variable` set, its output
// in child.out of the current directory; the child's exit status.
int RunChild(const char* variable) {
  const std::string exe = plat::ExecutableDirectory() + "modlink_tests";
#ifdef _WIN32
  _putenv_s(variable, "1");
  // cmd.exe drops the first and the last quote of the line.
  const std::string command = "\"\"" + exe + "\" >child.out 2>&1\"";
#else
  setenv(variable, "1", 1);
  const std::string command = "\"" + exe + "\" >child.out 2>&1";
#endif
  const int status = std::system(command.c_str());
#ifdef _WIN32
  _putenv_s(variable, "");
#else
  unsetenv(variable);
#endif
  return status;
}

TEST_F(LibraryTest, SecondProcessTracesToTheTimeStampedFile) {
  plat::SharedLibrary lib;
  ASSERT_TRUE(lib.Load(MODLINK_LIBRARY_PATH)) << lib.Error();
  EXPECT_EQ(RunChild("MODLINK_EXPECT_FALLBACK_TRACE"), 0) << ReadFile(m_dir / "child.out");
  EXPECT_NE(ReadFile(m_dir / "child.out").find("fallback trace ok"), std::string::npos);
  lib.Unload();
  // The first process's log was not truncated by the second.
  const std::string log = ReadFile(m_dir / "servb.log");
  EXPECT_NE(log.find("] Beging read loop\n"), std::string::npos) << log;
}

TEST_F(LibraryTest, ProcessEndsWithTheLibraryStillLoaded) {
  // A client that never unloads the library: the process must still end
  // (on Windows the library's threads are already gone when it is told).
  EXPECT_EQ(RunChild("MODLINK_EXIT_WITH_LIBRARY_LOADED"), 0) << ReadFile(m_dir / "child.out");
  EXPECT_NE(ReadFile(m_dir / "child.out").find("exiting with the library loaded"),
            std::string::npos);
}

}  // namespace

// The second process of SecondProcessTracesToTheTimeStampedFile: run by the
// test program's main when MODLINK_EXPECT_FALLBACK_TRACE is set, in the
// same directory as the first process. Exit code 0 when this process traced
// to "servb[hh.mm.ss cc] .log" beside its executable.
int RunFallbackTraceChild() {
  const fs::path exeDir = plat::ExecutableDirectory();
  plat::SharedLibrary lib;
  if (!lib.Load(MODLINK_LIBRARY_PATH)) return 2;
  lib.Unload();
  bool found = false;
  for (const auto& e : fs::directory_iterator(exeDir)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("servb[", 0) == 0 && name.size() == 23 &&
        name.substr(name.size() - 6) == "] .log" &&
        ReadFile(e.path()).find("~linklayer") != std::string::npos) {
      found = true;
      fs::remove(e.path());
    }
  }
  if (!found) {
    std::printf("no fallback trace in %s; current directory holds:", exeDir.string().c_str());
    for (const auto& e : fs::directory_iterator(fs::current_path()))
      std::printf(" %s", e.path().filename().string().c_str());
    std::printf("\n");
    return 1;
  }
  std::printf("fallback trace ok\n");
  return 0;
}

// The child of ProcessEndsWithTheLibraryStillLoaded: loads the library,
// lets its threads run, and returns from main with it loaded.
int RunExitWithLibraryLoadedChild() {
  auto* lib = new plat::SharedLibrary();  // never unloaded: the process ends first
  if (!lib->Load(MODLINK_LIBRARY_PATH)) return 2;
  auto search = reinterpret_cast<decltype(&Dll_SearchPort)>(lib->Symbol("Dll_SearchPort"));
  auto read = reinterpret_cast<decltype(&Dll_ReadDate)>(lib->Symbol("Dll_ReadDate"));
  if (search == nullptr || read == nullptr) return 3;
  search();
  for (int i = 0; i < 200; ++i) {
    int32_t id = 0, length = 0;
    char buf[4096];
    while (read(&id, buf, &length) & 0xFF) {
      if (id == 195) {
        std::printf("exiting with the library loaded\n");
        std::fflush(stdout);
        return 0;
      }
    }
    plat::SleepMs(20);
  }
  return 4;
}
