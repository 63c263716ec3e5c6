// Runs a program with arguments and extra environment, collects its stdout,
// stderr and exit code; kills it when it outlives the deadline.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace clitest {

struct RunResult {
  int exitCode = -1;      // -1: killed at the deadline or died by a signal
  bool timedOut = false;
  double seconds = 0;
  std::string out;
  std::string err;
};

RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::vector<std::pair<std::string, std::string>>& env, const std::string& cwd,
              int deadlineMs);

// Lines of |text| (without their line ends), empty last line dropped.
std::vector<std::string> Lines(const std::string& text);

}  // namespace clitest
