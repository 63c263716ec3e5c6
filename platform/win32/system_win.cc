// Host services on Windows: the debugger output, the local clock, the
// executable's directory and the process environment.
#include "platform/system.h"

#include <windows.h>

#include <string>
#include <vector>

namespace plat {

void DebugOutput(const char* text) {
  if (text != nullptr) OutputDebugStringA(text);
}

LocalTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  LocalTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.dayOfWeek = st.wDayOfWeek;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  t.milliseconds = st.wMilliseconds;
  return t;
}

bool ToLocalCalendar(std::time_t t, std::tm* out) {
  if (out == nullptr) return false;
  return localtime_s(out, &t) == 0;
}

std::string ExecutableDirectory() {
  // The path may exceed MAX_PATH (long-path aware systems); grow until the
  // whole path fits, since a truncated path would name another directory.
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), size);
    if (n == 0) return std::string();
    if (n < size) {
      std::string path(buffer.data(), n);
      const size_t slash = path.find_last_of('\\');
      if (slash == std::string::npos) return std::string();
      path.resize(slash + 1);
      return path;
    }
    if (buffer.size() >= 32768) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

std::string GetEnvironment(const char* name) {
  if (name == nullptr || *name == '\0') return std::string();
  // The process environment, not the C runtime's copy: both the library
  // and its host may have changed it since the runtime started.
  std::vector<char> buffer(256);
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetEnvironmentVariableA(
        name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return std::string(buffer.data(), n);
    if (n > 32767) return std::string();
    buffer.resize(n);
  }
}

}  // namespace plat
