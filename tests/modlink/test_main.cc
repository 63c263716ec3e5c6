// The library reads MODLINK_ROOT once, so the test program gives it a fresh
// key-store root before anything runs (children that gtest re-executes keep
// their parent's).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

}  // namespace

int RunFallbackTraceChild();           // library_test.cc
int RunExitWithLibraryLoadedChild();  // library_test.cc

int main(int argc, char** argv) {
  const char* child = std::getenv("MODLINK_EXPECT_FALLBACK_TRACE");
  if (child != nullptr && *child != '\0') return RunFallbackTraceChild();
  const char* exiting = std::getenv("MODLINK_EXIT_WITH_LIBRARY_LOADED");
  if (exiting != nullptr && *exiting != '\0') return RunExitWithLibraryLoadedChild();
  if (std::getenv("MODLINK_TEST_CHILD") == nullptr) {
    std::random_device rd;
    const auto root = std::filesystem::temp_directory_path() /
                      ("modlink_tests." + std::to_string(rd()));
    std::filesystem::create_directories(root);
    SetEnv("MODLINK_ROOT", root.string());
    SetEnv("MODLINK_TEST_CHILD", "1");
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
