// Network and call requests end to end: request functions, the writer,
// the simulated card, the handlers, the client's indications.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "cardsim.h"
#include "modlink/requests/device_requests.h"
#include "tests/modlink/linklayer/card_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;
using modlink::linklayer;
using testsupport::FastTimings;
using testsupport::IndicationReader;

class NetworkWithCard : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsurePortDirectory();
    options.modem.operatorListDelayMs = 1500;
    card = std::make_unique<cardsim::Card>(plat::ModlinkRoot(), options);
    ASSERT_TRUE(card->Plug());
  }
  void Connect(linklayer& link, IndicationReader& reader) {
    link.QueueJob(modlink::kRequestScanPorts);
    std::string found;
    ASSERT_TRUE(reader.WaitFor(195, 10000, &found));
    ASSERT_EQ(found, "\1");
    ASSERT_TRUE(link.Connect());
  }
  cardsim::CardOptions options;
  std::unique_ptr<cardsim::Card> card;
};

TEST_F(NetworkWithCard, OperatorListOutwaitsTheAnswerLimit) {
  // The ordinary answer wait is 300 ms here; the list takes 1.5 s.
  linklayer link(true, FastTimings(300));
  IndicationReader reader(link);
  Connect(link, reader);
  ASSERT_TRUE(modlink::QueryOperatorList(link));
  std::string list;
  ASSERT_TRUE(reader.WaitFor(154, 10000, &list));
  EXPECT_EQ(list.size() % 104, 0u);
  EXPECT_GE(list.size(), 104u);
  EXPECT_EQ(card->Received().find("AT+COPS=?\r\n"), card->Received().rfind("AT+COPS=?\r\n"));
}

TEST_F(NetworkWithCard, CancelEndsAnOperatorSearchThatNeverAnswers) {
  card->WithModem([](cardsim::Modem& m) {
    m.config.operatorListDelayMs = -1;
    return cardsim::Outputs{};
  });
  linklayer link(true, FastTimings(300));
  IndicationReader reader(link);
  Connect(link, reader);
  ASSERT_TRUE(modlink::QueryOperatorList(link));
  ASSERT_TRUE(modlink::GetSignalLevel(link));
  plat::SleepMs(1000);  // three ordinary waits: the search still holds the writer
  EXPECT_EQ(card->Received().find("AT+CSQ"), std::string::npos);
  const auto start = Clock::now();
  ASSERT_TRUE(modlink::CancelSearchOperator(link));
  std::string signal;
  ASSERT_TRUE(reader.WaitFor(111, 5000, &signal));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(signal.size(), 2u);
  std::string op;
  ASSERT_TRUE(reader.WaitFor(155, 5000, &op));
  EXPECT_EQ(op.size(), 76u);
}

TEST_F(NetworkWithCard, OutgoingCallBeginsAndEnds) {
  linklayer link(true, FastTimings(5000));
  IndicationReader reader(link);
  Connect(link, reader);
  ASSERT_TRUE(modlink::CallMoReq(link, "10086"));
  std::string payload;
  ASSERT_TRUE(reader.WaitFor(106, 5000, &payload));
  EXPECT_EQ(payload, "\1");
  ASSERT_TRUE(modlink::CallRel(link));
  ASSERT_TRUE(reader.WaitFor(105, 5000, &payload));
  EXPECT_EQ(payload, std::string(1, '\0'));
  EXPECT_NE(card->Received().find("ATD10086;\r\n"), std::string::npos);
}

TEST_F(NetworkWithCard, IncomingCallRingsWithTheCallerNumber) {
  linklayer link(true, FastTimings(5000));
  IndicationReader reader(link);
  Connect(link, reader);
  ASSERT_TRUE(modlink::EnableCallIdReq(link, 1));
  ASSERT_TRUE(reader.WaitFor(100, 5000));
  card->IncomingCall("13812345678");
  std::string payload;
  ASSERT_TRUE(reader.WaitFor(104, 5000, &payload));
  EXPECT_EQ(payload, "\4");
  ASSERT_TRUE(reader.WaitFor(103, 5000, &payload));
  EXPECT_EQ(payload, "13812345678");
  ASSERT_TRUE(modlink::CallReceive(link));
  EXPECT_TRUE(reader.WaitFor(106, 5000));
}

TEST_F(NetworkWithCard, AccessTechnologySwitchesTheThreeGFlag) {
  linklayer link(true, FastTimings(5000));
  IndicationReader reader(link);
  Connect(link, reader);
  card->SetAccessTechnology("HSDPA");
  ASSERT_TRUE(modlink::QueryNetworkService(link));
  std::string code;
  ASSERT_TRUE(reader.WaitFor(142, 5000, &code));
  EXPECT_EQ(code, "\6");
  EXPECT_EQ(link.m_b3GNetwork.load(), 1);
  card->SetAccessTechnology("GSM");
  ASSERT_TRUE(modlink::QueryNetworkService(link));
  ASSERT_TRUE(reader.WaitFor(142, 5000, &code));
  EXPECT_EQ(code, "\1");
  EXPECT_EQ(link.m_b3GNetwork.load(), 0);
}

}  // namespace
