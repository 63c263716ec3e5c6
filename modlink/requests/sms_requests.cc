// SMS requests; client threads (see sms_requests.h).
#include "modlink/requests/sms_requests.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "modlink/requests/request_frame.h"
#include "modlink/responses/sms_handlers.h"
#include "modlink/textcoding/charset.h"
#include "modlink/textcoding/gsm_alphabet.h"
#include "modlink/textcoding/hex_text.h"
#include "modlink/textcoding/septets.h"

namespace modlink {
namespace {

std::atomic<uint8_t> g_validityPeriod{170};
std::atomic<bool> g_reportSwitch{false};

// Highest storage index the card's commands take.
constexpr int32_t kMaxSmsIndex = 999;
// Longest service-centre number taken (characters of the client's text).
constexpr size_t kMaxCentreChars = 64;
// A compose line: the longest command, the length and the PDU text.
constexpr size_t kComposeLineSize = sizeof("AT+CMGWOD=") + 3 + 3 + 2 * kMaxSubmitOctets + 8;

// Builds the PDU octets, with the service-centre octet first.
class OctetWriter {
 public:
  void Put(uint8_t v) {
    if (m_count < sizeof m_octets) m_octets[m_count] = v;
    ++m_count;
  }
  void Put(const uint8_t* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) Put(bytes[i]);
  }
  size_t Count() const { return m_count; }
  bool Fits() const { return m_count <= sizeof m_octets; }
  const uint8_t* Data() const { return m_octets; }

 private:
  uint8_t m_octets[kMaxSubmitOctets] = {};
  size_t m_count = 0;
};

size_t BoundedLength(const char* text, size_t max) {
  size_t n = 0;
  while (n < max && text[n] != '\0') ++n;
  return n;
}

uint8_t SemiOctet(int value) {
  // Two decimal digits, units digit in the high half.
  return static_cast<uint8_t>(((value % 10) << 4) | ((value / 10) % 10));
}

// Reads the client's message part record; false when there is none.
bool ReadPart(const void* part, int32_t length, SubmitInput* input, char* text,
              size_t textCap) {
  if (part == nullptr || length < 0) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(part);
  auto i32 = [bytes](size_t offset) {
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) v |= static_cast<uint32_t>(bytes[offset + k]) << (8 * k);
    return static_cast<int32_t>(v);
  };
  input->reference = i32(0);
  input->total = i32(4);
  input->sequence = i32(8);
  size_t n = static_cast<size_t>(length);
  if (n > kMaxPartText) n = kMaxPartText;
  if (n > textCap - 1) n = textCap - 1;
  std::memset(text, 0, textCap);
  std::memcpy(text, bytes + 12, n);
  input->text = text;
  input->textLength = std::strlen(text);
  return true;
}

}  // namespace

bool ClockIsValidTime(const ClockRecord& c) {
  return c.m_nMonth >= 1 && c.m_nMonth <= 12 && c.m_nDay >= 1 && c.m_nDay <= 31 &&
         c.m_nHour <= 23 && c.m_nMinute <= 59 && c.m_nSecond <= 59;
}

