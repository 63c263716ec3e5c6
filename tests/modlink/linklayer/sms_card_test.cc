// SMS end to end: request functions, the writer, the simulated card, the
// parser and handlers, the client's indications. The card's own TS 23.040
// decoder is the independent reference for every PDU the library builds.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cardsim.h"
#include "modlink/requests/sms_requests.h"
#include "modlink/responses/sms_handlers.h"
#include "modlink/textcoding/charset.h"
#include "sms_pdu.h"
#include "tests/modlink/linklayer/card_fixture.h"
#include "tests/modlink/textcoding/code_page.h"

namespace {

using modlink::linklayer;
using testsupport::FastTimings;
using testsupport::IndicationReader;

// ---- Records as the client reads them ----

int32_t I32(const std::string& p, size_t at) {
  uint32_t v = 0;
  for (size_t k = 0; k < 4; ++k) v |= static_cast<uint32_t>(static_cast<uint8_t>(p[at + k])) << (8 * k);
  return static_cast<int32_t>(v);
}

struct Sms {
  int32_t index;
  int status;
  bool report;
  std::string address;
  int32_t ref, total, seq;
  std::string text;
};

Sms ReadSms(const std::string& p) {
  EXPECT_EQ(p.size(), 732u);
  Sms s{};
  if (p.size() != 732) return s;
  s.index = I32(p, 0);
  s.status = static_cast<uint8_t>(p[4]);
  s.report = p[6] != 0;
  s.address = std::string(p.c_str() + 16);
  s.ref = I32(p, 52);
  s.total = I32(p, 56);
  s.seq = I32(p, 60);
  s.text = std::string(p.c_str() + 64);
  return s;
}

std::vector<uint8_t> Part(int32_t reference, int32_t total, int32_t sequence,
                          const std::string& text) {
  std::vector<uint8_t> p(12 + text.size() + 1, 0);
  for (size_t k = 0; k < 4; ++k) {
    p[k] = static_cast<uint8_t>((static_cast<uint32_t>(reference) >> (8 * k)) & 0xFF);
    p[4 + k] = static_cast<uint8_t>((static_cast<uint32_t>(total) >> (8 * k)) & 0xFF);
    p[8 + k] = static_cast<uint8_t>((static_cast<uint32_t>(sequence) >> (8 * k)) & 0xFF);
  }
  std::memcpy(p.data() + 12, text.data(), text.size());
  return p;
}

int32_t Len(const std::string& s) { return static_cast<int32_t>(s.size()); }

// ---- Every built PDU, decoded by the card's decoder ----

// The UTF-8 form of a client text as the library reads it: the test does
// not depend on the machine's code page representing every character.
std::string ClientTextAsUtf8(const std::string& ansi) {
  std::vector<char16_t> units(ansi.size() + 1);
  const size_t n = modlink::AnsiToUcs2(ansi.data(), static_cast<int32_t>(ansi.size()),
                                       units.data(), units.size());
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t u = units[i];
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

struct BuildCase {
  const char* name;
  modlink::SmsCompose mode;
  std::string destination;
  std::string text;  // client's code page
  uint8_t coding;
  int32_t total, sequence;
  bool language;
  bool withClock;
  // Expected from the independent decoder.
  std::string address;
  std::string utf8;
  cardsim::SmsCoding cardCoding;
  int validityFormat;  // TP-VPF: 2 relative, 3 absolute
};

TEST(SmsBuilderAgainstCardDecoder, EveryBuiltPduDecodesToItsDestinationAndText) {
  using modlink::SmsCompose;
  using modlink::testing_cp::Ansi;
  const std::string longText(160, 'z');
  const BuildCase cases[] = {
      {"worked example", SmsCompose::kSend, "+123", "hi", 0, 1, 0, false, false, "+123", "hi",
       cardsim::SmsCoding::kGsm7, 2},
      {"national number, GSM specials", SmsCompose::kSend, "10086", Ansi(u"@$_!?"), 0, 1, 0,
       false, false, "10086", "@$_!?", cardsim::SmsCoding::kGsm7, 2},
      {"20-digit destination, 160 characters", SmsCompose::kSend, "+12345678901234567890",
       longText, 0, 1, 0, false, false, "+12345678901234567890", longText,
       cardsim::SmsCoding::kGsm7, 2},
      {"UCS2", SmsCompose::kSend, "+8613912345678", Ansi(u"\u4F60\u597D, caf\u00E9"), 8, 1, 0,
       false, false, "+8613912345678", ClientTextAsUtf8(Ansi(u"\u4F60\u597D, caf\u00E9")),
       cardsim::SmsCoding::kUcs2, 2},
      {"8-bit data", SmsCompose::kSend, "+123", "raw data", 4, 1, 0, false, false, "+123",
       "raw data", cardsim::SmsCoding::kData8, 2},
      {"concatenated part 2 of 3", SmsCompose::kSend, "+123", "second part", 0, 3, 2, false,
       false, "+123", "second part", cardsim::SmsCoding::kGsm7, 2},
      {"concatenated UCS2 part", SmsCompose::kSend, "+123", "Part one", 8, 2, 1, false, false,
       "+123", "Part one", cardsim::SmsCoding::kUcs2, 2},
      {"concatenation and language shift", SmsCompose::kSend, "+123", "both headers", 0, 2, 1,
       true, false, "+123", "both headers", cardsim::SmsCoding::kGsm7, 2},
      {"store with a time: absolute validity", SmsCompose::kStore, "+123", "timed", 0, 1, 0,
       false, true, "+123", "timed", cardsim::SmsCoding::kGsm7, 3},
      {"draft with a time and a header", SmsCompose::kDraft, "+123", "draft part", 0, 2, 2,
       false, true, "+123", "draft part", cardsim::SmsCoding::kGsm7, 3},
  };
  modlink::ClockRecord clock{};
  clock.m_nYear = 2014;
  clock.m_nMonth = 8;
  clock.m_nDay = 30;
  clock.m_nHour = 8;
  clock.m_nMinute = 5;
  clock.m_nSecond = 34;
  for (const BuildCase& c : cases) {
    modlink::SubmitInput in;
    in.mode = c.mode;
    in.destination = c.destination.c_str();
    in.text = c.text.c_str();
    in.textLength = c.text.size();
    in.coding = c.coding;
    in.total = c.total;
    in.sequence = c.sequence;
    in.reference = 0x7F;
    in.languageShift = c.language;
    in.clock = c.withClock ? &clock : nullptr;
    modlink::SubmitPdu pdu;
    ASSERT_TRUE(modlink::BuildSubmitPdu(in, &pdu)) << c.name;
    std::string error;
    const auto decoded = cardsim::DecodePdu(pdu.hex, true, &error);
    ASSERT_TRUE(decoded.has_value()) << c.name << ": " << error << " in " << pdu.hex;
    EXPECT_EQ(decoded->type, cardsim::DecodedPdu::Type::kSubmit) << c.name;
    EXPECT_EQ(decoded->address, c.address) << c.name;
    EXPECT_EQ(decoded->text, c.utf8) << c.name;
    EXPECT_EQ(decoded->coding, c.cardCoding) << c.name;
    EXPECT_EQ(decoded->validityFormat, c.validityFormat) << c.name;
    EXPECT_EQ(cardsim::TpduLength(pdu.hex), pdu.tpduLength) << c.name;
    if (c.total > 1) {
      ASSERT_TRUE(decoded->concat.has_value()) << c.name;
      EXPECT_EQ(decoded->concat->reference, 0x7F) << c.name;
      EXPECT_EQ(decoded->concat->total, c.total) << c.name;
      EXPECT_EQ(decoded->concat->sequence, c.sequence) << c.name;
    }
    bool shift = false;
    for (const auto& e : decoded->header) shift |= e.id == 0x24;
    EXPECT_EQ(shift, c.language) << c.name;
  }
}

// ---- Against the simulated card ----

class SmsWithCard : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsurePortDirectory();
    modlink::SetSmsReportSwitch(false);
    card = std::make_unique<cardsim::Card>(plat::ModlinkRoot(), cardsim::CardOptions{});
    ASSERT_TRUE(card->Plug());
    link = std::make_unique<linklayer>(true, FastTimings(5000));
    reader = std::make_unique<IndicationReader>(*link);
    link->QueueJob(modlink::kRequestScanPorts);
    std::string found;
    ASSERT_TRUE(reader->WaitFor(195, 10000, &found));
    ASSERT_EQ(found, "\1");
    ASSERT_TRUE(link->Connect());
    card->ClearTranscript();
  }
  void TearDown() override {
    modlink::SetSmsReportSwitch(false);
    reader.reset();
    link.reset();
    card.reset();
  }
  // Waits for `id` and returns its payload (empty on timeout, with a
  // failure).
  std::string Wait(int32_t id, int timeoutMs = 5000) {
    std::string payload;
    EXPECT_TRUE(reader->WaitFor(id, timeoutMs, &payload)) << "indication " << id;
    return payload;
  }
  std::unique_ptr<cardsim::Card> card;
  std::unique_ptr<linklayer> link;
  std::unique_ptr<IndicationReader> reader;
};

