// Network, call and status lines: each case is given to its handler (bytes
// consumed, answer event) and then to the parser followed by "\r\nOK\r\n",
// whole and split at every offset, to show the handler takes nothing of
// the next line.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "modlink/linklayer/linklayer.h"
#include "tests/modlink/responses/handler_harness.h"

namespace {

using modlink::linklayer;
using namespace testsupport;

std::vector<HandlerCase> Cases() {
  std::string list10;
  std::string tenEntries;
  for (int i = 0; i < 12; ++i) {
    list10 += "(1,\"Op" + std::to_string(i) + "\",\"O\",\"4600" + std::to_string(i % 10) + "\",2),";
    if (i < 10) tenEntries += OperatorEntry(1, ("Op" + std::to_string(i)).c_str(), "O", ("4600" + std::to_string(i % 10)).c_str(), 2);
  }
  const std::string diag = Field("GSM", 16) + Field("Online", 16) + Field("460-00", 16) +
                           Field("0x1873", 16) + Field("25426", 16) +
                           Field("69 EGSM 900 ban", 16) + Field("-64", 16) + Field("0", 16);
  return {
      {"registration query answer", "+CREG: 0,1", {{109, Bytes({0, 1})}}, 10, false},
      {"unsolicited registration", "+CREG: 5", {{109, Bytes({1, 5})}}, 8, false},
      {"packet registration with location", "+CGREG: 2,1,\"1A2B\",\"01C3\"", {{178, Bytes({2, 1})}}, 11, false},
      {"technology HSDPA+HSUPA", "*CNTI: 0,HSDPA+HSUPA", {{142, Bytes({5})}}, 21, false},
      {"technology HSPA+", "*CNTI: 0,HSPA+", {{142, Bytes({5})}}, 15, false},
      {"technology HSDPA", "*CNTI: 0,HSDPA", {{142, Bytes({6})}}, 15, false},
      {"technology lte in lower case", "*CNTI: 0,lte", {{142, Bytes({9})}}, 13, false},
      {"technology unknown", "*CNTI: 0,WIMAX", {{142, Bytes({0})}}, 15, false},
      {"signal one digit", "+CSQ: 9,99", {{111, Bytes({9, 99})}}, 11, false},
      {"signal two digits", "+CSQ: 23,0", {{111, Bytes({23, 0})}}, 11, false},
      {"clock four-digit year", "+CCLK: 2014-08-30,08:05:34", {{110, Bytes({0xDE, 0x07, 8, 30, 8, 5, 34, 0})}}, 26, false},
      {"clock two-digit year", "+CCLK: 14-08-30,08:05:34", {{110, Bytes({14, 0, 8, 30, 8, 5, 34, 0})}}, 24, false},
      {"operator list of two",
       "+COPS: (2,\"CHINA MOBILE\",\"CMCC\",\"46000\",2),(1,\"UNICOM\",\"UNI\",\"46001\",0),,(0,1,2,3,4),(0,1,2)",
       {{154, OperatorEntry(2, "CHINA MOBILE", "CMCC", "46000", 2) + OperatorEntry(1, "UNICOM", "UNI", "46001", 0)}},
       94, false},
      {"empty operator list", "+COPS: ,,(0,1,3,4),(0,1,2)", {{154, ""}}, 28, false},
      {"operator list cut at ten", "+COPS: " + list10 + ",(0,1)", {{154, tenEntries}},
       static_cast<int32_t>(7 + list10.size() + 6 + 2), false},
      {"current operator", "+COPS: 0,0,\"CHINA MOBILE\",2", {{155, Le32(0) + Le32(0) + Field("CHINA MOBILE", 64) + Le32(2)}}, 29, false},
      {"current operator mode only", "+COPS: 0", {}, 10, false},
      {"service state", "+COPS: IN SERVICE", {{168, Bytes({1})}}, 19, false},
      {"no service", "+COPS: NO SERVICE", {{168, Bytes({0})}}, 19, false},
      {"network mode", "+CNMP: 13", {{173, Bytes({13})}}, 9, false},
      {"acquisition order", "+CNAOP: 2", {{176, Bytes({2})}}, 9, false},
      {"traffic domain", "+CNSDP: 1", {{177, Bytes({1})}}, 9, false},
      {"radio function", "+CFUN: 1", {{156, Bytes({1})}}, 8, false},
      {"band mask", "+CNBP: 0x000200000CE80380", {{174, Bytes({0x80, 0x03, 0xE8, 0x0C, 0, 0, 2, 0})}}, 25, false},
      {"band without mask", "+CNBP: ", {{174, std::string(8, '\0')}}, 7, false},
      {"roaming FF", "+CNRP: FF", {{175, Bytes({255})}}, 9, false},
      {"roaming 2", "+CNRP: 2", {{175, Bytes({2})}}, 8, false},
      {"diagnostic fields cut at 15", "+CPSI: GSM,Online,460-00,0x1873,25426,69 EGSM 900 band,-64,0,36-36",
       {{159, diag}}, 61, false},
      {"call begins", "VOICE CALL: BEGIN", {{106, Bytes({1})}}, 18, false},
      {"call ends with duration", "VOICE CALL: END: 000015", {{105, Bytes({0})}}, 23, false},
      {"call ends, short duration stays in its line", "VOICE CALL: END: 15", {{105, Bytes({0})}}, 19, false},
      {"caller number", "+CLIP: \"13812345678\",129,,,,0", {{103, "13812345678"}}, 29, false},
      {"caller number empty", "+CLIP: \"\",128", {{103, ""}}, 13, false},
      {"ring", "RING", {{104, Bytes({4})}}, 4, false},
      {"missed call", "MISSED_CALL: 13812345678", {{107, Bytes({0})}}, 24, false},
      {"no carrier", "NO CARRIER", {{108, Bytes({0})}}, 10, true},
      {"video ringback", "VPRINGBACK", {{164, Bytes({0})}}, 10, false},
      {"video connected", "VPCONNECTED", {{165, Bytes({0})}}, 11, false},
      {"video incoming", "VPINCOM 13812345678", {{166, std::string("13812345678\0", 12)}}, 19, false},
      {"video end", "VPEND 16", {{167, std::string("16\0", 3)}}, 8, false},
      {"call forwarding active", "+CCFC: 1,1,\"+8613812345678\",145,,,20",
       {{140, Le32(1) + Field("+8613812345678", 24) + Le32(145) + Le32(20)}}, 36, true},
      {"call forwarding with an overlong type wraps (fuzzer)", "+CCFC: 1,1,\"1\",99999999999",
       {{140, Le32(1) + Field("1", 24) + Le32(1215752191) + Le32(0)}}, 26, true},
      {"call forwarding off", "+CCFC: 0,7", {{140, Le32(0) + Field("", 24) + Le32(0) + Le32(0)}}, 10, true},
      {"call forwarding test answer", "+CCFC: (0-5)", {}, 12, true},
      {"call waiting", "+CCWA: 1,1", {{141, Bytes({1})}}, 10, true},
      {"call waiting test answer", "+CCWA: (0,1)", {}, 12, true},
      {"auto answer", "+AUTOANSWER: 1", {{143, Bytes({1})}}, 14, false},
      {"modem active", "modem active", {{201, Bytes({0})}}, 12, false},
      {"modem background", "modem background", {{202, Bytes({0})}}, 16, false},
      {"modem closed", "modem closed!", {{200, Bytes({0})}}, 13, false},
      {"modem unknown text", "modem sleeping", {}, -2, false},
  };
}

TEST(NetworkHandlers, EachLineAloneAndFollowedByOk) {
  for (const HandlerCase& c : Cases()) CheckHandlerCase(c);
}

TEST(NetworkHandlers, TechnologySwitchesTheThreeGFlag) {
  linklayer link(false);
  auto feed = [&](const std::string& bytes) { Feed(link, bytes); };
  feed("\r\n*CNTI: 0,UMTS\r\n");
  EXPECT_EQ(link.m_b3GNetwork.load(), 1);
  feed("\r\n*CNTI: 0,GSM\r\n");
  EXPECT_EQ(link.m_b3GNetwork.load(), 0);
  feed("\r\n*CNTI: 0,LTE\r\n");
  EXPECT_EQ(link.m_b3GNetwork.load(), 1);
}

TEST(NetworkHandlers, LineWithoutItsEndIsKeptForTheNextRead) {
  const char* partial[] = {"+CREG: 0,", "*CNTI: 0,HSD", "+CSQ: 2", "+CCLK: 2014-08", "+COPS: (2,\"CH",
                           "+CNMP: 1", "+CNBP: 0x0002", "+CPSI: GSM,", "VOICE CALL: BEGIN",
                           "VOICE CALL: END: 00", "+CLIP: \"138", "NO CARRIE", "VPINCOM 138",
                           "+CCFC: 1,1,\"+86", "+CCWA: 1", "+AUTOANSWER: 1", "modem act"};
  for (const char* p : partial) {
    linklayer link(false);
    const std::string text(p);
    const modlink::ResponseEntry* e = Match(link, text);
    if (e == nullptr) continue;  // shorter than every prefix it could become
    std::vector<char> work(text.begin(), text.end());
    work.resize(work.size() + 256, '\0');
    EXPECT_EQ(e->handler(link, e->id, work.data(), static_cast<int32_t>(text.size())), -1) << p;
    EXPECT_TRUE(Drain(link).empty()) << p;
    EXPECT_FALSE(link.m_hAnswerEvent.Wait(0)) << p;
  }
}

}  // namespace