bool BuildSubmitPdu(const SubmitInput& in, SubmitPdu* pdu) {
  if (pdu == nullptr) return false;
  *pdu = SubmitPdu();
  // Destination: digits, a leading '+' for an international number.
  if (in.destination == nullptr) {
    TraceLog("Err: SMS without a destination, refused\n");
    return false;
  }
  const char* digits = in.destination;
  const bool international = digits[0] == '+';
  if (international) ++digits;
  size_t digitCount = 0;
  for (; digits[digitCount] != '\0'; ++digitCount) {
    if (digitCount >= kMaxDestinationDigits || digits[digitCount] < '0' ||
        digits[digitCount] > '9') {
      TraceLog("Err: SMS destination is not a number of at most 20 digits, refused\n");
      return false;
    }
  }

  // User-data header elements.
  uint8_t header[16];
  size_t headerOctets = 0;
  {
    uint8_t elements[15];
    size_t n = 0;
    if (in.total > 1) {
      const uint8_t concat[] = {0x00, 0x03, static_cast<uint8_t>(in.reference & 0xFF),
                                static_cast<uint8_t>(in.total & 0xFF),
                                static_cast<uint8_t>(in.sequence & 0xFF)};
      std::memcpy(elements + n, concat, sizeof concat);
      n += sizeof concat;
    }
    if (in.languageShift) {
      const uint8_t shift[] = {0x24, 0x01, 0x01};
      std::memcpy(elements + n, shift, sizeof shift);
      n += sizeof shift;
    }
    if (n > 0) {
      header[0] = static_cast<uint8_t>(n);
      std::memcpy(header + 1, elements, n);
      headerOctets = n + 1;
    }
  }

  // User data.
  const char* text = in.text != nullptr ? in.text : "";
  size_t textBytes = in.textLength;
  if (textBytes > kMaxPartText) textBytes = kMaxPartText;
  textBytes = BoundedLength(text, textBytes);
  uint8_t userData[kMaxUserDataOctets + 32] = {};
  size_t userDataOctets = 0;  // after the header
  size_t udl = 0;
  if (in.coding == kCodingGsm7) {
    char16_t units[kMaxPartText];
    const size_t unitCount = AnsiToUcs2(text, static_cast<int32_t>(textBytes), units, kMaxPartText);
    uint8_t septets[kMaxSeptets];
    const size_t septetCount = Ucs2ToGsm(units, unitCount, septets, kMaxSeptets);
    const unsigned fill = headerOctets > 0 ? FillBitsAfterHeader(headerOctets) : 0;
    udl = headerOctets > 0 ? (8 * headerOctets + fill + 7 * septetCount) / 7 : septetCount;
    userDataOctets = PackSeptets(septets, septetCount, fill, userData, sizeof userData);
  } else if (in.coding == kCodingUcs2) {
    char16_t units[kMaxUcs2SmsUnits];
    const size_t unitCount =
        AnsiToUcs2(text, static_cast<int32_t>(textBytes), units, kMaxUcs2SmsUnits);
    for (size_t i = 0; i < unitCount; ++i) {
      userData[2 * i] = static_cast<uint8_t>(units[i] >> 8);
      userData[2 * i + 1] = static_cast<uint8_t>(units[i] & 0xFF);
    }
    userDataOctets = 2 * unitCount;
    udl = userDataOctets + headerOctets;
  } else {
    if (textBytes > sizeof userData) textBytes = sizeof userData;
    std::memcpy(userData, text, textBytes);
    userDataOctets = textBytes;
    udl = userDataOctets + headerOctets;
  }
  if (headerOctets + userDataOctets > kMaxUserDataOctets) {
    TraceLogf("Err: SMS user data of %u octets exceeds 140, refused\n",
              static_cast<unsigned>(headerOctets + userDataOctets));
    return false;
  }

  // Validity: one relative octet, or seven absolute ones for a store or
  // draft with a valid time.
  const bool absolute =
      in.mode != SmsCompose::kSend && in.clock != nullptr && ClockIsValidTime(*in.clock);
  uint8_t first = 0x11;
  if (in.mode == SmsCompose::kSend) {
    if (in.statusReport) first = 0x31;
  } else if (absolute) {
    first = 0x19;
  }
  if (headerOctets > 0) first = static_cast<uint8_t>(first | 0x40);

  OctetWriter out;
  out.Put(0x00);  // the card's stored service centre
  out.Put(first);
  out.Put(0x00);  // message reference: given by the card
  out.Put(static_cast<uint8_t>(digitCount));
  out.Put(international ? 0x91 : 0x81);
  char semi[kMaxDestinationDigits + 2];
  const size_t semiChars = TextToSemiOctets(digits, digitCount, semi, sizeof semi);
  uint8_t address[kMaxDestinationDigits / 2 + 1];
  const size_t addressOctets = HexToBytes(semi, semiChars, address, sizeof address);
  out.Put(address, addressOctets);
  out.Put(0x00);  // protocol identifier
  out.Put(in.coding);
  if (absolute) {
    const ClockRecord& c = *in.clock;
    out.Put(SemiOctet(c.m_nYear % 100));
    out.Put(SemiOctet(c.m_nMonth));
    out.Put(SemiOctet(c.m_nDay));
    out.Put(SemiOctet(c.m_nHour));
    out.Put(SemiOctet(c.m_nMinute));
    out.Put(SemiOctet(c.m_nSecond));
    out.Put(0x32);
  } else {
    out.Put(in.validityPeriod);
  }
  out.Put(static_cast<uint8_t>(udl));
  out.Put(header, headerOctets);
  out.Put(userData, userDataOctets);
  if (!out.Fits()) {
    TraceLog("Err: SMS PDU too long, refused\n");
    return false;
  }
  pdu->chars = BytesToHex(out.Data(), out.Count(), pdu->hex, sizeof pdu->hex);
  // The service-centre part is its length octet (0) plus that many octets.
  pdu->tpduLength = static_cast<int32_t>(pdu->chars / 2) - (out.Data()[0] + 1);
  return true;
}