TEST_F(SmsWithCard, SendIsOneLineAnsweredWithItsReference) {
  const std::string text = "Hello card";
  const auto part = Part(0, 1, 0, text);
  ASSERT_TRUE(modlink::SmsMoReq(*link, "+8613912345678", part.data(), Len(text), 0, 0));
  const std::string reference = Wait(113);
  ASSERT_EQ(reference.size(), 1u);
  Wait(100);
  EXPECT_EQ(card->ReceivedLineCount(), 1u);
  EXPECT_EQ(card->Received().rfind("AT+CMGSO=", 0), 0u);
  card->WithModem([&](cardsim::Modem& m) {
    EXPECT_EQ(m.sent.size(), 1u);
    if (!m.sent.empty()) {
      EXPECT_EQ(m.sent.back().reference, static_cast<uint8_t>(reference[0]));
      EXPECT_EQ(m.sent.back().decoded.address, "+8613912345678");
      EXPECT_EQ(m.sent.back().decoded.text, text);
    }
    return cardsim::Outputs{};
  });
}

TEST_F(SmsWithCard, StatusReportArrivesAsADeliveryReport) {
  ASSERT_TRUE(modlink::SetNewSmsIndicatorReq(*link, 1));
  Wait(100);
  modlink::SetSmsReportSwitch(true);
  const auto part = Part(0, 1, 0, "report me");
  ASSERT_TRUE(modlink::SmsMoReq(*link, "+8613912345678", part.data(), 9, 0, 0));
  Wait(113);
  const Sms report = ReadSms(Wait(199));
  EXPECT_TRUE(report.report);
  EXPECT_EQ(report.status, 7);
  EXPECT_EQ(report.index, 0);
  EXPECT_EQ(report.address, "+8613912345678");
  EXPECT_EQ(report.text, "SMS was sent to +8613912345678, this is a status report.");
}

