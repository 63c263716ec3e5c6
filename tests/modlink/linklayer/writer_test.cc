// The writer and the round trip of a request against the simulated card.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "cardsim.h"
#include "tests/modlink/linklayer/card_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;
using modlink::linklayer;
using testsupport::FastTimings;
using testsupport::IndicationReader;

class WithCard : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsurePortDirectory();
    ASSERT_TRUE(card.Plug());
  }
  // Scans and connects like a client: Dll_SearchPort, 195, Dll_Connect.
  void Connect(linklayer& link, IndicationReader& reader) {
    link.QueueJob(modlink::kRequestScanPorts);
    std::string found;
    ASSERT_TRUE(reader.WaitFor(195, 10000, &found));
    ASSERT_EQ(found, "\1");
    ASSERT_TRUE(link.Connect());
    card.ClearTranscript();
  }
  cardsim::Card card{plat::ModlinkRoot(), cardsim::CardOptions{}};
};

TEST_F(WithCard, RawCommandRoundTrip) {
  linklayer link(true, FastTimings(5000));
  IndicationReader reader(link);
  Connect(link, reader);
  card.AddRule("AT+FAIL", "\r\nERROR\r\n");

  std::string payload;
  ASSERT_TRUE(link.RawCommand("AT", 2));
  ASSERT_TRUE(reader.WaitFor(100, 5000, &payload));
  EXPECT_EQ(payload, "OK");
  ASSERT_TRUE(link.RawCommand("AT+FAIL", 7));
  ASSERT_TRUE(reader.WaitFor(101, 5000, &payload));
  EXPECT_EQ(payload, "ERROR");
  // Each line went out once, with its CR LF.
  EXPECT_EQ(card.Received(), "AT\r\nAT+FAIL\r\n");
}

TEST_F(WithCard, AnswerSplitAcrossTwoWritesIsDelivered) {
  linklayer link(true, FastTimings(5000));
  IndicationReader reader(link);
  Connect(link, reader);
  card.SplitNextResponse(3, 30);  // "\r\nO" ... 30 ms ... "K\r\n"
  ASSERT_TRUE(link.RawCommand("AT", 2));
  EXPECT_TRUE(reader.WaitFor(100, 5000));
  EXPECT_EQ(card.ReceivedLineCount(), 1u);  // answered on the first write
}

TEST_F(WithCard, LongAnswerAcrossManyReadsIsDeliveredWhole) {
  // 700 signal lines (9100 bytes): several full reads, lines cut at read
  // boundaries, and more indications than the client takes in a second.
  std::string answer;
  for (int i = 0; i < 700; ++i) answer += "\r\n+CSQ: " + std::to_string(i % 32) + ",99";
  answer += "\r\n\r\nOK\r\n";
  linklayer link(true, FastTimings(5000));
  IndicationReader reader(link);
  Connect(link, reader);
  card.AddRule("AT+BIG", answer);
  ASSERT_TRUE(link.RawCommand("AT+BIG", 6));
  ASSERT_TRUE(reader.WaitFor(100, 10000));
  EXPECT_EQ(reader.Count(111), 700u);
}

TEST_F(WithCard, IsWritingEndsWhenTheWriterTookTheLine) {
  linklayer link(true, FastTimings(5000));
  IndicationReader reader(link);
  Connect(link, reader);
  card.SetAnswerDelay(1000);
  ASSERT_TRUE(link.RawCommand("AT", 2));
  const auto start = Clock::now();
  while (!link.WriteQ.IsEmpty() && Clock::now() - start < std::chrono::seconds(2))
    plat::SleepMs(1);
  EXPECT_TRUE(link.WriteQ.IsEmpty());
  EXPECT_EQ(reader.Count(100), 0u);  // the answer is still on its way
  EXPECT_TRUE(reader.WaitFor(100, 5000));
}

TEST_F(WithCard, UnansweredLineIsWrittenThreeTimesThenDropped) {
  linklayer link(true, FastTimings(300));
  IndicationReader reader(link);
  Connect(link, reader);
  card.SetSilent(true);
  const auto start = Clock::now();
  ASSERT_TRUE(link.RawCommand("AT+X", 4));
  ASSERT_TRUE(link.RawCommand("AT+Y", 4));
  ASSERT_TRUE(card.WaitForReceived("AT+Y\r\n", 5000));
  EXPECT_EQ(card.Received(), "AT+X\r\nAT+X\r\nAT+X\r\nAT+Y\r\n");
  // The next line goes out after three waits of 300 ms.
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(850));
  std::vector<Clock::time_point> writes;
  for (const auto& e : card.Transcript())
    if (e.direction == cardsim::Direction::kReceived) writes.push_back(e.time);
  ASSERT_GE(writes.size(), 3u);
  EXPECT_GE(writes[1] - writes[0], std::chrono::milliseconds(280));
  EXPECT_GE(writes[2] - writes[1], std::chrono::milliseconds(280));
  EXPECT_EQ(reader.Count(100) + reader.Count(101), 0u);
}

TEST_F(WithCard, OperatorSearchWaitsUntilDisconnect) {
  linklayer link(true, FastTimings(200));
  IndicationReader reader(link);
  Connect(link, reader);
  card.SetSilent(true);
  ASSERT_TRUE(link.WriteQ.Enqueue(modlink::kRequestOperatorList, "AT+COPS=?", 9, 1));
  ASSERT_TRUE(link.RawCommand("AT", 2));
  plat::SleepMs(800);  // four ordinary answer waits: still one write
  EXPECT_EQ(card.Received(), "AT+COPS=?\r\n");
  link.CloseComPort();
  // Released at once; the next line finds the port closed: one 161.
  std::string payload;
  ASSERT_TRUE(reader.WaitFor(161, 2000, &payload));
  EXPECT_EQ(payload, std::string(1, '\0'));
  EXPECT_TRUE(link.WriteQ.IsEmpty());
}

TEST(Writer, PortClosedIsReportedOnce) {
  linklayer link(true, FastTimings());
  IndicationReader reader(link);
  // The first request with id 10 is dropped without a report.
  ASSERT_TRUE(link.WriteQ.Enqueue(modlink::kRequestQuiet, "AT+CREG?", 8, 1));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(link.RawCommand("AT", 2));
  std::string payload;
  ASSERT_TRUE(reader.WaitFor(161, 2000, &payload));
  EXPECT_EQ(payload, std::string(1, '\0'));
  while (!link.WriteQ.IsEmpty()) plat::SleepMs(5);
  ASSERT_TRUE(link.RawCommand("AT", 2));
  while (!link.WriteQ.IsEmpty()) plat::SleepMs(5);
  plat::SleepMs(50);
  EXPECT_EQ(reader.Count(161), 1u);
  EXPECT_EQ(link.m_bPortReported.load(), 1);
}

TEST(Writer, QuietRequestAloneIsNotReported) {
  linklayer link(true, FastTimings());
  IndicationReader reader(link);
  ASSERT_TRUE(link.WriteQ.Enqueue(modlink::kRequestQuiet, "AT+CREG?", 8, 1));
  while (!link.WriteQ.IsEmpty()) plat::SleepMs(5);
  plat::SleepMs(50);
  EXPECT_EQ(reader.Count(161), 0u);
  ASSERT_TRUE(link.RawCommand("AT", 2));
  EXPECT_TRUE(reader.WaitFor(161, 2000));
}

}  // namespace
