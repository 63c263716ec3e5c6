#include "modlink/textcoding/pdu_decoder.h"

#include <cstdio>
#include <cstring>

#include "modlink/textcoding/charset.h"
#include "modlink/textcoding/gsm_alphabet.h"
#include "modlink/textcoding/hex_text.h"
#include "modlink/textcoding/septets.h"

namespace modlink {

namespace {

constexpr uint8_t kTypeInternational = 145;
constexpr uint8_t kTypeAlphanumeric = 208;
constexpr uint8_t kIeiConcat8 = 0x00;
constexpr uint8_t kIeiPorts8 = 0x04;
constexpr uint8_t kIeiPorts16 = 0x05;
constexpr size_t kTimeStampChars = 14;
constexpr size_t kMaxUserDataOctets = 256;

// Bounded view of the PDU text. Positions count characters, two per octet;
// a position past the end reads as absent.
class PduText {
 public:
  PduText(const char* text, size_t len) : m_text(text), m_len(len) {}

  // Characters present of the `chars` wanted at pos.
  size_t Avail(size_t pos, size_t chars) const {
    if (pos >= m_len) return 0;
    return chars < m_len - pos ? chars : m_len - pos;
  }
  const char* At(size_t pos) const { return m_text + (pos < m_len ? pos : m_len); }
  bool Has(size_t pos, size_t chars) const { return Avail(pos, chars) == chars; }

  // The octet at pos; absent digits read as 0.
  uint8_t Octet(size_t pos) const {
    uint8_t v = 0;
    HexToBytes(At(pos), Avail(pos, 2), &v, 1);
    return v;
  }

  // Up to `octets` octets at pos into out (cap bytes); returns the number
  // of whole octets present.
  size_t Octets(size_t pos, size_t octets, uint8_t* out, size_t cap) const {
    if (octets > cap) octets = cap;
    size_t chars = Avail(pos, 2 * octets);
    std::memset(out, 0, octets);
    HexToBytes(At(pos), chars, out, octets);
    return chars / 2;
  }