TEST_F(SmsWithCard, NewMessageNoticeThenReadAndDelete) {
  ASSERT_TRUE(modlink::SetNewSmsIndicatorReq(*link, 1));
  Wait(100);
  const std::vector<int> indexes = card->DeliverSms("+8613800000001", "Arrived just now");
  ASSERT_EQ(indexes.size(), 1u);
  const std::string notice = Wait(116);
  ASSERT_EQ(notice.size(), 16u);
  EXPECT_EQ(I32(notice, 0), 0);  // SIM
  EXPECT_EQ(I32(notice, 4), indexes[0]);

  ASSERT_TRUE(modlink::SmsReadMtReq(*link, indexes[0]));
  const Sms read = ReadSms(Wait(115));
  EXPECT_EQ(read.index, indexes[0]);
  EXPECT_EQ(read.status, 0);  // received unread
  EXPECT_EQ(read.address, "+8613800000001");
  EXPECT_EQ(read.text, "Arrived just now");
  EXPECT_EQ(read.total, 1);

  ASSERT_TRUE(modlink::SmsDelMtReq(*link, indexes[0]));
  Wait(100);
  ASSERT_TRUE(modlink::SmsReadMtReq(*link, indexes[0]));
  EXPECT_EQ(Wait(119), "321");  // invalid memory index
}

TEST_F(SmsWithCard, ListInfoKeepsItsFinalAnswer) {
  ASSERT_TRUE(modlink::SmsInfoReq(*link));
  EXPECT_EQ(Wait(117), "0-4");
  EXPECT_EQ(Wait(100), "OK");
  EXPECT_EQ(reader->Count(126), 0u);
}

