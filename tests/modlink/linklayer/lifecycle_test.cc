// Construction and destruction of the link-layer object with its threads,
// the trace file, and the small client calls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "modlink/linklayer/linklayer.h"
#include "modlink/linklayer/local_time.h"
#include "tests/modlink/linklayer/trace_capture.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using modlink::linklayer;

modlink::Timings Quick() {
  modlink::Timings t;
  t.recheckPauseMs = 1;
  t.readDatePauseMs = 0;
  return t;
}

using InTempDir = testsupport::InTempDirectory;
using testsupport::ReadFile;

TEST_F(InTempDir, TraceFileHoldsTheReaderStartLine) {
  {
    linklayer link(true, Quick());
    ASSERT_TRUE(link.Running());
  }
  const std::string log = ReadFile(m_dir / "servb.log");
  EXPECT_NE(log.find("] Beging read loop\n"), std::string::npos) << log;
  EXPECT_NE(log.find("] ~linklayer\n"), std::string::npos);
  EXPECT_EQ(log.front(), '[');
}

TEST_F(InTempDir, ThreadsEndBeforeTheObjectGoes) {
  // Many cycles in one process; the thread sanitizer build checks that no
  // thread touches a destroyed member.
  testsupport::TraceCapture trace;
  for (int i = 0; i < 50; ++i) {
    linklayer link(true, Quick());
    if (i % 2) link.RawCommand("AT", 2);  // a request in flight at unload
  }
  EXPECT_EQ(trace.Count("linklayer read loop is over\n"), 50u);
  EXPECT_EQ(trace.Count("linklayer write loop is over\n"), 50u);
  EXPECT_EQ(trace.Count("linklayer monitor loop is over\n"), 50u);
}

TEST(Lifecycle, ReadDateDeliversPayloadWithoutCrLf) {
  linklayer link(false, Quick());
  int32_t id = 0, length = -1;
  char buf[4096];
  EXPECT_FALSE(link.ReadIndication(&id, buf, &length));
  EXPECT_EQ(length, -1);
  ASSERT_TRUE(link.Post(195, "\x01", 1));
  ASSERT_TRUE(link.ReadIndication(&id, buf, &length));
  EXPECT_EQ(id, 195);
  ASSERT_EQ(length, 1);
  EXPECT_EQ(buf[0], 1);
  // A raw record (id 29) shorter than its CR LF has no payload.
  ASSERT_TRUE(link.ReadQ.Enqueue(29, "x", 1, 0));
  ASSERT_TRUE(link.ReadIndication(&id, buf, &length));
  EXPECT_EQ(length, 0);
  EXPECT_FALSE(link.ReadIndication(nullptr, buf, &length));
}

TEST(Lifecycle, SetNotifyIgnoresNull) {
  plat::Event client;
  linklayer link(false);
  link.SetNotify(client.Native());
  link.SetNotify(0);
  link.SetNotify(-1);
  EXPECT_EQ(link.m_hNotifyEvent.load(), client.Native());
}

TEST(Lifecycle, RawCommandRefusals) {
  linklayer link(false);
  std::string line(4094, 'A');
  EXPECT_FALSE(link.RawCommand(nullptr, 2));
  EXPECT_FALSE(link.RawCommand("AT", -1));
  EXPECT_FALSE(link.RawCommand(line.data(), 4095));
  EXPECT_TRUE(link.WriteQ.IsEmpty());
  EXPECT_TRUE(link.RawCommand(line.data(), 4094));
  EXPECT_FALSE(link.WriteQ.IsEmpty());
}

TEST(LocalTime, FieldsOfAKnownMoment) {
  // 2023-01-01 was a Sunday; noon UTC is Sunday in every time zone but the
  // farthest ones, so pin the zone.
#ifndef _WIN32
  setenv("TZ", "UTC", 1);
  tzset();
#endif
  const modlink::LocalTimeRecord r = modlink::MakeLocalTimeRecord(1672574400);
  EXPECT_EQ(r.year, 2023);
  EXPECT_EQ(r.month, 1);
  EXPECT_EQ(r.day, 1);
  EXPECT_EQ(r.dayOfWeek, 1);  // Sunday
  EXPECT_EQ(r.hour, 12);
  EXPECT_EQ(r.milliseconds, 0);
  // An unreadable clock falls back to 2000-01-01 00:00:00 UTC (a Saturday).
  const modlink::LocalTimeRecord fallback = modlink::MakeLocalTimeRecord(-1);
  EXPECT_EQ(fallback.year, 2000);
  EXPECT_EQ(fallback.dayOfWeek, 7);
}

TEST(ModemNames, AtMostTenSlotsAndEmptyFirstSlotClears) {
  std::vector<char> slots(12 * 128, '\0');
  for (int i = 0; i < 12; ++i) slots[static_cast<size_t>(i) * 128] = static_cast<char>('a' + i);
  modlink::SetModemNameList(slots.data());
  const auto names = modlink::ModemNameList();
  ASSERT_EQ(names.size(), 10u);
  EXPECT_EQ(names[9], "j");
  slots[0] = '\0';
  modlink::SetModemNameList(slots.data());
  EXPECT_TRUE(modlink::ModemNameList().empty());
  modlink::SetModemNameList(nullptr);
  EXPECT_TRUE(modlink::ModemNameList().empty());
}

}  // namespace
