// The link layer's queues (CR LF appended except for id 29, 512 nodes at
// most, 4096-byte records, traced).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "modlink/linklayer/queue_policy.h"
#include "platform/event.h"
#include "tests/modlink/linklayer/trace_capture.h"

namespace {

using modlink::PrimitiveQueue;

struct Record {
  int32_t id;
  std::string bytes;
};

bool Take(PrimitiveQueue& q, Record* out, int32_t capacity = 4096) {
  std::vector<char> buf(4096, '\x55');
  int32_t id = -7, length = -7;
  if (!q.Dequeue(&id, buf.data(), &length, capacity)) return false;
  *out = Record{id, std::string(buf.data(), static_cast<size_t>(length))};
  return true;
}

TEST(PrimitiveQueue, RecordsGainCrLfExceptId29) {
  struct Case {
    const char* name;
    int32_t id;
    std::string data;
    std::string stored;
  } cases[] = {
      {"AT+CSQ request", 32, "AT+CSQ", "AT+CSQ\r\n"},
      {"empty OK indication", 100, "", "\r\n"},
      {"raw id 29 stays bare", 29, "", ""},
      {"raw id 29 with data", 29, "ab", "ab"},
      {"payload with zero bytes", 7, std::string("a\0b\r", 4), std::string("a\0b\r\r\n", 6)},
  };
  PrimitiveQueue q;
  ASSERT_TRUE(q.Init(40, "<ReadQ>"));
  for (const Case& c : cases) {
    ASSERT_TRUE(q.Enqueue(c.id, c.data.data(), static_cast<int32_t>(c.data.size()), 0)) << c.name;
    Record r;
    ASSERT_TRUE(Take(q, &r)) << c.name;
    EXPECT_EQ(r.id, c.id) << c.name;
    EXPECT_EQ(r.bytes, c.stored) << c.name;
  }
}

TEST(PrimitiveQueue, OverflowDiscardsEverythingThenAcceptsAgain) {
  testsupport::TraceCapture trace;
  PrimitiveQueue q;
  ASSERT_TRUE(q.Init(40, "<WriteQ>"));
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(q.Enqueue(i, "x", 1, 0));
  trace.Clear();
  EXPECT_FALSE(q.Enqueue(40, "refused", 7, 0));
  const auto lines = trace.Lines();
  ASSERT_EQ(lines.size(), 41u);  // the "full" line and one per node
  EXPECT_EQ(lines[0], "Err: <WriteQ> enquue full.\n");
  EXPECT_EQ(lines[1], "0::0::x\r\n::refused  .\n");
  EXPECT_TRUE(q.IsEmpty());
  ASSERT_TRUE(q.Enqueue(42, "new", 3, 0));
  Record r;
  ASSERT_TRUE(Take(q, &r));
  EXPECT_EQ(r.id, 42);
  EXPECT_FALSE(Take(q, &r));
}

TEST(PrimitiveQueue, FreedNodeIsReusedFirstAndOrderHolds) {
  PrimitiveQueue q;
  ASSERT_TRUE(q.Init(3, "<q>"));
  ASSERT_TRUE(q.Enqueue(1, "A", 1, 0));
  ASSERT_TRUE(q.Enqueue(2, "B", 1, 0));
  ASSERT_TRUE(q.Enqueue(3, "C", 1, 0));
  Record r;
  ASSERT_TRUE(Take(q, &r));
  EXPECT_EQ(r.id, 1);
  // All three nodes were in use; D fits only because A's node came back.
  ASSERT_TRUE(q.Enqueue(4, "D", 1, 0));
  std::vector<int32_t> order;
  while (Take(q, &r)) order.push_back(r.id);
  EXPECT_EQ(order, (std::vector<int32_t>{2, 3, 4}));
}

TEST(PrimitiveQueue, CapacityIsClampedTo512) {
  testsupport::TraceCapture trace;
  PrimitiveQueue q;
  ASSERT_TRUE(q.Init(600, "<q>"));
  EXPECT_EQ(trace.Count("Specified primitive queue length too large.  Automatically correcting.\n"), 1u);
  EXPECT_EQ(q.Capacity(), 512u);
  for (int i = 0; i < 512; ++i) ASSERT_TRUE(q.Enqueue(i, "r", 1, 0)) << i;
  EXPECT_FALSE(q.Enqueue(512, "r", 1, 0));
}

TEST(PrimitiveQueue, EmptyDequeueLeavesOutputsUntouched) {
  PrimitiveQueue q;
  ASSERT_TRUE(q.Init(40, "<q>"));
  EXPECT_TRUE(q.IsEmpty());
  int32_t id = 11, length = 22;
  char buf[4] = {'k', 'e', 'e', 'p'};
  EXPECT_FALSE(q.Dequeue(&id, buf, &length, sizeof buf));
  EXPECT_EQ(id, 11);
  EXPECT_EQ(length, 22);
  EXPECT_EQ(std::string(buf, 4), "keep");
  ASSERT_TRUE(q.Enqueue(1, "a", 1, 0));
  EXPECT_FALSE(q.IsEmpty());
}

TEST(PrimitiveQueue, SecondInitIsRefused) {
  testsupport::TraceCapture trace;
  PrimitiveQueue q;
  ASSERT_TRUE(q.Init(2, "<q>"));
  EXPECT_FALSE(q.Init(40, "<q>"));
  EXPECT_EQ(trace.Count("Cannot initialize primitive queue; already initialized.\n"), 1u);
  EXPECT_EQ(q.Capacity(), 2u);
}

TEST(PrimitiveQueue, BadRecordsAreRefusedAndChangeNothing) {
  struct Case {
    const char* name;
    const char* data;
    int32_t length;
    int32_t id;
  } cases[] = {
      {"negative length", "abc", -1, 32},
      {"null data with a length", nullptr, 5, 32},
      {"line that with CR LF exceeds 4096", "", 4095, 32},
  };
  std::string big(4096, 'a');
  PrimitiveQueue q;
  ASSERT_TRUE(q.Init(40, "<q>"));
  ASSERT_TRUE(q.Enqueue(1, "held", 4, 0));
  for (const Case& c : cases) {
    testsupport::TraceCapture trace;
    const char* data = c.data && c.length > 100 ? big.data() : c.data;
    EXPECT_FALSE(q.Enqueue(c.id, data, c.length, 0)) << c.name;
    EXPECT_EQ(trace.Lines().size(), 1u) << c.name;
  }
  // The limits themselves are fine: 4094 + CR LF, and 4096 bare for id 29.
  EXPECT_TRUE(q.Enqueue(2, big.data(), 4094, 0));
  EXPECT_TRUE(q.Enqueue(29, big.data(), 4096, 0));
  Record r;
  ASSERT_TRUE(Take(q, &r));
  EXPECT_EQ(r.bytes, "held\r\n");
}

TEST(PrimitiveQueue, DequeueNeverWritesBeyondTheCallersRoom) {
  testsupport::TraceCapture trace;
  PrimitiveQueue q;
  ASSERT_TRUE(q.Init(40, "<q>"));
  ASSERT_TRUE(q.Enqueue(1, "0123456789", 10, 0));
  ASSERT_TRUE(q.Enqueue(2, "ok", 2, 0));
  char small[8];
  std::memset(small, '#', sizeof small);
  int32_t id = 0, length = 0;
  EXPECT_FALSE(q.Dequeue(&id, small, &length, sizeof small));
  EXPECT_EQ(std::string(small, 8), "########");
  EXPECT_EQ(trace.Lines().size(), 1u);
  Record r;
  ASSERT_TRUE(Take(q, &r, 8));  // the oversized record is gone, the next fits
  EXPECT_EQ(r.id, 2);
}

TEST(PrimitiveQueue, SignalSetsTheWakeEvent) {
  plat::Event wake;
  PrimitiveQueue q;
  ASSERT_TRUE(q.Init(40, "<WriteQ>"));
  q.SetWakeEvent(&wake);
  ASSERT_TRUE(q.Enqueue(5, "AT", 2, 0));
  EXPECT_FALSE(wake.Wait(0));
  ASSERT_TRUE(q.Enqueue(5, "AT", 2, 1));
  EXPECT_TRUE(wake.Wait(0));
}

}  // namespace
