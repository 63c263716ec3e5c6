// SMS PDU coding of the simulated card against independent references.
#include "sms_pdu.h"

#include <gtest/gtest.h>

namespace cardsim {
namespace {

const SmsTimestamp kStamp{26, 12, 11, 13, 45, 7, 32};

struct DeliverCase {
  const char* name;  // where the expected PDU was checked
  DeliverMessage message;
  const char* pdu;
  bool decodeOnly = false;
};

// Expected PDUs were produced by this encoder and decoded with python3-gammu 1.42
// (tests/cardsim/gammu_check.py < pdu_vectors.txt): numbers, SMSC, time stamp,
// class, coding and text all as given here. The first case is the SMS-DELIVER
// example widely used in PDU-mode tutorials (SMSC +31624000000, "How are you?").
std::vector<DeliverCase> MakeDeliverCases() {
  std::vector<DeliverCase> cases;
  DeliverMessage tutorial;
  tutorial.serviceCentre = "+31624000000";
  tutorial.originator = "+31641600986";
  tutorial.timestamp = {2, 8, 26, 19, 37, 41, 0};
  tutorial.text = "How are you?";
  // Its zone octet 08 has the sign bit set over zero quarters ("-0"), which no
  // encoder writes; decoded only.
  cases.push_back({"public_tutorial_how_are_you", tutorial,
                   "07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07",
                   true});
  DeliverMessage m;
  m.serviceCentre = "+8613800100500";
  m.originator = "+8613912345678";
  m.timestamp = kStamp;
  m.text = "Hello from the card";
  cases.push_back({"gammu_gsm7_international", m,
                   "0891683108100005F0040D91683119325476F800006221113154702313C8329BFD0699E5EF36888"
                   "E2E83C6613919"});
  m.coding = SmsCoding::kUcs2;
  m.text = "\xe4\xbd\xa0\xe5\xa5\xbd, caf\xc3\xa9";
  cases.push_back({"gammu_ucs2_cjk_and_accent", m,
                   "0891683108100005F0040D91683119325476F8000862211131547023104F60597D002C002000630"
                   "061006600E9"});
  m.coding = SmsCoding::kData8;
  m.text = std::string("\x01\x02\xff\x00\x7f", 5);
  cases.push_back({"gammu_8bit_with_zero_byte", m,
                   "0891683108100005F0040D91683119325476F8000462211131547023050102FF007F"});
  m.coding = SmsCoding::kGsm7;
  m.originator = "Bank";
  m.timestamp.tzQuarters = -20;
  m.text = "Price: 5\xe2\x82\xac [ok] {x}";
  // gammu decodes address and text, then appends bytes past the text (its length
  // counts escape septets as characters); the septets were checked by hand.
  cases.push_back({"gammu_alphanumeric_originator_extension_table_negative_zone", m,
                   "0891683108100005F00407D0C2B07B0D00006221113154700A1750797A5CD6816A9B3268C37BAF3"
                   "73ED00685DFA400"});
  m.originator = "10086";
  m.timestamp.tzQuarters = 32;
  m.messageClass = 0;
  m.text = "Flash";
  cases.push_back({"gammu_class0_national_number", m,
                   "0891683108100005F0040581018"
                   "0F6001062211131547023054676788E06"});
  return cases;
}

TEST(SmsPduEncode, DeliverMatchesReferenceAndRoundTrips) {
  for (const DeliverCase& c : MakeDeliverCases()) {
    SCOPED_TRACE(c.name);
    if (!c.decodeOnly) {
      auto pdu = EncodeDeliver(c.message);
      ASSERT_TRUE(pdu.has_value());
      EXPECT_EQ(*pdu, c.pdu);
    }
    std::string error;
    auto d = DecodePdu(c.pdu, true, &error);
    ASSERT_TRUE(d.has_value()) << error;
    EXPECT_EQ(d->type, DecodedPdu::Type::kDeliver);
    EXPECT_EQ(d->serviceCentre, c.message.serviceCentre);
    EXPECT_EQ(d->address, c.message.originator);
    EXPECT_EQ(d->coding, c.message.coding);
    EXPECT_EQ(d->text, c.message.text);
    EXPECT_EQ(d->timestamp.year, c.message.timestamp.year);
    EXPECT_EQ(d->timestamp.second, c.message.timestamp.second);
    EXPECT_EQ(d->timestamp.tzQuarters, c.message.timestamp.tzQuarters);
  }
}

TEST(SmsPduEncode, ConcatenatedPartsMatchReference) {
  DeliverMessage m;
  m.originator = "10086";
  m.timestamp = kStamp;
  for (int i = 0; i < 170; ++i) m.text += static_cast<char>('a' + i % 26);
  std::vector<std::string> parts = EncodeDeliverParts(m, 42);
  // Checked with python3-gammu: concatenated, reference 42, parts 1/2 and 2/2.
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[1],
            "004405810180F6000062211131547023180500032A0202F0797D583C2697CD67745ABD66B7DD");
  std::string joined;
  for (size_t k = 0; k < parts.size(); ++k) {
    auto d = DecodePdu(parts[k], true, nullptr);
    ASSERT_TRUE(d.has_value());
    ASSERT_TRUE(d->concat.has_value());
    EXPECT_EQ(d->concat->reference, 42);
    EXPECT_EQ(d->concat->total, 2);
    EXPECT_EQ(d->concat->sequence, static_cast<int>(k + 1));
    joined += d->text;
  }
  EXPECT_EQ(joined, m.text);
  EXPECT_EQ(DecodePdu(parts[0], true, nullptr)->text.size(), 153u);
}

TEST(SmsPduEncode, ConcatenationNeverSplitsAnEscapePair) {
  DeliverMessage m;
  m.originator = "+123";
  m.text =
      std::string(152, 'a') + "\xe2\x82\xac" + std::string(20, 'b');  // euro at septets 153-154
  std::vector<std::string> parts = EncodeDeliverParts(m, 1);
  ASSERT_EQ(parts.size(), 2u);
  auto first = DecodePdu(parts[0], true, nullptr);
  auto second = DecodePdu(parts[1], true, nullptr);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->text, std::string(152, 'a'));
  EXPECT_EQ(first->text + second->text, m.text);
}

