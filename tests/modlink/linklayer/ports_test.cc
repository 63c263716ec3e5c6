// Port scans, opening and the video port, against devices on real
// pseudo-terminals registered in the key store.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/modlink/linklayer/card_fixture.h"
#include "tests/modlink/linklayer/trace_capture.h"

namespace {

using modlink::linklayer;
using testsupport::FastTimings;
using testsupport::IndicationReader;
using testsupport::ProbePort;

struct PortSpec {
  const char* valueName;
  int com;
  const char* answer;  // "" = silent
};

struct ScanCase {
  const char* name;
  std::vector<PortSpec> ports;
  uint8_t found;
  int32_t atPort;
  int32_t modemPort;
  uint8_t dual;
  std::vector<bool> probed;  // per port: did it see the probe
};

const ScanCase kScanCases[] = {
    {"single-port card answering OK on the second of three ports",
     {{"\\Device\\QCUSB_COM3", 3, ""},
      {"\\Device\\QCUSB_COM4", 4, "\r\nOK\r\n"},
      {"\\Device\\QCUSB_COM5", 5, "\r\nOK\r\n"}},
     1, 4, -1, 0, {true, true, false}},
    {"dual-port card: modem port ,1 then AT port ,2,d",
     {{"\\Device\\QCUSB_COM3", 3, "\r\n+CINQP: MODEM PORT,1\r\n"},
      {"\\Device\\QCUSB_COM4", 4, "\r\n+CINQP: MODEM PORT,2,1\r\n"}},
     1, 4, 3, 1, {true, true}},
    {"modem-port answer ,2 alone is not enough",
     {{"\\Device\\QCUSB_COM3", 3, "\r\n+CINQP: MODEM PORT,2,1\r\n"}},
     0, 3, -1, 1, {true}},
    {"modem-port answer ,0 is a single-port card's AT port",
     {{"\\Device\\QCUSB_COM3", 3, "\r\n+CINQP: MODEM PORT,0\r\n"},
      {"\\Device\\QCUSB_COM4", 4, "\r\nOK\r\n"}},
     1, 3, -1, 0, {true, false}},
    {"two modem-port answers and no AT port are not found",
     {{"\\Device\\QCUSB_COM3", 3, "\r\n+CINQP: MODEM PORT,1\r\n"},
      {"\\Device\\QCUSB_COM4", 4, "\r\n+CINQP: MODEM PORT,\n"}},
     0, -1, 4, 0, {true, true}},
    {"modem-port text cut short at the end of the answer",
     {{"\\Device\\QCUSB_COM3", 3, "+CINQP: MODEM PORT"}},
     1, 3, -1, 0, {true}},
    {"ports of other drivers are not probed",
     {{"\\Device\\Serial0", 3, "\r\nOK\r\n"}},
     0, -1, -1, 0, {false}},
};

TEST(ScanPorts, Cases) {
  for (const ScanCase& c : kScanCases) {
    SCOPED_TRACE(c.name);
    testsupport::EnsurePortDirectory();
    std::vector<std::unique_ptr<ProbePort>> ports;
    for (const PortSpec& p : c.ports)
      ports.push_back(std::make_unique<ProbePort>(p.valueName, p.com, p.answer));
    linklayer link(true, FastTimings());
    IndicationReader reader(link);
    link.QueueJob(modlink::kRequestScanPorts);
    std::string payload;
    ASSERT_TRUE(reader.WaitFor(195, 10000, &payload));
    EXPECT_EQ(payload, std::string(1, static_cast<char>(c.found)));
    EXPECT_EQ(link.m_nAtPort.load(), c.atPort);
    EXPECT_EQ(link.m_nModemPort.load(), c.modemPort);
    EXPECT_EQ(link.m_bDualPort.load(), c.dual);
    for (size_t i = 0; i < ports.size(); ++i) {
      const std::string got = ports[i]->Received();
      if (c.probed[i]) {
        EXPECT_EQ(got, "AT\r\nAT\r\n") << "port " << i;  // the probe, twice
      } else {
        EXPECT_EQ(got, "") << "port " << i;
      }
    }
  }
}

TEST(ScanPorts, CandidateNumbersFromTheKeyStore) {
  testsupport::EnsurePortDirectory();
  plat::RegKey key;
  ASSERT_TRUE(key.Create("HARDWARE\\DEVICEMAP\\SERIALCOMM"));
  ASSERT_TRUE(key.SetValue("\\Device\\QCUSB_COM12", "COM12"));
  ASSERT_TRUE(key.SetValue("\\Device\\QCUSB_COMX", "COM"));
  ASSERT_TRUE(key.SetValue("\\Device\\QCUSB_COMY", "COM123456789"));  // too long
  ASSERT_TRUE(key.SetValue("\\Device\\Serial1", "COM7"));
  ASSERT_TRUE(key.SetValue("\\Device\\QCUSB_X", "LPT1"));
  linklayer link(false);
  int32_t list[modlink::kMaxCandidatePorts];
  ASSERT_EQ(link.EnumeratePorts(list), 2);
  EXPECT_EQ(list[0], 12);
  EXPECT_EQ(list[1], 0);
  for (const char* v : {"\\Device\\QCUSB_COM12", "\\Device\\QCUSB_COMX", "\\Device\\QCUSB_COMY",
                        "\\Device\\Serial1", "\\Device\\QCUSB_X"})
    key.DeleteValue(v);
}

TEST(ScanPorts, NotWhileTheAtPortIsOpen) {
  testsupport::EnsurePortDirectory();
  ProbePort card("\\Device\\QCUSB_COM3", 3, "\r\nOK\r\n");
  linklayer link(true, FastTimings());
  IndicationReader reader(link);
  link.QueueJob(modlink::kRequestScanPorts);
  ASSERT_TRUE(reader.WaitFor(195, 10000));
  ASSERT_TRUE(link.Connect());
  const std::string before = card.Received();
  link.QueueJob(modlink::kRequestScanPorts);
  link.RawCommand("AT", 2);  // answered: the writer has passed the scan request
  ASSERT_TRUE(reader.WaitFor(100, 5000));
  EXPECT_EQ(reader.Count(195), 1u);
  EXPECT_EQ(card.Received(), before + "AT\r\n");
}

TEST(Connect, TwiceKeepsThePortAndTraces) {
  testsupport::EnsurePortDirectory();
  ProbePort card("\\Device\\QCUSB_COM3", 3, "\r\nOK\r\n");
  testsupport::TraceCapture trace;
  linklayer link(true, FastTimings());
  EXPECT_FALSE(link.Connect());  // no scan yet: no AT port known
  IndicationReader reader(link);
  link.QueueJob(modlink::kRequestScanPorts);
  ASSERT_TRUE(reader.WaitFor(195, 10000));
  ASSERT_TRUE(link.Connect());
  EXPECT_EQ(link.m_nLinkState.load(), 2);
  EXPECT_TRUE(link.Connect());
  EXPECT_EQ(trace.Count("Dll_Connect called in case of connected \n"), 1u);
  EXPECT_EQ(trace.Count("Comm is ok now\n"), 1u);
  link.CloseComPort();
  EXPECT_EQ(link.m_nLinkState.load(), 0);
  EXPECT_FALSE(link.m_hComPort.IsOpen());
}

TEST(VideoPort, ScanOpenWriteReadClose) {
  testsupport::EnsurePortDirectory();
  const std::string videoAnswer("AT\0\0\3\0\0\0\1\0\0", 11);
  ProbePort at("\\Device\\QCUSB_COM3", 3, "\r\nOK\r\n");
  ProbePort video("\\Device\\QCUSB_COM4", 4, videoAnswer);
  linklayer link(true, FastTimings());
  IndicationReader reader(link);
  EXPECT_FALSE(link.OpenAndConfigureVideoPort());  // not found yet
  link.QueueJob(modlink::kRequestScanPorts);
  ASSERT_TRUE(reader.WaitFor(195, 10000));
  link.QueueJob(modlink::kRequestScanVideoPort);
  std::string payload;
  ASSERT_TRUE(reader.WaitFor(196, 10000, &payload));
  EXPECT_EQ(payload, std::string("\1\4\0\0\0", 5));
  // The AT port is skipped: it never saw the video probe.
  EXPECT_EQ(at.Received(), "AT\r\nAT\r\n");
  const std::string probe("AT\0\0\3\0\0\0\0\0\0", 11);
  EXPECT_EQ(video.Received(), probe + probe);

  ASSERT_TRUE(link.OpenAndConfigureVideoPort());
  const intptr_t handle = link.m_hVideoPort.Native();
  EXPECT_NE(handle, -1);
  EXPECT_TRUE(link.OpenAndConfigureVideoPort());  // already open: same handle
  EXPECT_EQ(link.m_hVideoPort.Native(), handle);
  EXPECT_EQ(link.WriteVideoCom("frame", 5), 5);
  char buf[64];
  // The responder answers the frame with its fixed text.
  int32_t n = link.ReadVideoCom(buf, sizeof buf);
  EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), videoAnswer);
  link.CloseVideoPort();
  EXPECT_EQ(link.m_hVideoPort.Native(), -1);
  EXPECT_EQ(link.ReadVideoCom(buf, sizeof buf), 0);
  EXPECT_EQ(link.WriteVideoCom("x", 1), 0);
}

TEST(VideoPort, FailedScanKeepsTheEarlierNumber) {
  testsupport::EnsurePortDirectory();
  linklayer link(true, FastTimings());
  IndicationReader reader(link);
  link.QueueJob(modlink::kRequestScanVideoPort);
  std::string payload;
  ASSERT_TRUE(reader.WaitFor(196, 10000, &payload));
  EXPECT_EQ(payload, std::string("\0\xff\xff\xff\xff", 5));
}

}  // namespace