uint8_t SetSmsValidityPeriod(uint8_t code) {
  g_validityPeriod.store(code);
  return code;
}
uint8_t GetSmsValidityPeriod() { return g_validityPeriod.load(); }
void SetSmsReportSwitch(bool on) { g_reportSwitch.store(on); }
bool GetSmsReportSwitch() { return g_reportSwitch.load(); }

ClockRecord ClockFromWords(uint32_t low, uint32_t high) {
  ClockRecord c{};
  c.m_nYear = static_cast<uint16_t>(low & 0xFFFF);
  c.m_nMonth = static_cast<uint8_t>((low >> 16) & 0xFF);
  c.m_nDay = static_cast<uint8_t>(low >> 24);
  c.m_nHour = static_cast<uint8_t>(high & 0xFF);
  c.m_nMinute = static_cast<uint8_t>((high >> 8) & 0xFF);
  c.m_nSecond = static_cast<uint8_t>((high >> 16) & 0xFF);
  return c;
}

bool ComposeSms(linklayer& link, SmsCompose mode, const ClockRecord* clock,
                const char* destination, const void* part, int32_t length, int32_t coding,
                int32_t language) {
  TraceLogf(mode == SmsCompose::kDraft ? "Try to write SMS to draft, while bSmsNew=%d\n"
                                       : "Try to send SMS, while bSmsNew=%d\n",
            0);
  SubmitInput input;
  char text[kMaxPartText + 1];
  if (!ReadPart(part, length, &input, text, sizeof text)) {
    TraceLog("Err: SMS without a message part or with a negative length, refused\n");
    return false;
  }
  input.mode = mode;
  input.destination = destination;
  input.coding = static_cast<uint8_t>(coding & 0xFF);
  input.languageShift = language == 1;
  input.clock = clock;
  input.statusReport = GetSmsReportSwitch();
  input.validityPeriod = GetSmsValidityPeriod();
  SubmitPdu pdu;
  if (!BuildSubmitPdu(input, &pdu)) return false;
  const char* command = mode == SmsCompose::kSend    ? "AT+CMGSO="
                        : mode == SmsCompose::kStore ? "AT+CMGWO="
                                                     : "AT+CMGWOD=";
  char line[kComposeLineSize];
  const int n = std::snprintf(line, sizeof line, "%s%d,\"%s\"", command, pdu.tpduLength, pdu.hex);
  if (n < 0 || static_cast<size_t>(n) >= sizeof line) {
    TraceLog("Err: SMS line too long, refused\n");
    return false;
  }
  return link.WriteQ.Enqueue(kReqSms, line, n, 1);
}

bool SmsMoRawReq(linklayer& link, const char* destination, const void* part, int32_t length,
                 int32_t send, int32_t coding, int32_t language) {
  return ComposeSms(link, send != 0 ? SmsCompose::kSend : SmsCompose::kStore, nullptr,
                    destination, part, length, coding, language);
}

bool SmsMoReq(linklayer& link, const char* destination, const void* part, int32_t length,
              int32_t coding, int32_t language) {
  return ComposeSms(link, SmsCompose::kSend, nullptr, destination, part, length, coding,
                    language);
}