 private:
  const char* m_text;
  size_t m_len;
};

// Semi-octets (time stamp or validity period) into the time-stamp field.
void CopyTimeStamp(const PduText& pdu, size_t pos, DecodedSms* sms) {
  SemiOctetsToText(pdu.At(pos), pdu.Avail(pos, kTimeStampChars),
                   sms->m_strTimeStamp, sizeof sms->m_strTimeStamp);
}

// Septets to ANSI text in the text field. U+0000 units (an escape with no
// extension character) are left out so they do not cut the text short.
size_t SeptetsToText(const uint8_t* septets, size_t count, DecodedSms* sms) {
  char16_t units[kMaxSeptets];
  size_t n = GsmToUcs2(septets, count, units, kMaxSeptets);
  size_t kept = 0;
  for (size_t i = 0; i < n; ++i) {
    if (units[i] != 0) units[kept++] = units[i];
  }
  return Ucs2ToAnsi(units, kept, sms->m_strText, sizeof sms->m_strText);
}

// Address field of `digits` semi-octets at pos (after length and type).
void DecodeAddress(const PduText& pdu, size_t pos, size_t digits,
                   DecodedSms* sms) {
  char* out = sms->m_strAddress;
  size_t cap = sizeof sms->m_strAddress;
  size_t chars = digits + (digits & 1);
  if (sms->m_nAddressType == kTypeAlphanumeric) {
    // 3GPP TS 23.040 9.1.2.5: septets packed into ceil(N/2) octets,
    // N being the number of useful semi-octets.
    uint8_t packed[128];
    size_t got = pdu.Octets(pos, chars / 2, packed, sizeof packed);
    uint8_t septets[kSmsAddressField];
    size_t n = UnpackSeptetsAt(packed, got, digits * 4 / 7, 0, septets,
                               cap - 1);
    char16_t units[kSmsAddressField];
    size_t u = GsmToUcs2(septets, n, units, kSmsAddressField);
    size_t kept = 0;
    for (size_t i = 0; i < u; ++i) {
      if (units[i] != 0) units[kept++] = units[i];
    }
    Ucs2ToAnsi(units, kept, out, cap);
    return;
  }
  if (sms->m_nAddressType == kTypeInternational) {
    *out++ = '+';
    --cap;
  }
  SemiOctetsToText(pdu.At(pos), pdu.Avail(pos, chars), out, cap);
}

// Walks the header octets; stores at most kSmsMaxElements elements. An
// element that does not fit in the header, or an invalid concatenation
// element, ends the walk.
void ParseHeader(const uint8_t* hdr, size_t octets, DecodedSms* sms) {
  sms->m_nElementCount = 0;
  std::memset(sms->m_elements, 0, sizeof sms->m_elements);
  sms->m_nConcatRef = 0;
  sms->m_nConcatTotal = 1;
  sms->m_nConcatSeq = 1;
  size_t pos = 0;
  size_t stored = 0;
  while (stored < kSmsMaxElements && pos + 2 <= octets) {
    uint8_t id = hdr[pos];
    uint8_t len = hdr[pos + 1];
    if (pos + 2 + len > octets) break;
    const uint8_t* data = hdr + pos + 2;
    if (id == kIeiConcat8) {
      if (len < 3 || data[1] == 0 || data[2] == 0 || data[2] > data[1]) break;
      sms->m_nConcatLength = len;
      sms->m_nConcatRef = data[0];
      sms->m_nConcatTotal = data[1];
      sms->m_nConcatSeq = data[2];
    }
    UdhElement& e = sms->m_elements[stored++];
    e.m_nId = id;
    e.m_nLength = len;
    std::memcpy(e.m_data, data, len);
    pos += 2 + len;
  }
  sms->m_nElementCount = static_cast<int8_t>(stored);
}

void SetNoHeader(DecodedSms* sms) {
  sms->m_nConcatRef = 1;
  sms->m_nConcatTotal = 1;
}

}  // namespace

SmsAlphabet DcsAlphabet(uint8_t dcs) {
  switch (dcs >> 4) {
    case 0x0: case 0x1: case 0x2: case 0x3:  // general data coding
    case 0x4: case 0x5: case 0x6: case 0x7:  // marked for automatic deletion
      switch ((dcs >> 2) & 3) {
        case 1: return kSmsAlphabet8Bit;
        case 2: return kSmsAlphabetUcs2;
        default: return kSmsAlphabetGsm7;  // 3 is reserved
      }
    case 0xE:
      return kSmsAlphabetUcs2;
    case 0xF:
      return (dcs & 0x04) ? kSmsAlphabet8Bit : kSmsAlphabetGsm7;
    default:  // 10xx reserved, 1100 and 1101 message waiting (7-bit)
      return kSmsAlphabetGsm7;
  }
}

int32_t DecodePdu(const char* text, size_t len, DecodedSms* sms) {
  if (sms == nullptr) return 0;
  std::memset(sms, 0, sizeof *sms);
  if (text == nullptr) len = 0;
  PduText pdu(text, len);
  size_t pos = 0;

  // Service centre.
  uint8_t scLen = pdu.Octet(pos);
  if (scLen != 0) {
    size_t chars = 2 * (static_cast<size_t>(scLen) - 1);
    SemiOctetsToText(pdu.At(pos + 4), pdu.Avail(pos + 4, chars),
                     sms->m_strServiceCentre, sizeof sms->m_strServiceCentre);
    pos += 4 + chars;
  } else {
    pos += 2;
  }

  // First octet.
  uint8_t first = pdu.Octet(pos);
  pos += 2;
  bool submit = (first & 0x01) != 0;
  bool report = (first & 0x03) == 0x02;
  if (submit || report) pos += 2;  // message reference
  bool hasHeader = (first & 0x40) != 0;
  unsigned vpFormat = (first >> 3) & 0x03;

  // Address.
  size_t digits = pdu.Octet(pos);
  sms->m_nAddressType = pdu.Octet(pos + 2);
  pos += 4;
  DecodeAddress(pdu, pos, digits, sms);
  pos += digits + (digits & 1);

  if (report) {
    CopyTimeStamp(pdu, pos, sms);
    pos += 2 * kTimeStampChars;  // service-centre time stamp, discharge time
    // The address already carries the plus sign of an international number.
    std::snprintf(sms->m_strText, sizeof sms->m_strText,
                  "SMS was sent to %s, this is a status report.",
                  sms->m_strAddress);
    if (!pdu.Has(pos, 2)) return -1;
    return pdu.Octet(pos);
  }

  sms->m_nPid = pdu.Octet(pos);
  sms->m_nDcs = pdu.Octet(pos + 2);
  pos += 4;
  SmsAlphabet alphabet = DcsAlphabet(sms->m_nDcs);

  if (submit) {
    switch (vpFormat) {
      case 2: pos += 2; break;  // relative
      case 3:                   // absolute
        CopyTimeStamp(pdu, pos, sms);
        pos += kTimeStampChars;
        break;
      case 1: pos += kTimeStampChars; break;  // enhanced: 7 octets
      default: break;
    }
  } else {
    CopyTimeStamp(pdu, pos, sms);
    pos += kTimeStampChars;
  }

  size_t udl = pdu.Octet(pos);
  pos += 2;

  size_t headerLen = 0;
  if (hasHeader) {
    headerLen = pdu.Octet(pos);
    if (headerLen > 0) {
      uint8_t firstId = pdu.Octet(pos + 2);
      if (firstId == kIeiPorts8 || firstId == kIeiPorts16) {
        std::memcpy(sms->m_strText, kMmsNoticeSentence,
                    sizeof kMmsNoticeSentence);
        return static_cast<int32_t>(sizeof kMmsNoticeSentence - 1);
      }
    }
    uint8_t header[kSmsElementData];
    size_t got = pdu.Octets(pos + 2, headerLen, header, sizeof header);
    ParseHeader(header, got, sms);
  } else {
    SetNoHeader(sms);
  }
  // Octets taken by the header, its length octet included.
  size_t headerOctets = hasHeader ? headerLen + 1 : 0;
  size_t textPos = pos + 2 * headerOctets;
  uint8_t data[kMaxUserDataOctets];

  if (alphabet == kSmsAlphabetGsm7) {
    // Septets of text after the header; a header longer than the user data
    // leaves none.
    size_t headerSeptets = (8 * headerOctets + 6) / 7;
    if (udl <= headerSeptets) return 0;
    size_t septets = udl - headerSeptets;
    if (septets > kMaxSeptets) septets = kMaxSeptets;
    unsigned fill = hasHeader ? FillBitsAfterHeader(headerOctets) : 0;
    size_t octets = (fill + 7 * septets + 7) / 8;
    size_t got = pdu.Octets(textPos, octets, data, sizeof data);
    uint8_t unpacked[kMaxSeptets];
    size_t n = UnpackSeptetsAt(data, got, septets, fill, unpacked,
                               kMaxSeptets);
    return static_cast<int32_t>(SeptetsToText(unpacked, n, sms));
  }

  if (udl <= headerOctets) return 0;
  size_t octets = udl - headerOctets;
  size_t got = pdu.Octets(textPos, octets, data, sizeof data);
  if (alphabet == kSmsAlphabetUcs2) {
    return static_cast<int32_t>(
        Ucs2BeToAnsi(data, got, sms->m_strText, sizeof sms->m_strText));
  }
  if (got > sizeof sms->m_strText - 1) got = sizeof sms->m_strText - 1;
  std::memcpy(sms->m_strText, data, got);
  return static_cast<int32_t>(got);
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsPad(char c) { return c == 'F' || c == 'f'; }

// Two-character field at index i of a terminated string of length len.
int TimeField(const char* ts, size_t len, size_t i) {
  if (i >= len || IsPad(ts[i]) || !IsDigit(ts[i])) return 0;
  int v = ts[i] - '0';
  if (i + 1 >= len || IsPad(ts[i + 1])) return v;
  if (!IsDigit(ts[i + 1])) return 0;
  return v * 10 + (ts[i + 1] - '0');
}

}  // namespace

void TimeStampToClock(ClockRecord* clock, const char* timeStamp) {
  if (clock == nullptr) return;
  size_t len = 0;
  if (timeStamp != nullptr) {
    while (len < 12 && timeStamp[len] != '\0') ++len;
  }
  int year = TimeField(timeStamp, len, 0);
  int month = TimeField(timeStamp, len, 2);
  int day = TimeField(timeStamp, len, 4);
  int hour = TimeField(timeStamp, len, 6);
  int minute = TimeField(timeStamp, len, 8);
  int second = TimeField(timeStamp, len, 10);

  if (year == 0 || year > 99) {
    year = 2000;
  } else {
    year += year < 80 ? 2000 : 1900;
  }
  if (month == 0 || month > 12) month = 1;
  if (day == 0 || day > 31) day = 1;
  if (hour > 23) hour = 0;
  if (minute > 59) minute = 0;
  if (second > 59) second = 0;

  *clock = ClockRecord{};
  clock->m_nYear = static_cast<uint16_t>(year);
  clock->m_nMonth = static_cast<uint8_t>(month);
  clock->m_nDay = static_cast<uint8_t>(day);
  clock->m_nHour = static_cast<uint8_t>(hour);
  clock->m_nMinute = static_cast<uint8_t>(minute);
  clock->m_nSecond = static_cast<uint8_t>(second);
}

}  // namespace modlink