TEST(SmsPduEncode, UnencodableOrOversizedTextIsRefused) {
  DeliverMessage m;
  m.originator = "+123";
  m.text = "\xe4\xbd\xa0";  // no GSM 7-bit code
  EXPECT_FALSE(EncodeDeliver(m).has_value());
  EXPECT_TRUE(EncodeDeliverParts(m, 1).empty());
  m.text = std::string(161, 'a');
  EXPECT_FALSE(EncodeDeliver(m).has_value());
  m.coding = SmsCoding::kUcs2;
  m.text = "\xf0\x9f\x98\x80";  // outside the BMP
  EXPECT_FALSE(EncodeDeliver(m).has_value());
  m.coding = SmsCoding::kGsm7;
  m.text = "ok";
  m.originator = "TwelveLetter";  // alphanumeric addresses hold 11 characters
  EXPECT_FALSE(EncodeDeliver(m).has_value());
}

TEST(SmsPduEncode, StatusReportMatchesReference) {
  StatusReport r;
  r.serviceCentre = "+8613800100500";
  r.messageReference = 5;
  r.recipient = "+8613912345678";
  r.serviceCentreTime = kStamp;
  r.dischargeTime = {26, 12, 11, 13, 45, 9, 32};
  auto pdu = EncodeStatusReport(r);
  ASSERT_TRUE(pdu.has_value());
  // python3-gammu: Status_Report, reference 5, recipient as given, "Delivered".
  EXPECT_EQ(*pdu, "0891683108100005F006050D91683119325476F8622111315470236221113154902300");
  auto d = DecodePdu(*pdu, true, nullptr);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(d->type, DecodedPdu::Type::kStatusReport);
  EXPECT_EQ(d->messageReference, 5);
  EXPECT_EQ(d->status, 0);
  EXPECT_EQ(d->dischargeTime.second, 9);
}

