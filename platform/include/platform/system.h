// Small services of the host system: debugger output, the clock, the
// program's own location.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace plat {

// Windows: OutputDebugStringA. POSIX: stderr when MODLINK_DEBUG_OUTPUT is
// set in the environment, otherwise nowhere.
void DebugOutput(const char* text);

struct LocalTime {
  uint16_t year;
  uint16_t month;       // 1..12
  uint16_t dayOfWeek;   // 0 Sunday .. 6 Saturday
  uint16_t day;         // 1..31
  uint16_t hour;
  uint16_t minute;
  uint16_t second;
  uint16_t milliseconds;
};

// Current local time with milliseconds.
LocalTime Now();

// Thread-safe localtime: false when the conversion fails.
bool ToLocalCalendar(std::time_t t, std::tm* out);

// Directory of the running program's executable, ending with its
// separator ('\\' on Windows, '/' on POSIX); empty when unknown.
std::string ExecutableDirectory();

// True while the process is terminating and the library is being torn
// down after every other thread was ended by the OS (Windows process exit:
// threads that were killed never report that they finished, so nothing may
// wait for them). Always false on POSIX, where exit() leaves threads
// running until the library's destructors have joined them.
bool ProcessIsExiting();

// Value of an environment variable; empty when unset.
std::string GetEnvironment(const char* name);

}  // namespace plat
