// SMS PDU decoder (3GPP TS 23.040): SMS-DELIVER, SMS-SUBMIT (messages the
// card stores for sending) and SMS-STATUS-REPORT, given as the hexadecimal
// PDU text the card sends after a message header line, service-centre
// address first.
//
// The PDU comes from the network: every length in it is checked against
// the text actually given and against the record's fields. Missing
// characters read as absent; nothing outside pdu[0..len) is read and
// nothing outside the record is written. The decoder never fails: what it
// cannot decode stays zero.
//
// Runs on the reader thread; pure apart from its arguments.
#pragma once

#include <cstddef>
#include <cstdint>

#include "modlink/textcoding/clock_record.h"

namespace modlink {

inline constexpr size_t kSmsAddressField = 32;
inline constexpr size_t kSmsTimeStampField = 16;
inline constexpr size_t kSmsTextField = 330;
inline constexpr size_t kSmsMaxElements = 7;
inline constexpr size_t kSmsElementData = 255;

// Sentence put in the text of a port-addressed message (WAP push, MMS
// notification): the card's client cannot use such messages.
inline constexpr char kMmsNoticeSentence[] =
    "This is a MMS message, but your card doesn't support.";

// Data coding scheme alphabets.
enum SmsAlphabet : uint8_t {
  kSmsAlphabetGsm7 = 0,
  kSmsAlphabet8Bit = 1,
  kSmsAlphabetUcs2 = 2,
};

struct UdhElement {
  int32_t m_nId;
  uint8_t m_nLength;
  uint8_t m_data[kSmsElementData];
};

// Zero-filled by every decode. Text fields are zero-terminated.
struct DecodedSms {
  char m_strServiceCentre[kSmsAddressField];  // digits; empty when absent
  char m_strAddress[kSmsAddressField];  // '+' first for type 145
  uint8_t m_nPid;
  uint8_t m_nDcs;
  // 14 digits YYMMDDhhmmsszz: the service-centre time stamp (DELIVER,
  // STATUS-REPORT) or an absolute validity period (SUBMIT).
  char m_strTimeStamp[kSmsTimeStampField];
  char m_strText[kSmsTextField];  // ANSI text, or 8-bit data as it is
  uint8_t m_nReserved1;
  uint8_t m_nAddressType;  // 145 international, 129 unknown, 208 alphanumeric
  uint8_t m_nReserved2[2];
  // Concatenation (8-bit reference element): without a header 1/1/0; with
  // a header but no valid element 0/1/1.
  uint8_t m_nConcatLength;
  uint8_t m_nConcatRef;
  uint8_t m_nConcatTotal;
  uint8_t m_nConcatSeq;
  int8_t m_nElementCount;
  UdhElement m_elements[kSmsMaxElements];
};

// The alphabet that a TP-DCS octet selects (3GPP TS 23.038 4).
SmsAlphabet DcsAlphabet(uint8_t dcs);

// Decodes pdu[0..len) into *sms. Returns: for a status report, the TP-Status
// octet (0: delivered), or -1 when the PDU ends before it; for a
// port-addressed message, the length of kMmsNoticeSentence; otherwise the
// length of the text written (for 8-bit data, the number of bytes).
int32_t DecodePdu(const char* pdu, size_t len, DecodedSms* sms);

// Fills *clock from a time-stamp field (YYMMDDhhmmss..., zero-terminated;
// at most 12 characters are read). A field whose first character is F (or
// is missing, or is no digit) reads as 0; years 80-99 are 19xx, others 20xx
// (0 and above 99: 2000); out-of-range month and day become 1, hour, minute
// and second 0. An empty time stamp gives 2000-01-01 00:00:00.
void TimeStampToClock(ClockRecord* clock, const char* timeStamp);

}  // namespace modlink