struct SubmitCase {
  const char* name;
  const char* pdu;
  const char* address;
  const char* text;
  bool statusReport;
  int validityFormat;
  int concatTotal;  // 0: none
};

TEST(SmsPduDecode, SubmitPdusAsClientsSendThem) {
  const SubmitCase cases[] = {
      // 13 octets: no SMSC, first octet 11, MR 0, +123, PID 0, DCS 0, VP AA, "hi".
      {"client_submit_hi_to_plus123",
       "0011000391"
       "21F30000AA02E834",
       "+123", "hi", false, 2, 0},
      {"client_submit_status_report_requested",
       "0031000391"
       "21F30000AA02E834",
       "+123", "hi", true, 2, 0},
      // 27.005 example style: UDHI with an 8-bit reference concatenation element.
      {"client_submit_concatenated_part",
       "0051000391"
       "21F30000AA0A050003070201E8340B",
       "+123", "", false, 2, 2},
      // Stored with an absolute validity period (VPF 11): seven octets.
      {"client_store_absolute_validity",
       "0019000391"
       "21F300004180038050433202E834",
       "+123", "hi", false, 3, 0},
      {"client_submit_ucs2",
       "0011000B91"
       "6831099254F700080B044F60597D",
       "+86139029457", "\xe4\xbd\xa0\xe5\xa5\xbd", false, 2, 0},
  };
  for (const SubmitCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    auto d = DecodePdu(c.pdu, true, &error);
    ASSERT_TRUE(d.has_value()) << error;
    EXPECT_EQ(d->type, DecodedPdu::Type::kSubmit);
    EXPECT_EQ(d->address, c.address);
    EXPECT_EQ(d->statusReportRequest, c.statusReport);
    EXPECT_EQ(d->validityFormat, c.validityFormat);
    if (c.concatTotal) {
      ASSERT_TRUE(d->concat.has_value());
      EXPECT_EQ(d->concat->total, c.concatTotal);
    } else {
      EXPECT_FALSE(d->concat.has_value());
      EXPECT_EQ(d->text, c.text);
    }
  }
  EXPECT_EQ(TpduLength("0011000391"
                       "21F30000AA02E834"),
            12);
}

TEST(SmsPduDecode, TextbookSeptetPacking) {
  // TS 23.038 packing: "hellohello" packs to E8 32 9B FD 46 97 D9 EC 37.
  auto septets = Utf8ToGsmSeptets("hellohello");
  ASSERT_TRUE(septets.has_value());
  EXPECT_EQ(HexEncode(PackSeptets(*septets, 0)), "E8329BFD4697D9EC37");
  std::vector<uint8_t> packed;
  ASSERT_TRUE(HexDecode("E8329BFD4697D9EC37", &packed));
  EXPECT_EQ(GsmSeptetsToUtf8(UnpackSeptets(packed, 10, 0)), "hellohello");
}

TEST(SmsPduDecode, EveryTruncationIsRefusedWithoutOverrun) {
  const std::string full =
      "0891683108100005F0040D91683119325476F800006221113154702313C8329BFD0699E5EF36888E2E83C661391"
      "9";
  for (size_t len = 0; len < full.size(); len += 2) {
    std::string error;
    EXPECT_FALSE(DecodePdu(full.substr(0, len), true, &error).has_value()) << len;
    EXPECT_FALSE(error.empty());
  }
  const char* malformed[] = {
      "0011000391"
      "21F30000AA02E83",  // odd number of digits
      "0011000391"
      "21F30000AA02E8ZZ",  // not hexadecimal
      "FF11",              // SMSC length past the end
      "0051000391"
      "21F30000AA030A0003",  // header length past the user data
      "0051000391"
      "21F30000AA0705000A070201",  // element length past the header
      "0003",                      // reserved message type
  };
  for (const char* pdu : malformed) {
    std::string error;
    EXPECT_FALSE(DecodePdu(pdu, true, &error).has_value()) << pdu;
  }
}

}  // namespace
}  // namespace cardsim
