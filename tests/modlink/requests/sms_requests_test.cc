// SMS requests: the lines they queue, their refusals, and the SMS-SUBMIT
// PDUs of the composing functions. The decoding of every built PDU by an
// independent decoder is checked against the simulated card
// (tests/modlink/linklayer/sms_card_test.cc).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "modlink/linklayer/linklayer.h"
#include "modlink/requests/sms_requests.h"
#include "modlink/responses/sms_handlers.h"

namespace {

using modlink::linklayer;

struct Line {
  int32_t id;
  std::string text;
  bool operator==(const Line& o) const { return id == o.id && text == o.text; }
};

std::ostream& operator<<(std::ostream& os, const Line& l) {
  return os << "{" << l.id << ", \"" << l.text << "\"}";
}

std::vector<Line> Queued(linklayer& link) {
  std::vector<Line> out;
  std::vector<char> buf(4096);
  int32_t id = 0, length = 0;
  while (link.WriteQ.Dequeue(&id, buf.data(), &length, 4096))
    out.push_back({id, std::string(buf.data(), static_cast<size_t>(length - 2))});
  return out;
}

// The client's message part record: reference, total, sequence, text.
std::vector<uint8_t> Part(int32_t reference, int32_t total, int32_t sequence,
                          const std::string& text, size_t room = 0) {
  std::vector<uint8_t> p(12 + std::max(text.size(), room), 0);
  auto put = [&p](size_t at, int32_t v) {
    for (size_t k = 0; k < 4; ++k)
      p[at + k] = static_cast<uint8_t>((static_cast<uint32_t>(v) >> (8 * k)) & 0xFF);
  };
  put(0, reference);
  put(4, total);
  put(8, sequence);
  std::memcpy(p.data() + 12, text.data(), text.size());
  return p;
}

int32_t Len(const std::string& s) { return static_cast<int32_t>(s.size()); }

// Restores the library settings the tests change.
class SmsRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    modlink::SetSmsReportSwitch(false);
    modlink::SetSmsValidityPeriod(170);
    modlink::SmsStorage = 0;
    modlink::SmsReadIndex = 0;
  }
  void TearDown() override { SetUp(); }
  linklayer link{false};
};

// ---- Composing ----

TEST_F(SmsRequests, WorkedExampleSendsOneLine) {
  const auto part = Part(0, 1, 0, "hi");
  ASSERT_TRUE(modlink::SmsMoReq(link, "+123", part.data(), 2, 0, 0));
  EXPECT_EQ(Queued(link),
            (std::vector<Line>{{28, "AT+CMGSO=12,\"001100039121F30000AA02E834\""}}));
}

struct ComposeCase {
  const char* name;
  std::function<bool(linklayer&)> call;
  const char* line;  // nullptr: refused, nothing queued
};

modlink::ClockRecord Clock(int year, int month, int day, int hour, int minute, int second) {
  modlink::ClockRecord c{};
  c.m_nYear = static_cast<uint16_t>(year);
  c.m_nMonth = static_cast<uint8_t>(month);
  c.m_nDay = static_cast<uint8_t>(day);
  c.m_nHour = static_cast<uint8_t>(hour);
  c.m_nMinute = static_cast<uint8_t>(minute);
  c.m_nSecond = static_cast<uint8_t>(second);
  return c;
}

