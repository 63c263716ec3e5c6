// The device monitor against the simulated card being plugged, unplugged
// and replugged, as the card's driver would change the key store.
#include <gtest/gtest.h>

#include <string>

#include "cardsim.h"
#include "keystore.h"
#include "tests/modlink/linklayer/card_fixture.h"

namespace {

using modlink::linklayer;
using testsupport::FastTimings;
using testsupport::IndicationReader;

class Monitor : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::EnsurePortDirectory(); }
  void ScanAndConnect(linklayer& link, IndicationReader& reader) {
    link.QueueJob(modlink::kRequestScanPorts);
    std::string found;
    ASSERT_TRUE(reader.WaitFor(195, 10000, &found));
    ASSERT_EQ(found, "\1");
    ASSERT_TRUE(link.Connect());
  }
};

TEST_F(Monitor, StartWithTheCardPresent) {
  cardsim::Card card(plat::ModlinkRoot());
  ASSERT_TRUE(card.Plug());
  linklayer link(true, FastTimings());
  IndicationReader reader(link);
  std::string payload;
  ASSERT_TRUE(reader.WaitFor(162, 5000, &payload));
  EXPECT_EQ(payload, "\1");
  EXPECT_EQ(link.m_nAtPort.load(), -1);
}

TEST_F(Monitor, StartWithNoCard) {
  linklayer link(true, FastTimings());
  IndicationReader reader(link);
  std::string payload;
  ASSERT_TRUE(reader.WaitFor(162, 5000, &payload));
  EXPECT_EQ(payload, std::string(1, '\0'));
}

TEST_F(Monitor, UnplugAfterConnect) {
  cardsim::Card card(plat::ModlinkRoot());
  ASSERT_TRUE(card.Plug());
  linklayer link(true, FastTimings());
  IndicationReader reader(link);
  ASSERT_TRUE(reader.WaitFor(162, 5000));
  ScanAndConnect(link, reader);
  card.Unplug();
  std::string payload;
  ASSERT_TRUE(reader.WaitFor(162, 5000, &payload));
  EXPECT_EQ(payload, std::string(1, '\0'));
  EXPECT_FALSE(link.m_hComPort.IsOpen());
  EXPECT_EQ(link.m_nLinkState.load(), 0);
  EXPECT_EQ(link.m_nAtPort.load(), -1);
  EXPECT_EQ(link.m_nModemPort.load(), -1);
}

TEST_F(Monitor, ForeignPortAddedWhileConnected) {
  cardsim::Card card(plat::ModlinkRoot());
  ASSERT_TRUE(card.Plug());
  linklayer link(true, FastTimings(3000));
  IndicationReader reader(link);
  ASSERT_TRUE(reader.WaitFor(162, 5000));
  ScanAndConnect(link, reader);
  ASSERT_TRUE(cardsim::RegisterForeignPort(plat::ModlinkRoot(), "\\Device\\Serial0", 1));
  // The port is closed and taken back silently...
  ASSERT_TRUE(card.WaitForClient(cardsim::PortKind::kAt, false, 5000));
  ASSERT_TRUE(card.WaitForClient(cardsim::PortKind::kAt, true, 5000));
  // ...with its settings: a command still gets its answer.
  ASSERT_TRUE(link.RawCommand("AT", 2));
  EXPECT_TRUE(reader.WaitFor(100, 5000));
  EXPECT_EQ(reader.Count(162), 1u);
  EXPECT_EQ(link.m_nLinkState.load(), 2);
  cardsim::UnregisterForeignPort(plat::ModlinkRoot(), "\\Device\\Serial0");
}

TEST_F(Monitor, ReplugWithNewNumbers) {
  cardsim::Card card(plat::ModlinkRoot());
  ASSERT_TRUE(card.Plug());
  linklayer link(true, FastTimings(3000));
  IndicationReader reader(link);
  ASSERT_TRUE(reader.WaitFor(162, 5000));
  ScanAndConnect(link, reader);
  const int oldAt = card.AtPort();
  ASSERT_TRUE(card.Replug());
  ASSERT_NE(card.AtPort(), oldAt);
  // Gone (0), then back under other numbers (1); the last word is 1.
  std::string payload;
  for (int i = 0; i < 4 && payload != "\1"; ++i) ASSERT_TRUE(reader.WaitFor(162, 5000, &payload));
  EXPECT_EQ(payload, "\1");
  ScanAndConnect(link, reader);
  EXPECT_EQ(link.m_nAtPort.load(), card.AtPort());
  ASSERT_TRUE(link.RawCommand("AT", 2));
  EXPECT_TRUE(reader.WaitFor(100, 5000));
}

TEST_F(Monitor, DualPortCardWithOnlyItsAtPortLeft) {
  cardsim::CardOptions options;
  options.dualPort = true;
  cardsim::Card card(plat::ModlinkRoot(), options);
  ASSERT_TRUE(card.Plug());
  linklayer link(true, FastTimings());
  IndicationReader reader(link);
  ASSERT_TRUE(reader.WaitFor(162, 5000));
  ScanAndConnect(link, reader);
  ASSERT_EQ(link.m_bDualPort.load(), 1);
  ASSERT_EQ(link.m_nModemPort.load(), card.ModemPort());
  plat::RegKey key;
  ASSERT_TRUE(key.Open("HARDWARE\\DEVICEMAP\\SERIALCOMM"));
  ASSERT_TRUE(key.DeleteValue(cardsim::CardValueName(card.ModemPort()).c_str()));
  std::string payload;
  ASSERT_TRUE(reader.WaitFor(162, 5000, &payload));
  EXPECT_EQ(payload, "\1");
  EXPECT_FALSE(link.m_hComPort.IsOpen());
}

}  // namespace