bool SmsSaveReq(linklayer& link, const char* destination, const void* part, int32_t length,
                int32_t coding, int32_t language) {
  return ComposeSms(link, SmsCompose::kStore, nullptr, destination, part, length, coding,
                    language);
}

bool SmsTimeMoRawReq(linklayer& link, const ClockRecord& clock, const char* destination,
                     const void* part, int32_t length, int32_t send, int32_t coding,
                     int32_t language) {
  return ComposeSms(link, send != 0 ? SmsCompose::kSend : SmsCompose::kStore, &clock,
                    destination, part, length, coding, language);
}

bool SmsTimeSaveReq(linklayer& link, const ClockRecord& clock, const char* destination,
                    const void* part, int32_t length, int32_t coding, int32_t language) {
  return ComposeSms(link, SmsCompose::kStore, &clock, destination, part, length, coding,
                    language);
}

bool SmsTimeWToDraftReq(linklayer& link, const ClockRecord& clock, const char* destination,
                        const void* part, int32_t length, int32_t coding, int32_t language) {
  return ComposeSms(link, SmsCompose::kDraft, &clock, destination, part, length, coding,
                    language);
}

// ---- Other requests ----

bool SetNewSmsIndicatorReq(linklayer& link, int32_t on) {
  const char* line = LowByte(on) ? "AT+CNMI=1,1,2,1" : "AT+CNMI=0";
  return QueueLine(link, kReqSms, line, std::strlen(line));
}

bool SmsInfoReq(linklayer& link) { return QueueFormatted(link, kReqSms, "AT+CMGL=?"); }

bool SmsListReq(linklayer& link, uint32_t status) {
  if (status > 4) {
    TraceLogf("Err: SMS list status %u refused\n", status);
    return false;
  }
  return QueueFormatted(link, kReqSms, "AT+CMGL=%u", status);
}

bool GetSmsCenterReq(linklayer& link) { return QueueFormatted(link, kReqSms, "AT+CSCA?"); }

bool SmsCenterReq(linklayer& link, const char* number) {
  if (!StringGiven(number, "Dll_SMSCenterReq")) return false;
  const size_t length = BoundedLength(number, kMaxCentreChars + 1);
  if (length > kMaxCentreChars) {
    TraceLog("Err: service-centre number longer than 64 characters, refused\n");
    return false;
  }
  char hex[4 * kMaxCentreChars + 1];
  AnsiToUcs2Hex(number, static_cast<int32_t>(length), hex, sizeof hex);
  return QueueFormatted(link, kReqSms, "AT+CSCA=\"%s\"", hex);
}

bool SmsFormatReq(linklayer& link, int32_t mode) {
  switch (mode) {
    case 0:
      return QueueFormatted(link, kReqSms, "AT+CMGF=0");
    case 1:
      return QueueFormatted(link, kReqSms, "AT+CMGF=1");
    case 2:
      return QueueFormatted(link, kReqSms, "AT+CMGF?");
    default:
      TraceLogf("Err: SMS format %d refused\n", mode);
      return false;
  }
}

bool SmsStorageReq(linklayer& link, int32_t storage) {
  switch (storage) {
    case 0:
    case 1: {
      const bool queued = QueueFormatted(
          link, kReqSms, storage == 0 ? "AT+CPMS=\"SM\",\"SM\",\"\"" : "AT+CPMS=\"ME\",\"ME\",\"\"");
      if (queued) SmsStorage.store(storage);
      return queued;
    }
    case 2:
      return QueueFormatted(link, kReqSms, "AT+CPMS?");
    default:
      TraceLogf("Err: SMS storage %d refused\n", storage);
      return false;
  }
}

bool NewSmsStorageReq(linklayer& link, int32_t storage) {
  switch (storage) {
    case 0:
      QueueFormatted(link, kReqSms, "AT+CPMS=\"\",\"\",\"ME\"");
      return QueueFormatted(link, kReqSms, "AT+CPMS=\"\",\"\",\"SM\"");
    case 1:
      QueueFormatted(link, kReqSms, "AT+CPMS=\"\",\"\",\"SM\"");
      return QueueFormatted(link, kReqSms, "AT+CPMS=\"\",\"\",\"ME\"");
    case 2:
      return QueueFormatted(link, kReqSms, "AT+CPMS?");
    default:
      TraceLogf("Err: new-message storage %d refused\n", storage);
      return false;
  }
}