std::string Repeat(const std::string& s, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

TEST_F(SmsRequests, ComposedLines) {
  using modlink::ClockRecord;
  const auto hi = Part(0, 1, 0, "hi");
  const auto hiPart2 = Part(0x2A, 2, 1, "hi");
  const std::string a160 = Repeat("a", 160);
  const std::string a153 = Repeat("a", 153);
  const std::string u70 = Repeat("A", 70);
  const std::string u67 = Repeat("A", 67);
  const ComposeCase cases[] = {
      {"national number, odd digit count padded with F",
       [&](linklayer& l) { return modlink::SmsMoReq(l, "12345", hi.data(), 2, 0, 0); },
       "AT+CMGSO=13,\"00110005812143F50000AA02E834\""},
      {"store without time: first octet 11, one validity octet",
       [&](linklayer& l) { return modlink::SmsSaveReq(l, "+123", hi.data(), 2, 0, 0); },
       "AT+CMGWO=12,\"001100039121F30000AA02E834\""},
      {"send-or-store raw with send 0 stores",
       [&](linklayer& l) { return modlink::SmsMoRawReq(l, "+123", hi.data(), 2, 0, 0, 0); },
       "AT+CMGWO=12,\"001100039121F30000AA02E834\""},
      {"timed store with a valid time: first octet 19, seven validity octets",
       [&](linklayer& l) {
         return modlink::SmsTimeSaveReq(l, Clock(2014, 8, 30, 8, 5, 34), "+123", hi.data(), 2, 0,
                                        0);
       },
       "AT+CMGWO=18,\"001900039121F300004180038050433202E834\""},
      {"draft with 2014-08-30 08:05:34 (the worked absolute validity)",
       [&](linklayer& l) {
         return modlink::SmsTimeWToDraftReq(l, Clock(2014, 8, 30, 8, 5, 34), "+123", hi.data(), 2,
                                            0, 0);
       },
       "AT+CMGWOD=18,\"001900039121F300004180038050433202E834\""},
      {"timed store with month 13 falls back to one octet",
       [&](linklayer& l) {
         return modlink::SmsTimeSaveReq(l, Clock(2014, 13, 30, 8, 5, 34), "+123", hi.data(), 2, 0,
                                        0);
       },
       "AT+CMGWO=12,\"001100039121F30000AA02E834\""},
      {"timed send keeps the relative validity",
       [&](linklayer& l) {
         return modlink::SmsTimeMoRawReq(l, Clock(2014, 8, 30, 8, 5, 34), "+123", hi.data(), 2, 1,
                                         0, 0);
       },
       "AT+CMGSO=12,\"001100039121F30000AA02E834\""},
      {"concatenated part 1 of 2: UDHI and the element, fill bit after the header",
       [&](linklayer& l) { return modlink::SmsMoReq(l, "+123", hiPart2.data(), 2, 0, 0); },
       "AT+CMGSO=18,\"005100039121F30000AA090500032A0201D069\""},
      {"language shift element",
       [&](linklayer& l) { return modlink::SmsMoReq(l, "+123", hi.data(), 2, 0, 1); },
       "AT+CMGSO=17,\"005100039121F30000AA070324010140A701\""},
      {"UCS2 text",
       [&](linklayer& l) { return modlink::SmsMoReq(l, "+123", hi.data(), 2, 8, 0); },
       "AT+CMGSO=14,\"001100039121F30008AA0400680069\""},
      {"8-bit data",
       [&](linklayer& l) { return modlink::SmsMoReq(l, "+123", hi.data(), 2, 4, 0); },
       "AT+CMGSO=12,\"001100039121F30004AA026869\""},
      {"text stops at its first zero byte",
       [&](linklayer& l) {
         const auto p = Part(0, 1, 0, std::string("hi\0xyz", 6));
         return modlink::SmsMoReq(l, "+123", p.data(), 6, 0, 0);
       },
       "AT+CMGSO=12,\"001100039121F30000AA02E834\""},
      {"destination of 21 digits refused",
       [&](linklayer& l) {
         return modlink::SmsMoReq(l, "+123456789012345678901", hi.data(), 2, 0, 0);
       },
       nullptr},
      {"destination with a letter refused",
       [&](linklayer& l) { return modlink::SmsMoReq(l, "12a4", hi.data(), 2, 0, 0); }, nullptr},
      {"plus sign inside a destination refused",
       [&](linklayer& l) { return modlink::SmsMoReq(l, "12+4", hi.data(), 2, 0, 0); }, nullptr},
      {"null destination refused",
       [&](linklayer& l) { return modlink::SmsMoReq(l, nullptr, hi.data(), 2, 0, 0); }, nullptr},
      {"null part record refused",
       [&](linklayer& l) { return modlink::SmsMoReq(l, "+123", nullptr, 2, 0, 0); }, nullptr},
      {"negative length refused",
       [&](linklayer& l) { return modlink::SmsMoReq(l, "+123", hi.data(), -1, 0, 0); }, nullptr},
      {"8-bit data of 141 octets refused",
       [&](linklayer& l) {
         const auto p = Part(0, 1, 0, Repeat("x", 141));
         return modlink::SmsMoReq(l, "+123", p.data(), 141, 4, 0);
       },
       nullptr},
      {"concatenated GSM part of 160 characters exceeds 140 octets: refused",
       [&](linklayer& l) {
         const auto p = Part(1, 2, 1, a160);
         return modlink::SmsMoReq(l, "+123", p.data(), 160, 0, 0);
       },
       nullptr},
      {"concatenated UCS2 part of 70 characters exceeds 140 octets: refused",
       [&](linklayer& l) {
         const auto p = Part(1, 2, 1, u70);
         return modlink::SmsMoReq(l, "+123", p.data(), 70, 8, 0);
       },
       nullptr},
  };
  for (const ComposeCase& c : cases) {
    linklayer l(false);
    const bool queued = c.call(l);
    const std::vector<Line> lines = Queued(l);
    if (c.line == nullptr) {
      EXPECT_FALSE(queued) << c.name;
      EXPECT_TRUE(lines.empty()) << c.name;
      continue;
    }
    EXPECT_TRUE(queued) << c.name;
    EXPECT_EQ(lines, (std::vector<Line>{{28, c.line}})) << c.name;
  }
  // The largest parts that fit are taken.
  for (const auto& [text, coding] :
       {std::pair<std::string, int>{a153, 0}, std::pair<std::string, int>{u67, 8}}) {
    const auto p = Part(1, 2, 1, text);
    EXPECT_TRUE(modlink::SmsMoReq(link, "+123", p.data(), Len(text), coding, 0)) << coding;
  }
  EXPECT_EQ(Queued(link).size(), 2u);
}

TEST_F(SmsRequests, ReportSwitchAndValiditySettingReachThePdu) {
  const auto hi = Part(0, 1, 0, "hi");
  EXPECT_TRUE(modlink::GetSmsReportSwitch() == false);
  modlink::SetSmsReportSwitch(true);
  EXPECT_EQ(modlink::SetSmsValidityPeriod(167), 167);
  EXPECT_EQ(modlink::GetSmsValidityPeriod(), 167);
  ASSERT_TRUE(modlink::SmsMoReq(link, "+123", hi.data(), 2, 0, 0));
  // Store and draft have no status-report request.
  ASSERT_TRUE(modlink::SmsSaveReq(link, "+123", hi.data(), 2, 0, 0));
  EXPECT_EQ(Queued(link), (std::vector<Line>{{28, "AT+CMGSO=12,\"003100039121F30000A702E834\""},
                                             {28, "AT+CMGWO=12,\"001100039121F30000A702E834\""}}));
}

// Octets of the user data length and the PDU's character count for texts
// at and beyond the cuts.
TEST_F(SmsRequests, TextsAreCutBeforeTheyAreMeasured) {
  struct Cut {
    const char* name;
    std::string text;
    int32_t length;  // the length argument
    int coding;
    int udl;
  };
  const Cut cuts[] = {
      {"GSM 160 characters fill one message", Repeat("a", 160), 160, 0, 160},
      {"GSM 200 characters are cut to 160", Repeat("a", 200), 200, 0, 160},
      {"UCS2 80 characters are cut to 70", Repeat("A", 80), 80, 8, 140},
      {"a length above 330 reads 330 bytes", Repeat("a", 330), 5000, 0, 160},
  };
  for (const Cut& c : cuts) {
    linklayer l(false);
    // Exactly the record's size: a read past it would be caught by the
    // sanitizer builds.
    const auto p = Part(0, 1, 0, c.text);
    ASSERT_TRUE(modlink::SmsMoReq(l, "+123", p.data(), c.length, c.coding, 0)) << c.name;
    const std::vector<Line> lines = Queued(l);
    ASSERT_EQ(lines.size(), 1u) << c.name;
    const std::string& line = lines[0].text;
    const size_t pduAt = line.find('"') + 1;
    const std::string pdu = line.substr(pduAt, line.size() - pduAt - 1);
    // 00 11 00 03 91 21F3 00 DCS AA | UDL
    EXPECT_EQ(std::stoi(pdu.substr(20, 2), nullptr, 16), c.udl) << c.name;
    const size_t udOctets = c.coding == 0 ? (static_cast<size_t>(c.udl) * 7 + 7) / 8
                                          : static_cast<size_t>(c.udl);
    EXPECT_EQ(pdu.size(), 22 + 2 * udOctets) << c.name;
    EXPECT_EQ(line.substr(0, pduAt - 2),
              "AT+CMGSO=" + std::to_string(pdu.size() / 2 - 1)) << c.name;
  }
}

TEST_F(SmsRequests, ComposingOnSeveralThreadsKeepsEachPdu) {
  // Each call builds in its own buffers: lines never mix.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      const std::string text = Repeat(std::string(1, static_cast<char>('a' + t)), 100);
      const auto p = Part(0, 1, 0, text);
      for (int i = 0; i < 8; ++i) modlink::SmsMoReq(link, "+123", p.data(), 100, 4, 0);
    });
  }
  for (auto& th : threads) th.join();
  const std::vector<Line> lines = Queued(link);
  ASSERT_EQ(lines.size(), 32u);
  for (const Line& l : lines) {
    const std::string body = l.text.substr(l.text.size() - 201, 200);
    EXPECT_EQ(body, Repeat(body.substr(0, 2), 100)) << l.text;
  }
}

