// Local time for the client (Dll_GetLocalTime) and the client's modem-name
// list (Dll_SetDynamicConfigModemReq).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace modlink {

struct LocalTimeRecord {
  uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};
static_assert(sizeof(LocalTimeRecord) == 16, "the client's 16-byte time record");

// Calendar time `now` (or, when now is -1, the moment 2000-01-01 00:00:00
// UTC) as local time; day of week 1 (Sunday) to 7. When the conversion
// fails: year, month, day of week and day 0, the clock fields 65535.
LocalTimeRecord MakeLocalTimeRecord(std::time_t now);

// The client's list of 128-byte name slots; the library keeps the pointer.
void SetModemNameList(const char* list);
// Up to 10 names; empty when the client gave none (built-in names apply).
std::vector<std::string> ModemNameList();

}  // namespace modlink
