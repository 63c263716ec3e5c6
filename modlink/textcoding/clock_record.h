// ClockRecord: the 8-byte date and time record the client receives (modem
// clock answers, message time stamps) and passes in (modem clock setting,
// time-stamped message requests). Layout fixed by the client interface:
// unsigned 16-bit year (little-endian), then month, day, hour, minute,
// second as unsigned bytes, one reserved zero byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace modlink {

struct ClockRecord {
  uint16_t m_nYear;
  uint8_t m_nMonth;
  uint8_t m_nDay;
  uint8_t m_nHour;
  uint8_t m_nMinute;
  uint8_t m_nSecond;
  uint8_t m_nReserved;
};

static_assert(sizeof(ClockRecord) == 8, "ClockRecord is 8 bytes");
static_assert(offsetof(ClockRecord, m_nYear) == 0, "ClockRecord layout");
static_assert(offsetof(ClockRecord, m_nMonth) == 2, "ClockRecord layout");
static_assert(offsetof(ClockRecord, m_nDay) == 3, "ClockRecord layout");
static_assert(offsetof(ClockRecord, m_nHour) == 4, "ClockRecord layout");
static_assert(offsetof(ClockRecord, m_nMinute) == 5, "ClockRecord layout");
static_assert(offsetof(ClockRecord, m_nSecond) == 6, "ClockRecord layout");
static_assert(offsetof(ClockRecord, m_nReserved) == 7, "ClockRecord layout");

}  // namespace modlink