// ---- The other requests ----

struct RequestCase {
  const char* name;
  std::function<bool(linklayer&)> call;
  std::vector<Line> lines;  // empty: refused
};

TEST_F(SmsRequests, RequestLines) {
  using namespace modlink;
  const uint8_t validity[] = {0x2C, 0x01, 1, 2, 3};
  const RequestCase cases[] = {
      {"new-message indicator on", [](linklayer& l) { return SetNewSmsIndicatorReq(l, 0x100 | 1); },
       {{28, "AT+CNMI=1,1,2,1"}}},
      {"new-message indicator off: only the low byte counts",
       [](linklayer& l) { return SetNewSmsIndicatorReq(l, 0x100); }, {{28, "AT+CNMI=0"}}},
      {"list info", [](linklayer& l) { return SmsInfoReq(l); }, {{28, "AT+CMGL=?"}}},
      {"list all", [](linklayer& l) { return SmsListReq(l, 4); }, {{28, "AT+CMGL=4"}}},
      {"list status 5 refused", [](linklayer& l) { return SmsListReq(l, 5); }, {}},
      {"centre query", [](linklayer& l) { return GetSmsCenterReq(l); }, {{28, "AT+CSCA?"}}},
      {"centre set in UCS2 hex", [](linklayer& l) { return SmsCenterReq(l, "+8613"); },
       {{28, "AT+CSCA=\"002B0038003600310033\""}}},
      {"centre of 65 characters refused",
       [](linklayer& l) { return SmsCenterReq(l, Repeat("1", 65).c_str()); }, {}},
      {"centre null refused", [](linklayer& l) { return SmsCenterReq(l, nullptr); }, {}},
      {"format PDU", [](linklayer& l) { return SmsFormatReq(l, 0); }, {{28, "AT+CMGF=0"}}},
      {"format text", [](linklayer& l) { return SmsFormatReq(l, 1); }, {{28, "AT+CMGF=1"}}},
      {"format query", [](linklayer& l) { return SmsFormatReq(l, 2); }, {{28, "AT+CMGF?"}}},
      {"format 3 refused", [](linklayer& l) { return SmsFormatReq(l, 3); }, {}},
      {"format -1 refused", [](linklayer& l) { return SmsFormatReq(l, -1); }, {}},
      {"storage SIM", [](linklayer& l) { return SmsStorageReq(l, 0); },
       {{28, "AT+CPMS=\"SM\",\"SM\",\"\""}}},
      {"storage phone", [](linklayer& l) { return SmsStorageReq(l, 1); },
       {{28, "AT+CPMS=\"ME\",\"ME\",\"\""}}},
      {"storage query", [](linklayer& l) { return SmsStorageReq(l, 2); }, {{28, "AT+CPMS?"}}},
      {"storage 3 refused", [](linklayer& l) { return SmsStorageReq(l, 3); }, {}},
      {"new-message storage SIM: phone first, SIM second",
       [](linklayer& l) { return NewSmsStorageReq(l, 0); },
       {{28, "AT+CPMS=\"\",\"\",\"ME\""}, {28, "AT+CPMS=\"\",\"\",\"SM\""}}},
      {"new-message storage phone", [](linklayer& l) { return NewSmsStorageReq(l, 1); },
       {{28, "AT+CPMS=\"\",\"\",\"SM\""}, {28, "AT+CPMS=\"\",\"\",\"ME\""}}},
      {"new-message storage query", [](linklayer& l) { return NewSmsStorageReq(l, 2); },
       {{28, "AT+CPMS?"}}},
      {"new-message storage -1 refused", [](linklayer& l) { return NewSmsStorageReq(l, -1); }, {}},
      {"channel 1", [](linklayer& l) { return SelectSmsChannelReq(l, 1); }, {{28, "AT+CGSMS=1"}}},
      {"channel 4 queries", [](linklayer& l) { return SelectSmsChannelReq(l, 4); },
       {{28, "AT+CGSMS?"}}},
      {"channel -1 refused", [](linklayer& l) { return SelectSmsChannelReq(l, -1); }, {}},
      {"validity period set from the record",
       [&validity](linklayer& l) { return SetSmsValidatePeriodReq(l, validity); },
       {{32, "AT+CMVP=300,1,2,3"}}},
      {"validity period null record refused",
       [](linklayer& l) { return SetSmsValidatePeriodReq(l, nullptr); }, {}},
      {"validity period query", [](linklayer& l) { return GetSmsValidatePeriodReq(l); },
       {{32, "AT+CMVP?"}}},
      {"reference set", [](linklayer& l) { return SetSmsRefReq(l, 42); }, {{0, "AT+CMGRF=42"}}},
      {"reference query", [](linklayer& l) { return GetSmsRefReq(l); }, {{0, "AT+CMGRF?"}}},
      {"tag 2 is code 7", [](linklayer& l) { return SetSmsTagReq(l, 5, 2); },
       {{0, "AT+CMGWT=5,7"}}},
      {"tag 0 is code 3", [](linklayer& l) { return SetSmsTagReq(l, 999, 0); },
       {{0, "AT+CMGWT=999,3"}}},
      {"tag 5 refused", [](linklayer& l) { return SetSmsTagReq(l, 5, 5); }, {}},
      {"tag index 1000 refused", [](linklayer& l) { return SetSmsTagReq(l, 1000, 1); }, {}},
      {"tag index -1 refused", [](linklayer& l) { return SetSmsTagReq(l, -1, 1); }, {}},
      {"modify tag", [](linklayer& l) { return SmsModifyTagReq(l, 7); }, {{28, "AT+CMGMT=7"}}},
      {"modify tag -1 refused", [](linklayer& l) { return SmsModifyTagReq(l, -1); }, {}},
      {"read 12", [](linklayer& l) { return SmsReadMtReq(l, 12); }, {{28, "AT+CMGRO=12"}}},
      {"read 1000 refused", [](linklayer& l) { return SmsReadMtReq(l, 1000); }, {}},
      {"read -1 refused", [](linklayer& l) { return SmsReadMtReq(l, -1); }, {}},
      {"read and delete", [](linklayer& l) { return SmsReadAndDelMtReq(l, 3); },
       {{28, "AT+CMGRD=3"}}},
      {"delete 999", [](linklayer& l) { return SmsDelMtReq(l, 999); }, {{5, "AT+CMGD=999"}}},
      {"delete -5 refused", [](linklayer& l) { return SmsDelMtReq(l, -5); }, {}},
      {"delete all", [](linklayer& l) { return SmsAllDelReq(l); }, {{0, "AT+CMGD=0,4"}}},
      {"send saved", [](linklayer& l) { return SendSavedSmsReq(l, 4); }, {{28, "AT+CMSS=4"}}},
      {"send saved -1 refused", [](linklayer& l) { return SendSavedSmsReq(l, -1); }, {}},
      {"PC store full", [](linklayer& l) { return SetPcSmsFullReq(l, 1); }, {{32, "AT+PCFULL=1"}}},
  };
  for (const RequestCase& c : cases) {
    linklayer l(false);
    EXPECT_EQ(c.call(l), !c.lines.empty()) << c.name;
    EXPECT_EQ(Queued(l), c.lines) << c.name;
  }
}

