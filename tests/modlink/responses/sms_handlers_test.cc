// The SMS answers and notices through the parser, as the reader feeds them:
// whole and split at every offset. Expected records are laid out here byte
// by byte at the client's offsets, not through the library's packing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "modlink/linklayer/linklayer.h"
#include "tests/modlink/responses/handler_harness.h"
#include "modlink/responses/sms_handlers.h"
#include "tests/modlink/linklayer/trace_capture.h"

namespace {

using modlink::linklayer;

using testsupport::Drain;
using testsupport::Feed;
using Indication = testsupport::Ind;


// ---- Expected payloads at the client's offsets ----

void PutLe(std::string* s, size_t offset, uint32_t value, size_t width) {
  for (size_t k = 0; k < width; ++k)
    (*s)[offset + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

struct Time {
  int year, month, day, hour, minute, second;
};

struct Message {
  int32_t index;
  uint8_t status;
  uint8_t addressType;
  bool report;
  Time time;
  std::string address;
  int32_t ref, total, seq;
  std::string text;
};

std::string SmsBytes(const Message& m) {
  std::string s(732, '\0');
  PutLe(&s, 0, static_cast<uint32_t>(m.index), 4);
  s[4] = static_cast<char>(m.status);
  s[5] = static_cast<char>(m.addressType);
  s[6] = m.report ? 1 : 0;
  PutLe(&s, 8, static_cast<uint32_t>(m.time.year), 2);
  s[10] = static_cast<char>(m.time.month);
  s[11] = static_cast<char>(m.time.day);
  s[12] = static_cast<char>(m.time.hour);
  s[13] = static_cast<char>(m.time.minute);
  s[14] = static_cast<char>(m.time.second);
  s.replace(16, m.address.size(), m.address);
  PutLe(&s, 52, static_cast<uint32_t>(m.ref), 4);
  PutLe(&s, 56, static_cast<uint32_t>(m.total), 4);
  PutLe(&s, 60, static_cast<uint32_t>(m.seq), 4);
  s.replace(64, m.text.size(), m.text);
  return s;
}

std::string Int32Bytes(int32_t v) {
  std::string s(4, '\0');
  PutLe(&s, 0, static_cast<uint32_t>(v), 4);
  return s;
}

std::string Ints(std::initializer_list<int32_t> values) {
  std::string s;
  for (int32_t v : values) s += Int32Bytes(v);
  return s;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// PDUs made by the simulated card and checked with python3-gammu
// (tests/cardsim/pdu_vectors.txt).
const std::string kDeliverGsm7 =
    "0891683108100005F0040D91683119325476F800006221113154702313C8329BFD0699E5EF36888E2E83C6613919";
const std::string kDeliverClass0 = "0891683108100005F00405810180F6001062211131547023054676788E06";
const std::string kConcatPart2 =
    "004405810180F6000062211131547023180500032A0202F0797D583C2697CD67745ABD66B7DD";
const std::string kReportDelivered =
    "0891683108100005F006050D91683119325476F8622111315470236221113154902300";
// The same report with TP-Status 0x41 (permanent error).
const std::string kReportFailed =
    "0891683108100005F006050D91683119325476F8622111315470236221113154902341";

const Time kCardTime = {2026, 12, 11, 13, 45, 7};
const std::string kCardText = "Hello from the card";
const std::string kReportText = "SMS was sent to +8613912345678, this is a status report.";

const std::string kOk = "\r\nOK\r\n";

struct HandlerCase {
  const char* name;
  std::string input;
  std::vector<Indication> expected;
  bool answer;           // m_hAnswerEvent set
  int32_t storageAfter;  // SmsStorage after the case; it starts at 7
};

std::vector<HandlerCase> Cases() {
  const Message read = {12, 1, 145, false, kCardTime, "+8613912345678", 1, 1, 0, kCardText};
  Message readNoStatus = read;
  readNoStatus.status = 255;
  Message readDeleted = read;
  readDeleted.status = 0;
  const Message class0 = {12, 0, 129, false, kCardTime, "10086", 1, 1, 0, "Flash"};
  const Message list12 = {12, 0, 145, false, kCardTime, "+8613912345678", 1, 1, 0, kCardText};
  const Message list13 = {13, 1, 129, false, kCardTime, "10086", 42, 2, 2, "xyzabcdefghijklmn"};
  const Message delivered = {0, 7, 145, true, kCardTime, "+8613912345678", 0, 0, 0, kReportText};
  Message failed = delivered;
  failed.status = 8;
  const Message undecodable = {12, 1, 0, false, {2000, 1, 1, 0, 0, 0}, "", 1, 1, 0, ""};

  return {
      {"send result, card capture", "\r\n+CMGSO: 5\r\n" + kOk, {{113, Bytes({5})}, {100, "OK"}},
       true, 7},
      {"read answer with status 1 (edge case of the read request)",
       "\r\n+CMGRO: 1,,25\r\n" + kDeliverGsm7 + "\r\n" + kOk,
       {{115, SmsBytes(read)}, {100, "OK"}}, true, 7},
      {"read answer without a status digit", "\r\n+CMGRO: ,,25\r\n" + kDeliverGsm7 + "\r\n",
       {{115, SmsBytes(readNoStatus)}}, false, 7},
      {"read-and-delete answer", "\r\n+CMGRD: 0,,25\r\n" + kDeliverGsm7 + "\r\n" + kOk,
       {{115, SmsBytes(readDeleted)}, {100, "OK"}}, true, 7},
      {"class-0 message", "\r\n+CLASS0: 0,,23\r\n" + kDeliverClass0 + "\r\n",
       {{136, SmsBytes(class0)}}, false, 7},
      {"undecodable PDU still posts a record", "\r\n+CMGRO: 1,,25\r\n0891\r\n",
       {{115, SmsBytes(undecodable)}}, false, 7},
      {"read header followed by OK, no PDU line", "\r\n+CMGRO: 1,,25\r\n" + kOk,
       {{100, "OK"}}, true, 7},
      {"list of two, the second a concatenated part",
       "\r\n+CMGL: 12,0,,25\r\n" + kDeliverGsm7 + "\r\n+CMGL: 13,1,,38\r\n" + kConcatPart2 +
           "\r\n" + kOk,
       {{126, SmsBytes(list12)}, {126, SmsBytes(list13)}, {100, "OK"}}, true, 7},
      {"list test answer goes to 117 and keeps its OK", "\r\n+CMGL: (0-4)\r\n" + kOk,
       {{117, "0-4"}, {100, "OK"}}, true, 7},
      {"delivery report, delivered", "\r\n+CDS: 25\r\n" + kReportDelivered + "\r\n",
       {{199, SmsBytes(delivered)}}, false, 7},
      {"delivery report, failed", "\r\n+CDS: 25\r\n" + kReportFailed + "\r\n",
       {{199, SmsBytes(failed)}}, false, 7},
      {"new message in SM", "\r\n+CMTI: \"SM\",5\r\n", {{116, Ints({0, 5, 0, 0})}}, false, 7},
      {"new message in me, lower case", "\r\n+CMTI: \"me\",17\r\n",
       {{116, Ints({1, 17, 0, 0})}}, false, 7},
      {"new message in SR posts nothing", "\r\n+CMTI: \"SR\",3\r\n", {}, false, 7},
      {"store full", "\r\n+SMS_FULL\r\n", {{118, Bytes({0})}}, false, 7},
      {"SMS error 500", "\r\n+CMS ERROR: 500\r\n", {{119, "500"}}, true, 7},
      {"SMS error without text leaves the next line alone", "\r\n+CMS ERROR:\r\n" + kOk,
       {{119, ""}, {100, "OK"}}, true, 7},
      {"message format", "\r\n+CMGF: 0\r\n" + kOk, {{120, Bytes({0})}, {100, "OK"}}, true, 7},
      {"service centre in UCS2 hex", "\r\n+CSCA: \"002B0038003600310033\",145\r\n",
       {{121, "+8613"}}, false, 7},
      {"service centre in plain characters", "\r\n+CSCA: \"+8613\",145\r\n", {{121, ""}}, false,
       7},
      {"storage query, SM three times",
       "\r\n+CPMS: \"SM\",3,20,\"SM\",3,20,\"SM\",3,20\r\n",
       {{123, Ints({0, 3, 20, 0, 3, 20, 0, 3, 20})}}, false, 0},
      {"storage query, ME first", "\r\n+CPMS: \"ME\",3,20,\"SM\",3,20,\"MT\",3,20\r\n",
       {{123, Ints({1, 3, 20, 0, 3, 20, 1, 3, 20})}}, false, 1},
      {"storage set answer leaves SmsStorage", "\r\n+CPMS: 3,20,3,20,3,20\r\n",
       {{123, Ints({0, 3, 20, 0, 3, 20, 0, 3, 20})}}, false, 7},
      {"prompt", "\r\n> ", {}, true, 7},
      {"stored at index 7", "\r\n+CMGWO: 7\r\n", {{124, Int32Bytes(7)}}, false, 7},
      {"stored message sent, reference 300", "\r\n+CMSS: 300\r\n", {{125, Int32Bytes(300)}},
       false, 7},
      {"SMS channel", "\r\n+CGSMS: 1\r\n", {{134, Bytes({1})}}, false, 7},
      {"validity period", "\r\n+CMVP: 300,1,2,3\r\n",
       {{135, Bytes({0x2C, 0x01, 1, 2, 3, 0, 0, 0})}}, false, 7},
      {"reference counter wraps to 8 bits", "\r\n+CMGRF: 300\r\n", {{197, Bytes({44})}}, false,
       7},
      {"tag result with index 300", "\r\n+CMGWT: 300,7\r\n", {{198, Bytes({0x2C, 0x01})}},
       false, 7},
  };
}

TEST(SmsHandlers, EveryAnswerWholeAndSplitAtEveryOffset) {
  for (const HandlerCase& c : Cases()) {
    for (size_t split = 0; split < c.input.size(); ++split) {
      modlink::SmsReadIndex = 12;
      modlink::SmsStorage = 7;
      linklayer link(false);
      const std::string where = std::string(c.name) + ", split at " + std::to_string(split);
      if (split == 0) {
        Feed(link, c.input);
      } else {
        Feed(link, c.input.substr(0, split));
        Feed(link, c.input.substr(split));
      }
      EXPECT_EQ(Drain(link), c.expected) << where;
      EXPECT_EQ(link.m_hAnswerEvent.Wait(0), c.answer) << where;
      EXPECT_EQ(modlink::SmsStorage.load(), c.storageAfter) << where;
      if (c.input != "\r\n> ") {
        EXPECT_EQ(link.m_nUnparsed, 0) << where;
      }
    }
  }
}

// The card writes a long list as it pleases: every message of it arrives,
// whatever the reads look like.
TEST(SmsHandlers, TwentyMessageListInSmallReads) {
  std::string list;
  for (int i = 1; i <= 20; ++i)
    list += "\r\n+CMGL: " + std::to_string(i) + ",1,,25\r\n" + kDeliverGsm7 + "\r\n";
  list += kOk;
  for (size_t chunk : {1u, 7u, 64u, 333u}) {
    linklayer link(false);
    for (size_t at = 0; at < list.size(); at += chunk) Feed(link, list.substr(at, chunk));
    const std::vector<Indication> got = Drain(link);
    ASSERT_EQ(got.size(), 21u) << "reads of " << chunk;
    for (int i = 0; i < 20; ++i) {
      Message m = {i + 1, 1, 145, false, kCardTime, "+8613912345678", 1, 1, 0, kCardText};
      EXPECT_EQ(got[static_cast<size_t>(i)], (Indication{126, SmsBytes(m)})) << "reads of " << chunk;
    }
    EXPECT_EQ(got.back(), (Indication{100, "OK"}));
    EXPECT_EQ(link.m_nUnparsed, 0);
  }
}

TEST(SmsHandlers, ErrorReleasesTheWriterOnlyOnceItsLineIsWhole) {
  linklayer link(false);
  Feed(link, "\r\n+CMS ERROR: 3");
  EXPECT_FALSE(link.m_hAnswerEvent.Wait(0));
  EXPECT_TRUE(Drain(link).empty());
  Feed(link, "04\r\n");
  EXPECT_TRUE(link.m_hAnswerEvent.Wait(0));
  EXPECT_EQ(Drain(link), (std::vector<Indication>{{119, "304"}}));
}

// Malformed and oversized lines: each handler stays inside its line, posts
// what it could parse (or nothing), and the final answer behind it arrives.
TEST(SmsHandlers, HostileLinesStayInsideTheirLine) {
  const std::string longHex(1000, 'A');
  const std::string goodPdu = kDeliverGsm7;
  struct Hostile {
    const char* name;
    std::string line;
    size_t posted;  // indications before the OK
  };
  const Hostile cases[] = {
      {"storage query cut after the quote", "+CPMS: \"", 1},
      {"storage query cut in the name", "+CPMS: \"ME", 1},
      {"storage set answer without numbers", "+CPMS: ", 1},
      {"validity without values", "+CMVP:", 1},
      {"tag result without values", "+CMGWT:", 1},
      {"new message cut in the storage name", "+CMTI: \"S", 0},
      {"new message without an index", "+CMTI: \"SM\"", 1},
      {"service centre of 1000 hex digits", "+CSCA: \"" + longHex + "\",145", 1},
      {"error text of 600 bytes", "+CMS ERROR: " + std::string(600, 'x'), 1},
      {"read answer with a 1000-digit PDU", "+CMGRO: 1,,25\r\n" + longHex, 1},
      {"list index of 20 digits", "+CMGL: 99999999999999999999,1,,25\r\n" + goodPdu, 1},
      {"report without a length", "+CDS:\r\n00", 1},
      {"list test answer without a closing parenthesis", "+CMGL: (0-4", 1},
      {"read header followed by ERROR", "+CMGRO: 1,,25\r\nERROR", 1},
  };
  for (const Hostile& c : cases) {
    linklayer link(false);
    Feed(link, "\r\n" + c.line + "\r\n\r\nOK\r\n");
    const std::vector<Indication> got = Drain(link);
    ASSERT_FALSE(got.empty()) << c.name;
    EXPECT_EQ(got.back(), (Indication{100, "OK"})) << c.name;
    EXPECT_EQ(got.size(), c.posted + 1) << c.name;
    EXPECT_EQ(link.m_nUnparsed, 0) << c.name;
    for (const Indication& i : got) {
      if (i.id == 119) {
        EXPECT_EQ(i.payload, std::string(259, 'x')) << c.name;
      } else if (i.id == 117) {
        EXPECT_EQ(i.payload, "0-4") << c.name;
      } else if (i.id == 126 || i.id == 115 || i.id == 199) {
        EXPECT_EQ(i.payload.size(), 732u) << c.name;
      }
    }
  }
}

TEST(SmsHandlers, TraceLines) {
  testsupport::TraceCapture trace;
  linklayer link(false);
  Feed(link, "\r\n+CMTI: \"SM\",5\r\n\r\n+CMGSO: 9\r\n\r\n+CPMS: 1,2,3,4,5,6\r\n");
  EXPECT_EQ(trace.Count("SmsMtNewInd+CMTI: \"SM\",5\n"), 1u);
  EXPECT_EQ(trace.Count("dll_SmsMorspInd\n"), 1u);
  EXPECT_EQ(trace.Count("SmsStroageInd\n"), 1u);
}

}  // namespace
