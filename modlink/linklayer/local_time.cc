#include "modlink/linklayer/local_time.h"

#include <atomic>
#include <cstring>

#include "platform/system.h"

namespace modlink {

LocalTimeRecord MakeLocalTimeRecord(std::time_t now) {
  if (now == static_cast<std::time_t>(-1)) now = 946684800;
  LocalTimeRecord r{};
  std::tm tm{};
  if (!plat::ToLocalCalendar(now, &tm)) {
    r.hour = r.minute = r.second = 65535;
    return r;
  }
  r.year = static_cast<uint16_t>(tm.tm_year + 1900);
  r.month = static_cast<uint16_t>(tm.tm_mon + 1);
  r.dayOfWeek = static_cast<uint16_t>(tm.tm_wday + 1);
  r.day = static_cast<uint16_t>(tm.tm_mday);
  r.hour = static_cast<uint16_t>(tm.tm_hour);
  r.minute = static_cast<uint16_t>(tm.tm_min);
  r.second = static_cast<uint16_t>(tm.tm_sec);
  r.milliseconds = 0;
  return r;
}

namespace {
std::atomic<const char*> g_modemNames{nullptr};
constexpr size_t kSlot = 128;
constexpr size_t kSlots = 10;
}  // namespace

void SetModemNameList(const char* list) {
  g_modemNames = (list != nullptr && list[0] != '\0') ? list : nullptr;
}

std::vector<std::string> ModemNameList() {
  std::vector<std::string> names;
  const char* list = g_modemNames.load();
  if (list == nullptr) return names;
  for (size_t i = 0; i < kSlots; ++i) {
    const char* slot = list + i * kSlot;
    if (slot[0] == '\0') break;
    names.emplace_back(slot, strnlen(slot, kSlot - 1));
  }
  return names;
}

}  // namespace modlink