TEST_F(SmsRequests, StoredSettings) {
  ASSERT_TRUE(modlink::SmsReadMtReq(link, 12));
  EXPECT_EQ(modlink::SmsReadIndex.load(), 12);
  EXPECT_FALSE(modlink::SmsReadMtReq(link, 1000));
  EXPECT_EQ(modlink::SmsReadIndex.load(), 12);
  ASSERT_TRUE(modlink::SmsModifyTagReq(link, 4));
  EXPECT_EQ(modlink::SmsReadIndex.load(), 4);

  ASSERT_TRUE(modlink::SmsStorageReq(link, 1));
  EXPECT_EQ(modlink::GetSmsStorage(), 1);
  ASSERT_TRUE(modlink::SmsStorageReq(link, 2));
  EXPECT_EQ(modlink::GetSmsStorage(), 1);
  ASSERT_TRUE(modlink::SmsStorageReq(link, 0));
  EXPECT_EQ(modlink::GetSmsStorage(), 0);
}

TEST_F(SmsRequests, ClockWordsAreTheRecordsBytes) {
  // 2014-08-30 08:05:34 as the client lays the record out in memory.
  const uint8_t record[8] = {0xDE, 0x07, 8, 30, 8, 5, 34, 0};
  uint32_t low = 0, high = 0;
  for (int k = 0; k < 4; ++k) {
    low |= static_cast<uint32_t>(record[k]) << (8 * k);
    high |= static_cast<uint32_t>(record[4 + k]) << (8 * k);
  }
  const modlink::ClockRecord c = modlink::ClockFromWords(low, high);
  EXPECT_EQ(c.m_nYear, 2014);
  EXPECT_EQ(c.m_nMonth, 8);
  EXPECT_EQ(c.m_nDay, 30);
  EXPECT_EQ(c.m_nHour, 8);
  EXPECT_EQ(c.m_nMinute, 5);
  EXPECT_EQ(c.m_nSecond, 34);
}

}  // namespace