// 25 stored messages of every kind: the library's own stored SUBMITs and
// DELIVERs the network left, 7-bit, UCS-2, 8-bit and concatenated; the
// card writes the whole list in one burst.
TEST_F(SmsWithCard, ListOfTwentyFiveStoredMessages) {
  using modlink::testing_cp::Ansi;
  ASSERT_TRUE(modlink::SmsStorageReq(*link, 1));
  const std::string memory = Wait(123);
  EXPECT_EQ(modlink::GetSmsStorage(), 1);

  struct Stored {
    std::string text;
    int32_t total, seq;
  };
  std::map<int32_t, Stored> expected;

  // 12 through the library's store request.
  struct Save {
    std::string text;
    uint8_t coding;
    int32_t total, seq;
  };
  std::vector<Save> saves;
  for (int i = 0; i < 4; ++i) saves.push_back({"stored gsm " + std::to_string(i), 0, 1, 0});
  for (int i = 0; i < 3; ++i)
    saves.push_back({Ansi(u"gespeichert \u00FC ") + std::to_string(i), 8, 1, 0});
  for (int i = 0; i < 2; ++i) saves.push_back({"bytes " + std::to_string(i), 4, 1, 0});
  for (int i = 1; i <= 3; ++i) saves.push_back({"long part " + std::to_string(i), 0, 3, i});
  for (const Save& s : saves) {
    const auto part = Part(9, s.total, s.seq, s.text);
    ASSERT_TRUE(modlink::SmsSaveReq(*link, "+8613912345678", part.data(), Len(s.text), s.coding, 0));
    const std::string index = Wait(124);
    ASSERT_EQ(index.size(), 4u);
    expected[I32(index, 0)] = {s.text, s.total, s.seq};
  }

  // 13 left by the network, straight into the phone storage.
  card->WithModem([&](cardsim::Modem& m) {
    cardsim::SmsStore& store = m.sms["ME"];
    auto add = [&](const std::string& pdu, const Stored& s) {
      const int index = store.FreeIndex();
      store.slots[index] = cardsim::SmsSlot{1, pdu, false};
      expected[index] = s;
    };
    cardsim::DeliverMessage d;
    d.originator = "+8613800000002";
    d.serviceCentre = "+8613800100500";
    for (int i = 0; i < 5; ++i) {
      d.coding = cardsim::SmsCoding::kGsm7;
      d.text = "network gsm " + std::to_string(i);
      add(*cardsim::EncodeDeliver(d), {d.text, 1, 0});
    }
    for (int i = 0; i < 3; ++i) {
      d.coding = cardsim::SmsCoding::kUcs2;
      d.text = u8"\u4F60\u597D " + std::to_string(i);
      add(*cardsim::EncodeDeliver(d), {Ansi(u"\u4F60\u597D ") + std::to_string(i), 1, 0});
    }
    d.coding = cardsim::SmsCoding::kData8;
    d.text = "octets";
    add(*cardsim::EncodeDeliver(d), {"octets", 1, 0});
    // A 4-part message of 153-septet parts.
    d.coding = cardsim::SmsCoding::kGsm7;
    d.text.clear();
    for (int i = 0; i < 600; ++i) d.text += static_cast<char>('a' + i % 26);
    const std::vector<std::string> parts = cardsim::EncodeDeliverParts(d, 77);
    EXPECT_EQ(parts.size(), 4u);
    for (size_t i = 0; i < parts.size(); ++i) {
      const std::string chunk = d.text.substr(153 * i, 153);
      add(parts[i], {chunk, static_cast<int32_t>(parts.size()), static_cast<int32_t>(i + 1)});
    }
    return cardsim::Outputs{};
  });
  ASSERT_EQ(expected.size(), 25u);

  ASSERT_TRUE(modlink::SmsListReq(*link, 4));
  std::map<int32_t, Sms> listed;
  for (int i = 0; i < 25; ++i) {
    std::string payload;
    ASSERT_TRUE(reader->WaitFor(126, 10000, &payload)) << "after " << i << " records";
    const Sms s = ReadSms(payload);
    EXPECT_EQ(listed.count(s.index), 0u) << "index " << s.index << " twice";
    listed[s.index] = s;
  }
  EXPECT_TRUE(reader->WaitFor(100, 5000));
  EXPECT_EQ(reader->Count(126), 25u);
  ASSERT_EQ(listed.size(), 25u);
  for (const auto& [index, want] : expected) {
    ASSERT_EQ(listed.count(index), 1u) << "index " << index;
    const Sms& got = listed[index];
    EXPECT_EQ(got.text, want.text) << "index " << index;
    EXPECT_EQ(got.total, want.total) << "index " << index;
    if (want.total > 1) {
      EXPECT_EQ(got.seq, want.seq) << "index " << index;
    }
  }
}

}  // namespace
