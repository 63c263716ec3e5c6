// Every request function: the line it queues (bytes, RequestId) and its
// result, and each refusal (false, nothing queued). Read from WriteQ of an
// object without threads.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "modlink/linklayer/linklayer.h"
#include "modlink/requests/device_requests.h"
#include "tests/modlink/linklayer/trace_capture.h"

namespace {

using modlink::linklayer;

struct Queued {
  int32_t id;
  std::string line;
  bool operator==(const Queued& o) const { return id == o.id && line == o.line; }
};

std::ostream& operator<<(std::ostream& os, const Queued& q) {
  return os << "{" << q.id << ", \"" << q.line << "\"}";
}

std::vector<Queued> Drain(modlink::PrimitiveQueue& q) {
  std::vector<Queued> out;
  std::vector<char> buf(4096);
  int32_t id = 0, length = 0;
  while (q.Dequeue(&id, buf.data(), &length, 4096))
    out.push_back({id, std::string(buf.data(), static_cast<size_t>(length))});
  return out;
}

struct RequestCase {
  const char* name;
  std::function<bool(linklayer&)> call;
  bool result;
  std::vector<Queued> lines;  // as stored, with the queue's CR LF
};

const unsigned char kClock[8] = {0xDE, 0x07, 8, 30, 8, 5, 34, 0};  // 2014-08-30 08:05:34

std::vector<RequestCase> Cases() {
  using namespace modlink;
  const std::string n33(33, '1');
  const std::string n32(32, '1');
  const std::string long240(240, 'x');
  return {
      // Calls.
      {"dial", [](linklayer& l) { return CallMoReq(l, "+1234567"); }, true, {{8, "ATD+1234567;\r\n"}}},
      {"dial 32 digits", [=](linklayer& l) { return CallMoReq(l, n32.c_str()); }, true, {{8, "ATD" + n32 + ";\r\n"}}},
      {"dial 33 digits refused", [=](linklayer& l) { return CallMoReq(l, n33.c_str()); }, false, {}},
      {"dial letter refused", [](linklayer& l) { return CallMoReq(l, "12a"); }, false, {}},
      {"dial empty", [](linklayer& l) { return CallMoReq(l, ""); }, true, {{8, "ATD;\r\n"}}},
      {"dial null refused", [](linklayer& l) { return CallMoReq(l, nullptr); }, false, {}},
      {"answer", [](linklayer& l) { return CallReceive(l); }, true, {{9, "ATA\r\n"}}},
      {"hang up", [](linklayer& l) { return CallRel(l); }, true, {{9, "AT+CHUP\r\n"}}},
      {"dtmf low byte", [](linklayer& l) { return Dtmf(l, 0x1235); }, true, {{9, "AT+VTS=5\r\n"}}},
      {"echo on (low byte)", [](linklayer& l) { return CallEcho(l, 0x100 | 1); }, true, {{78, "ATE1\r\n"}}},
      {"echo off", [](linklayer& l) { return CallEcho(l, 0x100); }, true, {{78, "ATE0\r\n"}}},
      {"caller id", [](linklayer& l) { return EnableCallIdReq(l, 1); }, true, {{8, "AT+CLIP=1\r\n"}}},
      {"auto answer on", [](linklayer& l) { return AutoAnswerReq(l, 1); }, true, {{32, "AT+AUTOANSWER=1\r\n"}}},
      {"auto answer query", [](linklayer& l) { return AutoAnswerReq(l, 2); }, true, {{32, "AT+AUTOANSWER?\r\n"}}},
      {"auto answer 3 refused", [](linklayer& l) { return AutoAnswerReq(l, 3); }, false, {}},
      {"auto rings", [](linklayer& l) { return SetAutoRx(l, 3); }, true, {{5, "ATS0=3\r\n"}}},
      {"forwarding international", [](linklayer& l) { return CallForwardStateReq(l, 0, 3, "+123"); }, true,
       {{31, "AT+CCFC=0,3,\"+123\",145,1\r\n"}}},
      {"forwarding national", [](linklayer& l) { return CallForwardStateReq(l, 0, 3, "123"); }, true,
       {{31, "AT+CCFC=0,3,\"123\",129,1\r\n"}}},
      {"forwarding reason 6 refused", [](linklayer& l) { return CallForwardStateReq(l, 6, 0, "1"); }, false, {}},
      {"forwarding mode 5 refused", [](linklayer& l) { return CallForwardStateReq(l, 0, 5, "1"); }, false, {}},
      {"forwarding too long refused", [=](linklayer& l) { return CallForwardStateReq(l, 0, 3, long240.c_str()); }, false, {}},
      {"waiting", [](linklayer& l) { return CallWaitStateReq(l, 2); }, true, {{31, "AT+CCWA=0,2\r\n"}}},
      {"waiting 3 refused", [](linklayer& l) { return CallWaitStateReq(l, 3); }, false, {}},
      // Video calls.
      {"video init", [](linklayer& l) { return QvpInitReq(l); }, true, {{32, "AT+VPINITIAL\r\n"}}},
      {"video dial", [](linklayer& l) { return QvpMoReq(l, "10086"); }, true, {{32, "AT+VPMAKE=\"10086\"\r\n"}}},
      {"video loopback", [](linklayer& l) { return QvpMoReqLoopback(l); }, true, {{32, "AT+VPLOOPBACK\r\n"}}},
      {"video answer", [](linklayer& l) { return QvpAnswerReq(l); }, true, {{32, "AT+VPANSWER\r\n"}}},
      {"video end", [](linklayer& l) { return QvpEndReq(l); }, true, {{32, "AT+VPEND\r\n"}}},
      // Network.
      {"network service", [](linklayer& l) { return GetNetworkService(l); }, true,
       {{5, "AT+CREG=1\r\n"}, {5, "AT+CGREG=1\r\n"}, {5, "AT+AUTOCSQ=1\r\n"}, {5, "AT+CNSMOD=1\r\n"}}},
      {"network query", [](linklayer& l) { return QueryNetworkService(l); }, true,
       {{10, "AT+CREG?\r\n"}, {10, "AT*CNTI?\r\n"}, {10, "AT+CGREG?\r\n"}}},
      {"signal", [](linklayer& l) { return GetSignalLevel(l); }, true, {{5, "AT+CSQ\r\n"}}},
      {"current operator", [](linklayer& l) { return QueryCurrentOperator(l); }, true,
       {{8, "AT+COPS=3,2\r\n"}, {8, "AT+COPS?\r\n"}}},
      {"operator list", [](linklayer& l) { return QueryOperatorList(l); }, true, {{34, "AT+COPS=?\r\n"}}},
      {"select manual", [](linklayer& l) { return SelectOperator(l, 1, "\"46001\"", 2); }, true,
       {{34, "AT+COPS=5,2,\"46001\",2\r\n"}}},
      {"select automatic", [](linklayer& l) { return SelectOperator(l, 0, nullptr, 2); }, true, {{34, "AT+COPS=0\r\n"}}},
      {"network mode query", [](linklayer& l) { return NetworkModePreferenceReq(l, 0); }, true, {{28, "AT+CNMP?\r\n"}}},
      {"network mode set", [](linklayer& l) { return NetworkModePreferenceReq(l, 13); }, true, {{28, "AT+CNMP=13\r\n"}}},
      {"band mask high word first", [](linklayer& l) { return BandPreferenceReq(l, 0x380, 0x20000); }, true,
       {{28, "AT+CNBP=0x0002000000000380\r\n"}}},
      {"band query", [](linklayer& l) { return BandPreferenceReq(l, 0, 0); }, true, {{28, "AT+CNBP?\r\n"}}},
      {"band all", [](linklayer& l) { return BandPreferenceReq(l, 0xFFFFFFFF, 0xFFFFFFFF); }, true,
       {{28, "AT+CNBP=0x000200000CE80380\r\n"}}},
      {"band one word all ones", [](linklayer& l) { return BandPreferenceReq(l, 0xFFFFFFFF, 0); }, true,
       {{28, "AT+CNBP=0x00000000FFFFFFFF\r\n"}}},
      {"roaming any", [](linklayer& l) { return RoamingPreferenceReq(l, -1); }, true, {{28, "AT+CNRP=FF\r\n"}}},
      {"roaming query", [](linklayer& l) { return RoamingPreferenceReq(l, 0); }, true, {{28, "AT+CNRP?\r\n"}}},
      {"acquisition -1", [](linklayer& l) { return AcquireSequencePreferenceReq(l, -1); }, true, {{28, "AT+CNAOP=-1\r\n"}}},
      {"acquisition query", [](linklayer& l) { return AcquireSequencePreferenceReq(l, 7); }, true, {{28, "AT+CNAOP?\r\n"}}},
      {"traffic domain", [](linklayer& l) { return TrafficDomainPreferenceReq(l, 2); }, true, {{28, "AT+CNSDP=2\r\n"}}},
      {"traffic domain query", [](linklayer& l) { return TrafficDomainPreferenceReq(l, 3); }, true, {{28, "AT+CNSDP?\r\n"}}},
      {"hsdpa query", [](linklayer& l) { return HsdpaCategoryReq(l, 0); }, true, {{32, "AT+CHSDPACAT?\r\n"}}},
      {"hsdpa set", [](linklayer& l) { return HsdpaCategoryReq(l, 8); }, true, {{32, "AT+CHSDPACAT=8\r\n"}}},
      {"radio query", [](linklayer& l) { return SetRfFuncReq(l, -1); }, true, {{32, "AT+CFUN?\r\n"}}},
      {"radio set", [](linklayer& l) { return SetRfFuncReq(l, 4); }, true, {{32, "AT+CFUN=4\r\n"}}},
      {"pdp profile", [](linklayer& l) { return SetPdpProfileReq(l, 1, "IP", "cmnet"); }, true,
       {{28, "AT+CGDCONT=1,\"IP\",\"cmnet\"\r\n"}}},
      {"pdp profile too long refused", [=](linklayer& l) { return SetPdpProfileReq(l, 1, "IP", long240.c_str()); }, false, {}},
      {"rm profile", [](linklayer& l) { return SetRmProfileReq(l, 1, "a", "b"); }, true, {{28, "AT+CGRMCONT=1,\"a\",\"b\"\r\n"}}},
      {"auth none", [](linklayer& l) { return SetPdpAuthTypeReq(l, 1, 0, nullptr, nullptr); }, true, {{28, "AT$QCPDPP=1,0\r\n"}}},
      {"auth password first", [](linklayer& l) { return SetPdpAuthTypeReq(l, 1, 1, "user", "pw"); }, true,
       {{28, "AT$QCPDPP=1,1,\"pw\",\"user\"\r\n"}}},
      {"auth chap", [](linklayer& l) { return SetPdpAuthTypeReq(l, 1, 2, "user", "pw"); }, true, {{28, "AT$QCPDPP=1,2,\"pw\"\r\n"}}},
      {"auth 3 refused", [](linklayer& l) { return SetPdpAuthTypeReq(l, 1, 3, "u", "p"); }, false, {}},
      {"connect", [](linklayer& l) { return ConnectNetwork(l); }, true, {{36, "connect network\r\n"}}},
      {"disconnect", [](linklayer& l) { return DisconnectNetwork(l); }, true, {{37, "disconnect network\r\n"}}},
      // Device.
      {"version", [](linklayer& l) { return VersionReq(l); }, true, {{32, "ATI\r\n"}}},
      {"software version", [](linklayer& l) { return GetAmssVerReq(l); }, true, {{32, "AT+CINQSWRV?\r\n"}}},
      {"imei", [](linklayer& l) { return GetMeImeiReq(l); }, true, {{32, "AT+CGSN\r\n"}}},
      {"imsi", [](linklayer& l) { return GetSimImsiReq(l); }, true, {{32, "AT+CIMI\r\n"}}},
      {"modem state", [](linklayer& l) { return GetModemState(l); }, true, {{3, "AT+CMODEMSTATE?\r\n"}}},
      {"modem time", [](linklayer& l) { return GetModemTime(l); }, true, {{3, "AT+CCLK?\r\n"}}},
      {"set modem time", [](linklayer& l) { return SetModemTime(l, kClock); }, true, {{3, "AT+CCLK=2014-08-30,08:05:34\r\n"}}},
      {"set modem time null refused", [](linklayer& l) { return SetModemTime(l, nullptr); }, false, {}},
      {"diagnostics", [](linklayer& l) { return GetDiagnosticInfoReq(l); }, true, {{32, "AT+CPSI?\r\n"}}},
      {"diagnostic reports", [](linklayer& l) { return SetDiagnosticInfoRptReq(l, 10); }, true, {{32, "AT+CPSI=10\r\n"}}},
      {"diag port query", [](linklayer& l) { return TurnDiagnosticOnOffReq(l, 3, nullptr, nullptr); }, true, {{32, "AT+CSWITCHDM?\r\n"}}},
      {"diag port two names", [](linklayer& l) { return TurnDiagnosticOnOffReq(l, 2, "a", "b"); }, true,
       {{32, "AT+CSWITCHDM=2,\"a\",\"b\"\r\n"}}},
      {"diag port one name", [](linklayer& l) { return TurnDiagnosticOnOffReq(l, 1, "a", "b"); }, true,
       {{32, "AT+CSWITCHDM=1,\"a\"\r\n"}}},
      {"factory mode", [](linklayer& l) { return SetFactoryModeReq(l, 1); }, true, {{32, "AT+CFTM=1\r\n"}}},
      {"led", [](linklayer& l) { return SetLedStateReq(l, 2); }, true, {{32, "AT+CLED=2\r\n"}}},
      {"switch modem", [](linklayer& l) { return SetSwitchModemReq(l, 1); }, true, {{32, "AT+SWITCHMODEM=1\r\n"}}},
      {"switch modem query", [](linklayer& l) { return GetSwitchModemReq(l); }, true, {{32, "AT+SWITCHMODEM?\r\n"}}},
      {"aux channel", [](linklayer& l) { return SwitchAuxChannelReq(l, 1); }, true, {{32, "AT+DSWITCH=1\r\n"}}},
      {"dual channel", [](linklayer& l) { return SwitchDualChannelReq(l); }, true, {{32, "AT+SWITCHDC\r\n"}}},
      {"multi port", [](linklayer& l) { return SwitchMultiPortReq(l, 2); }, true, {{32, "AT+COMSWITCH=2\r\n"}}},
      {"charset ucs2", [](linklayer& l) { return SetCharSetReq(l, 2); }, true, {{32, "AT+CSCS=\"UCS2\"\r\n"}}},
      {"charset 3 refused", [](linklayer& l) { return SetCharSetReq(l, 3); }, false, {}},
      {"charset -1 refused", [](linklayer& l) { return SetCharSetReq(l, -1); }, false, {}},
      {"pcm", [](linklayer& l) { return PcmRegReq(l, 1); }, true, {{50, "AT+CPCMREG=1\r\n"}}},
      // Audio.
      {"speaker query", [](linklayer& l) { return GetSpeakerVol(l); }, true, {{5, "AT+VGR?\r\n"}}},
      {"speaker 4", [](linklayer& l) { return SetSpeakerVol(l, 4); }, true, {{12, "AT+VGR=4\r\n"}}},
      {"speaker 5 refused", [](linklayer& l) { return SetSpeakerVol(l, 5); }, false, {}},
      {"mic query", [](linklayer& l) { return GetMicVol(l); }, true, {{5, "AT+MICG?\r\n"}}},
      {"mic 0", [](linklayer& l) { return SetMicVol(l, 0); }, true, {{12, "AT+MICG=0\r\n"}}},
      {"mic 9 refused", [](linklayer& l) { return SetMicVol(l, 9); }, false, {}},
      {"mute", [](linklayer& l) { return SetMicMute(l, 1); }, true, {{5, "AT+CMUT=1\r\n"}}},
      {"loopback off", [](linklayer& l) { return SetMicLoopbackReq(l, 0); }, true, {{32, "AT+CLOOPBACK=0\r\n"}}},
      {"ear key", [](linklayer& l) { return GetEarKeyState(l); }, true, {{10, "AT+EARKEY\r\n"}}},
  };
}

TEST(Requests, LinesIdsAndRefusals) {
  for (const RequestCase& c : Cases()) {
    linklayer link(false);
    EXPECT_EQ(c.call(link), c.result) << c.name;
    EXPECT_EQ(Drain(link.WriteQ), c.lines) << c.name;
  }
}

TEST(Requests, OverlongDialNumberIsTraced) {
  testsupport::TraceCapture trace;
  linklayer link(false);
  EXPECT_FALSE(modlink::CallMoReq(link, std::string(40, '1').c_str()));
  EXPECT_EQ(trace.Count("Err: the Mo number is more than 32 \n"), 1u);
}

TEST(Requests, CallerNumberPlacedByTheClientWakesIt) {
  plat::Event client;
  linklayer link(false);
  link.SetNotify(client.Native());
  ASSERT_TRUE(modlink::SetCallNum(link, "13812345678"));
  EXPECT_TRUE(client.Wait(0));
  int32_t id = 0, length = 0;
  char buf[4096];
  ASSERT_TRUE(link.ReadIndication(&id, buf, &length));
  EXPECT_EQ(id, 103);
  EXPECT_EQ(std::string(buf, static_cast<size_t>(length)), "13812345678");
  EXPECT_FALSE(modlink::SetCallNum(link, std::string(200, '1').c_str()));
  EXPECT_FALSE(modlink::SetCallNum(link, nullptr));
}

TEST(Requests, CancelSearchReleasesTheWriterAndAsksForTheOperator) {
  linklayer link(false);
  EXPECT_TRUE(modlink::CancelSearchOperator(link));
  EXPECT_TRUE(link.m_hAnswerEvent.Wait(0));
  EXPECT_EQ(Drain(link.WriteQ), (std::vector<Queued>{{8, "AT+COPS=3,2\r\n"}, {8, "AT+COPS?\r\n"}}));
}

}  // namespace
