#include "modlink/textcoding/pdu_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/modlink/textcoding/code_page.h"

namespace modlink {
namespace {

using testing_cp::Ansi;

// Decodes from a buffer of exactly the PDU's characters (no terminator), so
// that the address sanitizer reports any read past them.
int32_t Decode(const std::string& pdu, DecodedSms* sms) {
  std::unique_ptr<char[]> exact(new char[pdu.size() + 1]);
  pdu.copy(exact.get(), pdu.size());
  return DecodePdu(exact.get(), pdu.size(), sms);
}

struct MessageCase {
  const char* name;
  std::string pdu;
  const char* serviceCentre;
  const char* address;
  uint8_t addressType;
  uint8_t pid;
  uint8_t dcs;
  const char* timeStamp;
  std::u16string text;
  uint8_t ref, total, seq;
  int8_t elements;
};

const MessageCase kMessages[] = {
    {"oFono unit/test-sms.c simple_deliver",
     "07911326040000F0040B911346610089F60000208062917314480CC8F71D14969741F9"
     "77FD07",
     "31624000000", "+31641600986", 145, 0, 0, "02082619374184",
     u"How are you?", 1, 1, 0, 0},
    {"oFono unit/test-sms.c alnum_sender",
     "0791447758100650040DD0F334FC1CA6970100008080312170224008D4F29CDE0EA7D9",
     "447785016005", "sipgate", 208, 0, 0, "08081312072204", u"Testmail", 1,
     1, 0, 0},
    {"oFono unit/test-sms.c simple_submit (relative validity)",
     "0011000B916407281553F80000AA0AE8329BFD4697D9EC37", "", "+46708251358",
     145, 0, 0, "", u"hellohello", 1, 1, 0, 0},
    {"TS 23.040 9.2.3.12.2 SUBMIT with absolute validity period",
     "0019000B916407281553F80000418003805043320AE8329BFD4697D9EC37", "",
     "+46708251358", 145, 0, 0, "14083008053423", u"hellohello", 1, 1, 0, 0},
    {"TS 23.040 9.2.3.12.3 SUBMIT with enhanced validity period (7 octets)",
     "0009000B916407281553F80000" "01000000000000" "0AE8329BFD4697D9EC37", "",
     "+46708251358", 145, 0, 0, "", u"hellohello", 1, 1, 0, 0},
    {"oFono unit/test-sms.c header_test (SUBMIT, five EMS elements)",
     "0041000B915121551532F40000631A0A031906200A032104100A032705040A032E0508"
     "0A043807002B8ACD29A85D9ECFC3E7F21C340EBB41E3B79B1E4EBB41697A989D1EB340"
     "E2379BCC02B1C3F27399059AB7C36C3628EC2683C66FF65B5E2683E8653C1D",
     "", "+15125551234", 145, 0, 0, "",
     u"EMS messages can contain italic, bold, large, small and colored text",
     0, 1, 1, 5},
    {"ModemManager test-sms-part-3gpp.c test_pdu3_natl (type 129 sender)",
     "07912143658709F1000B818100551512F2000011101021436500"
     "0AE8329BFD4697D9EC37",
     "12345678901", "18005551212", 129, 0, 0, "11010112345600",
     u"hellohello", 1, 1, 0, 0},
    {"ModemManager test-sms-part-3gpp.c test_pdu1 (extension characters)",
     "07912104442961F4040B916171957291F800001120821105050A6AC8B2BC7C9A"
     "83C220F6DB7D2ECB41EDF27C1E3E97411BDE06754FD3D1A0F9BB5D0695F1F4B2"
     "9B5C2683C6E8B03C3CA697E5F34D6AE303D1D1F2F7DD0D4ABB59A0797D8C0685"
     "E7A00028EC26832A960B28EC2683BE6050780EBA97D96C17",
     "12404492164", "+16175927198", 145, 0, 0, "110228115050A0",
     u"Here's a longer message [{with some extended characters}] thrown in, "
     u"such as \u00A3 and \u03A9\u03A0\u03A8 and \u00A7\u00BF as well.",
     1, 1, 0, 0},
    {"ModemManager test-sms-part-3gpp.c test_pdu2 (alphanumeric, UCS-2)",
     "07919730071111F10414D04937BD2C7797E9D3E6140008113092910240610804"
     "42043504410442",
     "79037011111", "InternetSMS", 208, 0, 8, "11032919200416",
     u"\u0442\u0435\u0441\u0442", 1, 1, 0, 0},
    {"ModemManager test-sms-part-3gpp.c test_pdu_udhi (16-bit concat element)",
     "07911356131313F64004850120390011609232239180A006080400100201D7327BFD6E"
     "B340E2321BF46E83EA7790F59D1E97DBE1341B442F83C465763D3DA797E56537C81D0E"
     "CB41AB59CC1693C16031D96C064241E5656838AF03A96230982A269BCD462917C8FA4E"
     "8FCBED709A0D7ABBE9F6B0FB5C7683D27350984D4FABC9A0B33C4C4FCF5D20EBFB2D07"
     "9DCB62793DBD06D9C36E50FB2D4E97D9A0B49B5E96BBCB",
     "31653131316", "1002", 133, 0x39, 0, "11062923321908",
     u"Welkom, bel om uw Voicemail te beluisteren naar +31612001233 (PrePay: "
     u"*100*1233#). Voicemail ontvangen is altijd gratis. Voor gebruik van "
     u"mobiel interne",
     0, 1, 1, 1},
    {"ModemManager test-sms-part-3gpp.c test_pdu_multipart part 1",
     "07912160130320F5440B916171056429F5000021405291650569A00500034C0201A9E8"
     "F41C949E83C2207B599E07B1DFEE33885E9ED341E4F23C7D7697C920FA1B54C697E5E3"
     "F4BC0C6AD7D9F434081E96D341E3303C2C4EB3D3F4BC0B94A483E6E8779D4D06CDD1EF"
     "3BA80E0785E7A0B7BB0C6A97E7F3F0B9CC02B9DF7450780EA2DFDF2C50780EA2A3CBA0"
     "BA9B5C96B3F369F71954768FDFE4B4FB0C9297E1F2F2BCECA6CF41",
     "12063130025", "+16175046925", 145, 0, 0, "12042519565096",
     u"This is a very long test designed to exercise multi part capability. "
     u"It should show up as one message, not as two, as the underlying "
     u"encoding represents ",
     76, 2, 1, 1},
    {"ModemManager test-sms-part-3gpp.c test_pdu_multipart part 2",
     "07912160130320F6440B916171056429F5000021405291651569320500034C0202E9E8"
     "301D44479741F0B09C3E0785E56590BCCC0ED3CB6410FD0D7ABBCBA0B0FB4D4797E52E"
     "10",
     "12063130026", "+16175046925", 145, 0, 0, "12042519565196",
     u"that the parts are related to one another. ", 76, 2, 2, 1},
    {"ModemManager test-sms-part-3gpp.c test_pdu_stored_by_us (SUBMIT UCS-2)",
     "002100098136397339F70008224F60597D4F60597D4F60597D4F60597D4F60597D4F60"
     "597D4F60597D4F60597D4F60",
     "", "639337937", 129, 0, 8, "",
     u"\u4F60\u597D\u4F60\u597D\u4F60\u597D\u4F60\u597D\u4F60\u597D\u4F60"
     u"\u597D\u4F60\u597D\u4F60\u597D\u4F60",
     1, 1, 0, 0},
    {"ModemManager test-sms-part-3gpp.c test_pdu_dcsf1 (DCS F1, 160 septets)",
     "07913306091093F0040485810000F111604231805180A049B7F90D9A1AA5A016"
     "68F8769BD3E4B29B9E2EB359A03FC85D06A9C3ED707A0EA2CBC3EE79BB4CA7CB"
     "CBA05643617DA7C76990FD4D979741EE77DD5E0ED741ED371D442E83E0E1F9BC"
     "0CD281E677D9B84C06C1DF7539E85C9097E520FB9B2E2F83C6EF369C5E064D8D"
     "52D0BC2E07DDEF77D7DC2C7799E5A0771D040FCB41F402BB0047BFDD6550B80E"
     "CAD966",
     "33609001390", "1800", 133, 0, 0xF1, "11062413081508",
     u"Info SFR - Confidentiel, \u00E0 ne jamais transmettre -\r\n"
     u"Voici votre nouveau mot de passe : sw2ced pour g\u00E9rer "
     u"votre compte SFR sur www.sfr.fr ou par t\u00E9l\u00E9phone au 963",
     1, 1, 0, 0},
    {"oFono unit/test-sms.c assembly_pdu1 (UCS-2, concatenation 30 3/1)",
     "038121F350048155550119906041001222048C0500"
     "031E0301041804420430043A002C002004100"
     "43B0435043A04410430043D04340440002000"
     "200441043B044304480430043B00200437043"
     "000200434043204350440044C044E00200020"
     "04380020002004320441043500200431043E0"
     "43B044C044804350020043F04400435043804"
     "41043F043E043B043D044F043B0441044F002"
     "000200433043D0435",
     "123", "5555", 129, 1, 0x19, "09061400212240",
     u"\u0418\u0442\u0430\u043a, \u0410\u043b\u0435\u043a\u0441\u0430\u043d"
     u"\u0434\u0440  \u0441\u043b\u0443\u0448\u0430\u043b \u0437\u0430 "
     u"\u0434\u0432\u0435\u0440\u044c\u044e  \u0438  \u0432\u0441\u0435 "
     u"\u0431\u043e\u043b\u044c\u0448\u0435 \u043f\u0440\u0435\u0438\u0441"
     u"\u043f\u043e\u043b\u043d\u044f\u043b\u0441\u044f  \u0433\u043d\u0435",
     30, 3, 1, 1},
    {"gammu 1.42 EncodePDU: 7-bit, concatenation 0x21 3/2",
     "0891683108100005F0400D91683119325476F800004180038050430018050003210302"
     "A061391D44BFBF416F33888E9697CB",
     "8613800100500", "+8613912345678", 145, 0, 0, "14083008053400",
     u"Part two of three", 33, 3, 2, 1},
    {"gammu 1.42 EncodePDU: UCS-2 Turkish letters and euro",
     "0891683108100005F0000D91683119325476F800084180038050430016011E00FC007A"
     "0065006C0020015F00650079002020AC",
     "8613800100500", "+8613912345678", 145, 0, 8, "14083008053400",
     u"\u011E\u00FCzel \u015Fey \u20AC", 1, 1, 0, 0},
    {"gammu 1.42 EncodePDU: 7-bit extension table characters",
     "0891683108100005F0000D91683119325476F80000418003805043002550797A5CD681"
     "6A9B3268C37397E91B1F68837AAF3729D0A687DF50409B17680304",
     "8613800100500", "+8613912345678", 145, 0, 0, "14083008053400",
     u"Price: 5\u20AC [net] {ok} ~x^ \\ |", 1, 1, 0, 0},
};

const MessageCase& Message(const char* namePrefix) {
  for (const MessageCase& c : kMessages) {
    if (std::strncmp(c.name, namePrefix, std::strlen(namePrefix)) == 0) {
      return c;
    }
  }
  ADD_FAILURE() << "no case " << namePrefix;
  return kMessages[0];
}

TEST(PduDecoderTest, Messages) {
  for (const MessageCase& c : kMessages) {
    SCOPED_TRACE(c.name);
    DecodedSms sms;
    std::memset(&sms, 0xA5, sizeof sms);
    const std::string text = Ansi(c.text);
    EXPECT_EQ(Decode(c.pdu, &sms), static_cast<int32_t>(text.size()));
    EXPECT_STREQ(sms.m_strServiceCentre, c.serviceCentre);
    EXPECT_STREQ(sms.m_strAddress, c.address);
    EXPECT_EQ(sms.m_nAddressType, c.addressType);
    EXPECT_EQ(sms.m_nPid, c.pid);
    EXPECT_EQ(sms.m_nDcs, c.dcs);
    EXPECT_STREQ(sms.m_strTimeStamp, c.timeStamp);
    EXPECT_EQ(std::string(sms.m_strText), text);
    EXPECT_EQ(sms.m_nConcatRef, c.ref);
    EXPECT_EQ(sms.m_nConcatTotal, c.total);
    EXPECT_EQ(sms.m_nConcatSeq, c.seq);
    EXPECT_EQ(sms.m_nElementCount, c.elements);
    EXPECT_EQ(sms.m_nReserved1, 0);
    EXPECT_EQ(sms.m_nReserved2[0] | sms.m_nReserved2[1], 0);
  }
}

TEST(PduDecoderTest, HeaderElementsAreStored) {
  DecodedSms sms;
  Decode(Message("oFono unit/test-sms.c header_test").pdu, &sms);  // five text-formatting elements (IEI 0x0A)
  ASSERT_EQ(sms.m_nElementCount, 5);
  EXPECT_EQ(sms.m_elements[0].m_nId, 0x0A);
  EXPECT_EQ(sms.m_elements[0].m_nLength, 3);
  EXPECT_EQ(sms.m_elements[0].m_data[0], 0x19);
  EXPECT_EQ(sms.m_elements[0].m_data[1], 0x06);
  EXPECT_EQ(sms.m_elements[0].m_data[2], 0x20);
  EXPECT_EQ(sms.m_elements[4].m_nLength, 4);
  EXPECT_EQ(sms.m_elements[4].m_data[3], 0x2B);

  Decode(Message("gammu 1.42 EncodePDU: 7-bit, concat").pdu, &sms);  // concatenation 0x21 3/2
  ASSERT_EQ(sms.m_nElementCount, 1);
  EXPECT_EQ(sms.m_nConcatLength, 3);
  EXPECT_EQ(sms.m_elements[0].m_nId, 0);
  EXPECT_EQ(sms.m_elements[0].m_nLength, 3);
  EXPECT_EQ(sms.m_elements[0].m_data[0], 0x21);
}

TEST(PduDecoderTest, EightBitDataIsCopiedAsItIs) {
  // ModemManager test-sms-part-3gpp.c test_pdu3_8bit.
  DecodedSms sms;
  EXPECT_EQ(Decode("07912143658709F1040B918100551512F20004111010214365000AE8"
                   "329BFD4697D9EC37DE",
                   &sms),
            10);
  const uint8_t expected[] = {0xE8, 0x32, 0x9B, 0xFD, 0x46,
                              0x97, 0xD9, 0xEC, 0x37, 0xDE};
  EXPECT_EQ(std::memcmp(sms.m_strText, expected, sizeof expected), 0);
  EXPECT_EQ(sms.m_strText[10], '\0');
  EXPECT_EQ(sms.m_nDcs, 4);
}

struct ReportCase {
  const char* name;
  std::string pdu;
  int32_t status;
  const char* address;
  uint8_t addressType;
  const char* timeStamp;
  const char* sentence;
};

TEST(PduDecoderTest, StatusReports) {
  const ReportCase cases[] = {
      {"ModemManager test-sms-part-3gpp.c test_pdu_not_stored",
       "07914356060013F1065A098136397339F7219011700463802190117004638030", 0x30,
       "639337937", 129, "12091107403608",
       "SMS was sent to 639337937, this is a status report."},
      {"TS 23.040 9.2.2.3 status report, international recipient, delivered",
       "07914356060013F1065A0B911346610089F6219011700463802190117004638000", 0,
       "+31641600986", 145, "12091107403608",
       "SMS was sent to +31641600986, this is a status report."},
      {"status report cut before its status octet",
       "07914356060013F1065A0B911346610089F62190117004638021901170046380", -1,
       "+31641600986", 145, "12091107403608",
       "SMS was sent to +31641600986, this is a status report."},
  };
  for (const ReportCase& c : cases) {
    SCOPED_TRACE(c.name);
    DecodedSms sms;
    EXPECT_EQ(Decode(c.pdu, &sms), c.status);
    EXPECT_STREQ(sms.m_strAddress, c.address);
    EXPECT_EQ(sms.m_nAddressType, c.addressType);
    EXPECT_STREQ(sms.m_strTimeStamp, c.timeStamp);
    EXPECT_STREQ(sms.m_strText, c.sentence);
    EXPECT_STREQ(sms.m_strServiceCentre, "34656000311");
  }
}

TEST(PduDecoderTest, PortAddressedMessageGetsTheNotice) {
  // gammu 1.42 EncodePDU: WAP push, 16-bit ports 2948/9200.
  DecodedSms sms;
  int32_t r = Decode(
      "0891683108100005F0400D91683119325476F80004418003805043000D0605040B84"
      "23F0010603C4AF84",
      &sms);
  EXPECT_STREQ(sms.m_strText,
               "This is a MMS message, but your card doesn't support.");
  EXPECT_EQ(r, static_cast<int32_t>(std::strlen(sms.m_strText)));
  EXPECT_STREQ(sms.m_strAddress, "+8613912345678");
}

struct DcsCase {
  uint8_t dcs;
  SmsAlphabet alphabet;
};

TEST(PduDecoderTest, DcsAlphabet) {
  // 3GPP TS 23.038 4.
  const DcsCase cases[] = {
      {0x00, kSmsAlphabetGsm7}, {0x04, kSmsAlphabet8Bit},
      {0x08, kSmsAlphabetUcs2}, {0x0C, kSmsAlphabetGsm7},
      {0x19, kSmsAlphabetUcs2}, {0x48, kSmsAlphabetUcs2},
      {0x44, kSmsAlphabet8Bit}, {0x80, kSmsAlphabetGsm7},
      {0xC8, kSmsAlphabetGsm7}, {0xD0, kSmsAlphabetGsm7},
      {0xE0, kSmsAlphabetUcs2}, {0xF1, kSmsAlphabetGsm7},
      {0xF4, kSmsAlphabet8Bit},
  };
  for (const DcsCase& c : cases) {
    EXPECT_EQ(DcsAlphabet(c.dcs), c.alphabet) << "DCS " << int{c.dcs};
  }
}

// Faults a PDU from the network must not cause.
struct HostileCase {
  const char* name;
  std::string pdu;
  int32_t result;
  const char* address;
  std::u16string text;
  uint8_t ref, total, seq;
  int8_t elements;
};

std::string Repeat(const char* s, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

TEST(PduDecoderTest, HostileLengths) {
  const HostileCase cases[] = {
      {"address length 255: field cut, the walk advances by the length",
       "0004FF81" + Repeat("21", 128) + "000041800380504300" "02E834", 2,
       "1212121212121212121212121212121", u"hi", 1, 1, 0, 0},
      {"service centre of 32 octets: field cut, the walk advances",
       "2091" + Repeat("21", 31) + "04" "0B911346610089F6" "0000"
       "41800380504300" "02E834", 2, "+31641600986", u"hi", 1, 1, 0, 0},
      {"header longer than the user data: no text",
       "00400B911346610089F6000041800380504300" "03" "050003210302", 0,
       "+31641600986", u"", 33, 3, 2, 1},
      {"element longer than the header ends the walk, text still decoded",
       "0891683108100005F0400D91683119325476F800004180038050430018050007210302"
       "A061391D44BFBF416F33888E9697CB", 17, "+8613912345678",
       u"Part two of three", 0, 1, 1, 0},
      {"unknown escape pair does not cut the text",
       "00040B911346610089F60000418003805043000661F126382603", 4,
       "+31641600986", u"abcd", 1, 1, 0, 0},
      {"empty header: the text after it is decoded",
       "00440B911346610089F60000418003805043000D0080BE2C7F83D0E530B92C07", 11,
       "+31641600986", u"zero header", 0, 1, 1, 0},
      {"user-data length beyond the PDU: only what is there",
       "00040B911346610089F6000041800380504300" "A0" "E8329BFD4697D9EC37", 10,
       "+31641600986", u"hellohello", 1, 1, 0, 0},
      {"TS 23.038 4: DCS 0x48 (automatic deletion group) is UCS-2",
       "00040B911346610089F60048418003805043000400680069", 2, "+31641600986",
       u"hi", 1, 1, 0, 0},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    DecodedSms sms;
    const std::string text = Ansi(c.text);
    EXPECT_EQ(Decode(c.pdu, &sms), c.result);
    EXPECT_STREQ(sms.m_strAddress, c.address);
    EXPECT_EQ(std::string(sms.m_strText), text);
    EXPECT_EQ(sms.m_nConcatRef, c.ref);
    EXPECT_EQ(sms.m_nConcatTotal, c.total);
    EXPECT_EQ(sms.m_nConcatSeq, c.seq);
    EXPECT_EQ(sms.m_nElementCount, c.elements);
  }
}

TEST(PduDecoderTest, AlphanumericSenderHasNoTrailingSeptet) {
  // 13 semi-octets hold 7 septets; unpacking the whole 7 octets would add
  // an eighth from the padding bits.
  DecodedSms sms;
  Decode(Message("oFono unit/test-sms.c alnum_sender").pdu, &sms);
  EXPECT_EQ(std::strlen(sms.m_strAddress), 7u);
}

TEST(PduDecoderTest, EveryTruncationDecodesWithinBounds) {
  std::vector<std::string> pdus;
  for (const MessageCase& c : kMessages) pdus.push_back(c.pdu);
  pdus.push_back(
      "07914356060013F1065A098136397339F7219011700463802190117004638030");
  for (const std::string& pdu : pdus) {
    for (size_t len = 0; len <= pdu.size(); ++len) {
      SCOPED_TRACE(testing::Message() << pdu << " cut at " << len);
      DecodedSms sms;
      int32_t r = Decode(pdu.substr(0, len), &sms);
      EXPECT_GE(r, -1);
      EXPECT_LT(r, static_cast<int32_t>(kSmsTextField));
      EXPECT_LT(strnlen(sms.m_strText, kSmsTextField), kSmsTextField);
      EXPECT_LT(strnlen(sms.m_strAddress, kSmsAddressField), kSmsAddressField);
      EXPECT_LT(strnlen(sms.m_strServiceCentre, kSmsAddressField),
                kSmsAddressField);
      EXPECT_LT(strnlen(sms.m_strTimeStamp, kSmsTimeStampField),
                kSmsTimeStampField);
      EXPECT_LE(sms.m_nElementCount, 7);
    }
  }
}

TEST(PduDecoderTest, LongTextFillsTheTextFieldInUtf8) {
  testing_cp::RunInCodePage("UTF-8", [](testing_cp::ChildChecks& c) {
    DecodedSms sms;
    // 70 CJK characters, 210 bytes of UTF-8 text.
    std::string pdu =
        "07911326040000F0040B911346610089F60008418003805043008C";
    for (int i = 0; i < 70; ++i) {
      char unit[5];
      std::snprintf(unit, sizeof unit, "4E%02X", i);
      pdu += unit;
    }
    c.Eq("UCS-2 result", Decode(pdu, &sms), 210);
    c.Eq("UCS-2 text length", std::strlen(sms.m_strText), size_t{210});
    c.Eq("last character", std::string(sms.m_strText + 207),
         std::string("\xE4\xB9\x85"));  // U+4E45

    // 160 septets with four accented letters: 164 bytes.
    c.Eq("7-bit result", Decode(Message("ModemManager test-sms-part-3gpp.c test_pdu_dcsf1").pdu, &sms), 164);
    c.Eq("7-bit tail", std::string(sms.m_strText + 161), std::string("963"));
  });
}

struct ClockCase {
  const char* name;
  const char* timeStamp;
  ClockRecord expected;
};

TEST(PduDecoderTest, TimeStampToClock) {
  const ClockCase cases[] = {
      {"TS 23.040 9.2.3.11: 2014-08-30 08:05:34 zone 32", "14083008053432",
       {2014, 8, 30, 8, 5, 34, 0}},
      {"year 99 is 1999", "99123123595900", {1999, 12, 31, 23, 59, 59, 0}},
      {"year 80 is 1980", "80010100000000", {1980, 1, 1, 0, 0, 0, 0}},
      {"year 79 is 2079", "79010100000000", {2079, 1, 1, 0, 0, 0, 0}},
      {"year 00 is 2000", "00022900000000", {2000, 2, 29, 0, 0, 0, 0}},
      {"month 00 and day 00 become 1", "14000008053400",
       {2014, 1, 1, 8, 5, 34, 0}},
      {"month 13, day 32 become 1", "14133208053400",
       {2014, 1, 1, 8, 5, 34, 0}},
      {"hour 24, minute 60, second 60 become 0", "14083024606000",
       {2014, 8, 30, 0, 0, 0, 0}},
      {"empty time stamp", "", {2000, 1, 1, 0, 0, 0, 0}},
      {"F first makes a field 0, F second a single digit", "1F08F0080534",
       {2001, 8, 1, 8, 5, 34, 0}},
      {"a field that is no number reads as 0", "14AB3008:534",
       {2014, 1, 30, 8, 0, 34, 0}},
      {"short time stamp", "1408", {2014, 8, 1, 0, 0, 0, 0}},
  };
  for (const ClockCase& c : cases) {
    SCOPED_TRACE(c.name);
    ClockRecord clock;
    std::memset(&clock, 0xA5, sizeof clock);
    TimeStampToClock(&clock, c.timeStamp);
    EXPECT_EQ(clock.m_nYear, c.expected.m_nYear);
    EXPECT_EQ(clock.m_nMonth, c.expected.m_nMonth);
    EXPECT_EQ(clock.m_nDay, c.expected.m_nDay);
    EXPECT_EQ(clock.m_nHour, c.expected.m_nHour);
    EXPECT_EQ(clock.m_nMinute, c.expected.m_nMinute);
    EXPECT_EQ(clock.m_nSecond, c.expected.m_nSecond);
    EXPECT_EQ(clock.m_nReserved, 0);
  }
}

}  // namespace
}  // namespace modlink
