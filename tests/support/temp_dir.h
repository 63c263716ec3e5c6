// Tests that run in a directory of their own (the library writes its trace
// file to the current directory), and reading a file whole.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class InTempDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    m_old = std::filesystem::current_path();
    m_dir = std::filesystem::temp_directory_path() /
            ("modlink_test." +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(m_dir);
    std::filesystem::current_path(m_dir);
  }
  void TearDown() override {
    std::filesystem::current_path(m_old);
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }
  std::filesystem::path m_old, m_dir;
};

}  // namespace testsupport
