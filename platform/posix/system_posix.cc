#include "platform/system.h"

#include <sys/time.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace plat {

void DebugOutput(const char* text) {
  static const bool enabled = std::getenv("MODLINK_DEBUG_OUTPUT") != nullptr;
  if (!enabled || text == nullptr) return;
  // One write per call, so lines of different threads do not mix.
  const size_t len = std::strlen(text);
  ssize_t ignored = write(STDERR_FILENO, text, len);
  (void)ignored;
}

LocalTime Now() {
  LocalTime out{};
  timeval tv{};
  gettimeofday(&tv, nullptr);
  std::tm tm{};
  if (!ToLocalCalendar(tv.tv_sec, &tm)) return out;
  out.year = static_cast<uint16_t>(tm.tm_year + 1900);
  out.month = static_cast<uint16_t>(tm.tm_mon + 1);
  out.dayOfWeek = static_cast<uint16_t>(tm.tm_wday);
  out.day = static_cast<uint16_t>(tm.tm_mday);
  out.hour = static_cast<uint16_t>(tm.tm_hour);
  out.minute = static_cast<uint16_t>(tm.tm_min);
  out.second = static_cast<uint16_t>(tm.tm_sec);
  out.milliseconds = static_cast<uint16_t>(tv.tv_usec / 1000);
  return out;
}

bool ToLocalCalendar(std::time_t t, std::tm* out) {
  return out != nullptr && localtime_r(&t, out) != nullptr;
}

std::string ExecutableDirectory() {
  char path[PATH_MAX + 1];
  ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
  if (n <= 0) return std::string();
  path[n] = '\0';
  char* slash = std::strrchr(path, '/');
  if (slash == nullptr) return std::string();
  slash[1] = '\0';
  return std::string(path);
}

bool ProcessIsExiting() { return false; }

std::string GetEnvironment(const char* name) {
  const char* v = name ? std::getenv(name) : nullptr;
  return v ? std::string(v) : std::string();
}

}  // namespace plat
