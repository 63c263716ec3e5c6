// SMS PDU coding for the simulated card (3GPP TS 23.040 / TS 23.038).
//
// The card builds the PDUs it stores or delivers (SMS-DELIVER, SMS-STATUS-REPORT)
// and decodes the PDUs a client hands it (SMS-SUBMIT, and SMS-DELIVER for round
// trips). Pure functions, no state, no threads. Text is UTF-8 on this side of the
// interface. Decoding never trusts a length field: every read is bounds-checked and
// a PDU that ends early is refused with a reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cardsim {

// Data coding classes of TS 23.038 (general data coding group).
enum class SmsCoding { kGsm7, kData8, kUcs2 };

// Service-centre time stamp (TS 23.040 9.2.3.11); year is two digits (0-99),
// tzQuarters the offset from GMT in quarters of an hour (may be negative).
struct SmsTimestamp {
  int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  int tzQuarters = 0;
};

// One user-data header information element.
struct UdhElement {
  uint8_t id = 0;
  std::vector<uint8_t> data;
};

struct ConcatInfo {
  int reference = 0;  // 8-bit or 16-bit reference
  int total = 1;
  int sequence = 1;
};

// A message to deliver to the client (SMS-DELIVER).
struct DeliverMessage {
  std::string serviceCentre;  // "+8613800100500"; empty: no address (length octet 0)
  std::string originator;     // "+123", "10086" or an alphanumeric name
  SmsTimestamp timestamp;
  SmsCoding coding = SmsCoding::kGsm7;
  int messageClass = -1;  // -1 none, 0..3
  std::string text;       // UTF-8 for kGsm7/kUcs2, raw bytes for kData8
  bool statusReportIndication = false;
  bool replyPath = false;
};

// Encodes one SMS-DELIVER. The text must fit one PDU (160 septets, 140 octets or
// 70 UCS-2 units minus header); nullopt when it does not or when a character has no
// GSM 7-bit code. |concat| adds an 8-bit-reference concatenation element.
std::optional<std::string> EncodeDeliver(const DeliverMessage& message,
                                         const ConcatInfo* concat = nullptr);

// Splits a long text into the PDUs of a concatenated message (one PDU when it fits).
// GSM 7-bit parts hold 153 septets (an escape pair is never split), UCS-2 parts 67
// units, 8-bit parts 134 octets. Empty vector on an unencodable text.
std::vector<std::string> EncodeDeliverParts(const DeliverMessage& message, int reference);

// SMS-STATUS-REPORT (TS 23.040 9.2.2.3).
struct StatusReport {
  std::string serviceCentre;
  int messageReference = 0;
  std::string recipient;
  SmsTimestamp serviceCentreTime;
  SmsTimestamp dischargeTime;
  int status = 0;  // TP-ST: 0 delivered, 0x20.. temporary, 0x40.. permanent failure
};
std::optional<std::string> EncodeStatusReport(const StatusReport& report);

// What a decoded PDU holds; fields that the PDU type has not are left default.
struct DecodedPdu {
  enum class Type { kDeliver, kSubmit, kStatusReport };
  Type type = Type::kDeliver;
  std::string serviceCentre;
  int firstOctet = 0;
  int messageReference = 0;
  std::string address;  // originator (deliver), destination (submit), recipient (report)
  int addressType = 0;  // type-of-address octet
  int protocolId = 0;
  int dataCoding = 0;
  SmsCoding coding = SmsCoding::kGsm7;
  int validityFormat = 0;         // TP-VPF of a submit
  std::vector<uint8_t> validity;  // its octets
  SmsTimestamp timestamp;         // deliver: SCTS; report: SCTS
  SmsTimestamp dischargeTime;     // report only
  int status = 0;                 // report only
  std::vector<UdhElement> header;
  std::optional<ConcatInfo> concat;  // from element 0x00 or 0x08
  std::string text;                  // UTF-8, or raw bytes for 8-bit data
  bool statusReportRequest = false;  // submit: TP-SRR
};

// Decodes a PDU in hexadecimal text (with the service-centre address in front, as
// 27.005 PDU mode carries it). |withSca| false when the text starts at the TPDU.
// Returns nullopt and sets |error| when the PDU is malformed or truncated.
std::optional<DecodedPdu> DecodePdu(const std::string& hex, bool withSca, std::string* error);

// Number of TPDU octets in a PDU hex text (27.005 <length>): all octets less the
// service-centre part. -1 when the hex text is malformed.
int TpduLength(const std::string& hex);

// Helpers shared with the AT engine.
std::string HexEncode(const std::vector<uint8_t>& bytes);
bool HexDecode(const std::string& hex, std::vector<uint8_t>* bytes);
// UTF-8 <-> UCS-2 as four upper-case hex digits per unit (characters outside the
// BMP are refused).
std::optional<std::string> Utf8ToUcs2Hex(const std::string& utf8);
std::optional<std::string> Ucs2HexToUtf8(const std::string& hex);
bool Utf8ToUnits(const std::string& utf8, std::vector<uint16_t>* units);
std::string UnitsToUtf8(const std::vector<uint16_t>& units);
// GSM 7-bit default alphabet with the extension table; nullopt when a character
// has no code.
std::optional<std::vector<uint8_t>> Utf8ToGsmSeptets(const std::string& utf8);
std::string GsmSeptetsToUtf8(const std::vector<uint8_t>& septets);
// Packs septets LSB first after |fillBits| leading fill bits (TS 23.038 6.1.2.1).
std::vector<uint8_t> PackSeptets(const std::vector<uint8_t>& septets, int fillBits);
std::vector<uint8_t> UnpackSeptets(const std::vector<uint8_t>& octets, size_t septetCount,
                                   int fillBits);

}  // namespace cardsim
