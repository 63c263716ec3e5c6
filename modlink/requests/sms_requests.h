// SMS requests: compose (send, store, draft) with an SMS-SUBMIT PDU built
// here (3GPP TS 23.040), list, read, tag, delete, storage, service centre,
// format, channel, validity and reference requests. Each checks its
// arguments, queues its AT line(s) and returns at once; the card's answers
// arrive as the SMS indications (sms_handlers.h).
//
// Threads: client threads. The composing functions keep their PDU and line
// buffers per call, so they may run on several threads at once. The library
// settings (validity period, status-report switch) and SmsStorage /
// SmsReadIndex are single atomics, last writer wins.
#pragma once

#include <cstddef>
#include <cstdint>

#include "modlink/linklayer/linklayer.h"
#include "modlink/textcoding/clock_record.h"

namespace modlink {

// ---- The SMS-SUBMIT builder ----

// Largest user data of one message, in octets (header included).
constexpr size_t kMaxUserDataOctets = 140;
// Most digits of a destination (a leading '+' not counted).
constexpr size_t kMaxDestinationDigits = 20;
// Most text bytes taken from a client's message part record.
constexpr size_t kMaxPartText = 330;
// SCA, first octet, MR, address (2 + 10), PID, DCS, validity (7), UDL, UD.
constexpr size_t kMaxSubmitOctets = 1 + 1 + 1 + 2 + kMaxDestinationDigits / 2 + 1 + 1 + 7 + 1 +
                                    kMaxUserDataOctets;

// Data coding bytes the builder tells apart; any other value is 8-bit data.
constexpr uint8_t kCodingGsm7 = 0;
constexpr uint8_t kCodingUcs2 = 8;

enum class SmsCompose { kSend, kStore, kDraft };

struct SubmitInput {
  SmsCompose mode = SmsCompose::kSend;
  const char* destination = nullptr;  // digits, optionally '+' first
  // Concatenation: a total above 1 adds the element (low bytes used).
  int32_t reference = 0;
  int32_t total = 1;
  int32_t sequence = 0;
  // Text in the client's code page, taken up to its first zero byte.
  const char* text = nullptr;
  size_t textLength = 0;
  uint8_t coding = kCodingGsm7;
  bool languageShift = false;  // adds the national-language single shift
  const ClockRecord* clock = nullptr;  // store and draft: absolute validity
  bool statusReport = false;
  uint8_t validityPeriod = 170;  // relative validity code
};

struct SubmitPdu {
  char hex[2 * kMaxSubmitOctets + 1];  // upper-case hexadecimal, terminated
  size_t chars = 0;
  int32_t tpduLength = 0;  // octets after the service-centre part
};

// Builds the PDU; false (traced) when the input is refused: no or a bad
// destination, or a user data that with its header exceeds 140 octets.
// Texts are cut first: 160 GSM characters, 70 UCS-2 units.
bool BuildSubmitPdu(const SubmitInput& input, SubmitPdu* pdu);

// The twelve time digits of a clock form a valid absolute validity period.
bool ClockIsValidTime(const ClockRecord& clock);

// ---- Library settings ----

uint8_t SetSmsValidityPeriod(uint8_t code);
uint8_t GetSmsValidityPeriod();
void SetSmsReportSwitch(bool on);
bool GetSmsReportSwitch();

// ---- Requests (each forwards one export) ----

// `part`: the client's message part record (reference, total, sequence as
// little-endian 32-bit values, then the text); `length`: text bytes.
bool ComposeSms(linklayer& link, SmsCompose mode, const ClockRecord* clock,
                const char* destination, const void* part, int32_t length, int32_t coding,
                int32_t language);
bool SmsMoRawReq(linklayer& link, const char* destination, const void* part, int32_t length,
                 int32_t send, int32_t coding, int32_t language);
bool SmsMoReq(linklayer& link, const char* destination, const void* part, int32_t length,
              int32_t coding, int32_t language);
bool SmsSaveReq(linklayer& link, const char* destination, const void* part, int32_t length,
                int32_t coding, int32_t language);
// The clock passed by value as two 32-bit words, low word first.
ClockRecord ClockFromWords(uint32_t low, uint32_t high);
bool SmsTimeMoRawReq(linklayer& link, const ClockRecord& clock, const char* destination,
                     const void* part, int32_t length, int32_t send, int32_t coding,
                     int32_t language);
bool SmsTimeSaveReq(linklayer& link, const ClockRecord& clock, const char* destination,
                    const void* part, int32_t length, int32_t coding, int32_t language);
bool SmsTimeWToDraftReq(linklayer& link, const ClockRecord& clock, const char* destination,
                        const void* part, int32_t length, int32_t coding, int32_t language);

bool SetNewSmsIndicatorReq(linklayer& link, int32_t on);
bool SmsInfoReq(linklayer& link);
bool SmsListReq(linklayer& link, uint32_t status);
bool GetSmsCenterReq(linklayer& link);
bool SmsCenterReq(linklayer& link, const char* number);
bool SmsFormatReq(linklayer& link, int32_t mode);
bool SmsStorageReq(linklayer& link, int32_t storage);
bool NewSmsStorageReq(linklayer& link, int32_t storage);
int32_t GetSmsStorage();
bool SelectSmsChannelReq(linklayer& link, int32_t channel);
bool SetSmsValidatePeriodReq(linklayer& link, const void* record);
bool GetSmsValidatePeriodReq(linklayer& link);
bool SetSmsRefReq(linklayer& link, int32_t reference);
bool GetSmsRefReq(linklayer& link);
bool SetSmsTagReq(linklayer& link, int32_t index, int32_t tag);
bool SmsModifyTagReq(linklayer& link, int32_t index);
bool SmsReadMtReq(linklayer& link, int32_t index);
bool SmsReadAndDelMtReq(linklayer& link, int32_t index);
bool SmsDelMtReq(linklayer& link, int32_t index);
bool SmsAllDelReq(linklayer& link);
bool SendSavedSmsReq(linklayer& link, int32_t index);
bool SetPcSmsFullReq(linklayer& link, int32_t full);

}  // namespace modlink