int32_t GetSmsStorage() { return SmsStorage.load(); }

bool SelectSmsChannelReq(linklayer& link, int32_t channel) {
  if (channel < 0) {
    TraceLogf("Err: SMS channel %d refused\n", channel);
    return false;
  }
  if (channel < 4) return QueueFormatted(link, kReqSms, "AT+CGSMS=%d", channel);
  return QueueFormatted(link, kReqSms, "AT+CGSMS?");
}

bool SetSmsValidatePeriodReq(linklayer& link, const void* record) {
  if (record == nullptr) {
    TraceLog("Err: Dll_SetSmsValidatePeriodReq: null record refused\n");
    return false;
  }
  const uint8_t* b = static_cast<const uint8_t*>(record);
  const int first = b[0] | (b[1] << 8);
  return QueueFormatted(link, kReqGeneric, "AT+CMVP=%d,%d,%d,%d", first, b[2], b[3], b[4]);
}

bool GetSmsValidatePeriodReq(linklayer& link) {
  return QueueFormatted(link, kReqGeneric, "AT+CMVP?");
}

bool SetSmsRefReq(linklayer& link, int32_t reference) {
  return QueueFormatted(link, kReqSmsMisc, "AT+CMGRF=%d", reference);
}

bool GetSmsRefReq(linklayer& link) { return QueueFormatted(link, kReqSmsMisc, "AT+CMGRF?"); }

namespace {

bool IndexInRange(int32_t index, const char* function) {
  if (index >= 0 && index <= kMaxSmsIndex) return true;
  TraceLogf("Err: %s: index %d refused\n", function, index);
  return false;
}

}  // namespace

bool SetSmsTagReq(linklayer& link, int32_t index, int32_t tag) {
  static const int kTagCodes[] = {3, 1, 7, 5, 4};
  if (!IndexInRange(index, "Dll_SetSMSTagReq")) return false;
  if (tag < 0 || tag > 4) {
    TraceLogf("Err: Dll_SetSMSTagReq: tag %d refused\n", tag);
    return false;
  }
  return QueueFormatted(link, kReqSmsMisc, "AT+CMGWT=%d,%d", index, kTagCodes[tag]);
}

bool SmsModifyTagReq(linklayer& link, int32_t index) {
  if (!IndexInRange(index, "Dll_SMSModifyTagReq")) return false;
  SmsReadIndex.store(index);
  return QueueFormatted(link, kReqSms, "AT+CMGMT=%d", index);
}

bool SmsReadMtReq(linklayer& link, int32_t index) {
  if (!IndexInRange(index, "Dll_SMSReadMtReq")) return false;
  // Stored before the line is queued: the answer may arrive before this
  // thread runs again.
  SmsReadIndex.store(index);
  return QueueFormatted(link, kReqSms, "AT+CMGRO=%d", index);
}

bool SmsReadAndDelMtReq(linklayer& link, int32_t index) {
  if (!IndexInRange(index, "Dll_SMSReadAndDelMtReq")) return false;
  SmsReadIndex.store(index);
  return QueueFormatted(link, kReqSms, "AT+CMGRD=%d", index);
}

bool SmsDelMtReq(linklayer& link, int32_t index) {
  if (!IndexInRange(index, "Dll_SMSDelMtReq")) return false;
  return QueueFormatted(link, kReqGeneral5, "AT+CMGD=%d", index);
}

bool SmsAllDelReq(linklayer& link) { return QueueFormatted(link, kReqSmsMisc, "AT+CMGD=0,4"); }

bool SendSavedSmsReq(linklayer& link, int32_t index) {
  if (index < 0) {
    TraceLogf("Err: Dll_SendSavedSMSReq: index %d refused\n", index);
    return false;
  }
  return QueueFormatted(link, kReqSms, "AT+CMSS=%d", index);
}

bool SetPcSmsFullReq(linklayer& link, int32_t full) {
  return QueueFormatted(link, kReqGeneric, "AT+PCFULL=%d", full);
}

}  // namespace modlink
