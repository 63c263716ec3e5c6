// SMS PDU coding (TS 23.040, TS 23.038); see sms_pdu.h.
#include "sms_pdu.h"

#include <array>
#include <cctype>

namespace cardsim {
namespace {

// TS 23.038 6.2.1 default alphabet, by code.
constexpr std::array<uint16_t, 128> kGsmDefault = {
    0x0040, 0x00A3, 0x0024, 0x00A5, 0x00E8, 0x00E9, 0x00F9,
    0x00EC, 0x00F2, 0x00C7, 0x000A, 0x00D8, 0x00F8, 0x000D,
    0x00C5, 0x00E5, 0x0394, 0x005F, 0x03A6, 0x0393, 0x039B,
    0x03A9, 0x03A0, 0x03A8, 0x03A3, 0x0398, 0x039E, 0x00A0 /* escape */,
    0x00C6, 0x00E6, 0x00DF, 0x00C9, 0x0020, 0x0021, 0x0022,
    0x0023, 0x00A4, 0x0025, 0x0026, 0x0027, 0x0028, 0x0029,
    0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F, 0x0030,
    0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E,
    0x003F, 0x00A1, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045,
    0x0046, 0x0047, 0x0048, 0x0049, 0x004A, 0x004B, 0x004C,
    0x004D, 0x004E, 0x004F, 0x0050, 0x0051, 0x0052, 0x0053,
    0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A,
    0x00C4, 0x00D6, 0x00D1, 0x00DC, 0x00A7, 0x00BF, 0x0061,
    0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, 0x0068,
    0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076,
    0x0077, 0x0078, 0x0079, 0x007A, 0x00E4, 0x00F6, 0x00F1,
    0x00FC, 0x00E0};

constexpr uint8_t kEscape = 0x1B;

// TS 23.038 6.2.1.1 default extension table: {code after escape, character}.
constexpr std::array<std::array<uint16_t, 2>, 10> kGsmExtension = {{{0x0A, 0x000C},
                                                                    {0x14, 0x005E},
                                                                    {0x28, 0x007B},
                                                                    {0x29, 0x007D},
                                                                    {0x2F, 0x005C},
                                                                    {0x3C, 0x005B},
                                                                    {0x3D, 0x007E},
                                                                    {0x3E, 0x005D},
                                                                    {0x40, 0x007C},
                                                                    {0x65, 0x20AC}}};

uint8_t SwapBcd(int value) {
  return static_cast<uint8_t>(((value % 10) << 4) | ((value / 10) % 10));
}

int UnswapBcd(uint8_t octet) { return (octet & 0x0F) * 10 + (octet >> 4); }

bool IsDialString(const std::string& s) {
  size_t start = (!s.empty() && s[0] == '+') ? 1 : 0;
  if (start == s.size()) return false;
  for (size_t i = start; i < s.size(); ++i) {
    char c = s[i];
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '*' && c != '#') return false;
  }
  return true;
}

uint8_t DigitNibble(char c) {
  if (c == '*') return 0xA;
  if (c == '#') return 0xB;
  return static_cast<uint8_t>(c - '0');
}

char NibbleDigit(uint8_t n) {
  static const char kDigits[] = "0123456789*#abc";
  return n < 15 ? kDigits[n] : '?';
}

// Semi-octet digits, each pair swapped, odd count padded with F.
void AppendSemiOctets(const std::string& digits, std::vector<uint8_t>* out) {
  for (size_t i = 0; i < digits.size(); i += 2) {
    uint8_t lo = DigitNibble(digits[i]);
    uint8_t hi = i + 1 < digits.size() ? DigitNibble(digits[i + 1]) : 0xF;
    out->push_back(static_cast<uint8_t>((hi << 4) | lo));
  }
}

// TP address (originator, destination, recipient): length in semi-octets.
bool AppendTpAddress(const std::string& address, std::vector<uint8_t>* out) {
  if (IsDialString(address)) {
    bool international = address[0] == '+';
    std::string digits = international ? address.substr(1) : address;
    if (digits.size() > 20) return false;
    out->push_back(static_cast<uint8_t>(digits.size()));
    out->push_back(international ? 0x91 : 0x81);
    AppendSemiOctets(digits, out);
    return true;
  }
  // Alphanumeric (TS 23.040 9.1.2.5, type 101): GSM 7-bit packed, at most 11 chars.
  auto septets = Utf8ToGsmSeptets(address);
  if (!septets || septets->empty() || septets->size() > 11) return false;
  std::vector<uint8_t> packed = PackSeptets(*septets, 0);
  size_t semiOctets = (septets->size() * 7 + 3) / 4;
  out->push_back(static_cast<uint8_t>(semiOctets));
  out->push_back(0xD0);
  out->insert(out->end(), packed.begin(), packed.end());
  return true;
}

// RP/SC address: length in octets of type and digits.
bool AppendScAddress(const std::string& address, std::vector<uint8_t>* out) {
  if (address.empty()) {
    out->push_back(0);
    return true;
  }
  if (!IsDialString(address)) return false;
  bool international = address[0] == '+';
  std::string digits = international ? address.substr(1) : address;
  if (digits.size() > 20) return false;
  out->push_back(static_cast<uint8_t>(1 + (digits.size() + 1) / 2));
  out->push_back(international ? 0x91 : 0x81);
  AppendSemiOctets(digits, out);
  return true;
}

void AppendTimestamp(const SmsTimestamp& t, std::vector<uint8_t>* out) {
  out->push_back(SwapBcd(t.year % 100));
  out->push_back(SwapBcd(t.month));
  out->push_back(SwapBcd(t.day));
  out->push_back(SwapBcd(t.hour));
  out->push_back(SwapBcd(t.minute));
  out->push_back(SwapBcd(t.second));
  int q = t.tzQuarters < 0 ? -t.tzQuarters : t.tzQuarters;
  uint8_t tz = SwapBcd(q % 80);
  if (t.tzQuarters < 0) tz = static_cast<uint8_t>(tz | 0x08);
  out->push_back(tz);
}

uint8_t DataCodingOctet(SmsCoding coding, int messageClass) {
  uint8_t alphabet = coding == SmsCoding::kGsm7 ? 0x00 : coding == SmsCoding::kData8 ? 0x04 : 0x08;
  if (messageClass >= 0 && messageClass <= 3)
    return static_cast<uint8_t>(0x10 | alphabet | messageClass);
  return alphabet;
}

// Appends TP-UDL and TP-UD for |units| already in the coding's unit (septets,
// octets or UCS-2 code units), with |header| (without its length octet).
bool AppendUserData(SmsCoding coding, const std::vector<uint8_t>& header,
                    const std::vector<uint16_t>& units, std::vector<uint8_t>* out) {
  size_t headerOctets = header.empty() ? 0 : header.size() + 1;
  std::vector<uint8_t> headerBytes;
  if (!header.empty()) {
    headerBytes.push_back(static_cast<uint8_t>(header.size()));
    headerBytes.insert(headerBytes.end(), header.begin(), header.end());
  }
  if (coding == SmsCoding::kGsm7) {
    int fill = static_cast<int>((7 - (headerOctets * 8) % 7) % 7);
    size_t udl = (headerOctets * 8 + static_cast<size_t>(fill)) / 7 + units.size();
    if (udl > 160) return false;
    std::vector<uint8_t> septets;
    for (uint16_t u : units) septets.push_back(static_cast<uint8_t>(u));
    std::vector<uint8_t> packed = PackSeptets(septets, fill);
    out->push_back(static_cast<uint8_t>(udl));
    out->insert(out->end(), headerBytes.begin(), headerBytes.end());
    out->insert(out->end(), packed.begin(), packed.end());
    return true;
  }
  size_t octets = headerOctets + units.size() * (coding == SmsCoding::kUcs2 ? 2 : 1);
  if (octets > 140) return false;
  out->push_back(static_cast<uint8_t>(octets));
  out->insert(out->end(), headerBytes.begin(), headerBytes.end());
  for (uint16_t u : units) {
    if (coding == SmsCoding::kUcs2) out->push_back(static_cast<uint8_t>(u >> 8));
    out->push_back(static_cast<uint8_t>(u & 0xFF));
  }
  return true;
}

// Text in the coding's units: septets (escape pairs as two units), octets or UCS-2.
bool TextUnits(SmsCoding coding, const std::string& text, std::vector<uint16_t>* units) {
  units->clear();
  if (coding == SmsCoding::kGsm7) {
    auto septets = Utf8ToGsmSeptets(text);
    if (!septets) return false;
    for (uint8_t s : *septets) units->push_back(s);
    return true;
  }
  if (coding == SmsCoding::kData8) {
    for (char c : text) units->push_back(static_cast<uint8_t>(c));
    return true;
  }
  return Utf8ToUnits(text, units);
}

std::vector<uint8_t> ConcatHeader(const ConcatInfo& c) {
  return {0x00, 0x03, static_cast<uint8_t>(c.reference & 0xFF),
          static_cast<uint8_t>(c.total & 0xFF), static_cast<uint8_t>(c.sequence & 0xFF)};
}

std::optional<std::string> BuildDeliver(const DeliverMessage& m, const ConcatInfo* concat,
                                        const std::vector<uint16_t>& units) {
  std::vector<uint8_t> pdu;
  if (!AppendScAddress(m.serviceCentre, &pdu)) return std::nullopt;
  // MTI 00 (deliver); TP-MMS set: no more messages waiting.
  uint8_t first = 0x04;
  if (m.statusReportIndication) first |= 0x20;
  if (concat) first |= 0x40;
  if (m.replyPath) first |= 0x80;
  pdu.push_back(first);
  if (!AppendTpAddress(m.originator, &pdu)) return std::nullopt;
  pdu.push_back(0x00);  // TP-PID
  pdu.push_back(DataCodingOctet(m.coding, m.messageClass));
  AppendTimestamp(m.timestamp, &pdu);
  std::vector<uint8_t> header;
  if (concat) header = ConcatHeader(*concat);
  if (!AppendUserData(m.coding, header, units, &pdu)) return std::nullopt;
  return HexEncode(pdu);
}

// Reads TP address at |pos|; returns false when the PDU is too short.
bool ReadTpAddress(const std::vector<uint8_t>& b, size_t* pos, std::string* address, int* type) {
  if (*pos + 2 > b.size()) return false;
  size_t semi = b[*pos];
  uint8_t toa = b[*pos + 1];
  size_t octets = (semi + 1) / 2;
  *pos += 2;
  if (*pos + octets > b.size()) return false;
  *type = toa;
  address->clear();
  if ((toa & 0x70) == 0x50) {
    std::vector<uint8_t> raw(b.begin() + static_cast<std::ptrdiff_t>(*pos),
                             b.begin() + static_cast<std::ptrdiff_t>(*pos + octets));
    *address = GsmSeptetsToUtf8(UnpackSeptets(raw, semi * 4 / 7, 0));
  } else {
    if ((toa & 0x70) == 0x10) *address = "+";
    for (size_t i = 0; i < semi; ++i) {
      uint8_t octet = b[*pos + i / 2];
      uint8_t n = (i % 2 == 0) ? (octet & 0x0F) : (octet >> 4);
      *address += NibbleDigit(n);
    }
  }
  *pos += octets;
  return true;
}

bool ReadTimestamp(const std::vector<uint8_t>& b, size_t* pos, SmsTimestamp* t) {
  if (*pos + 7 > b.size()) return false;
  const uint8_t* p = &b[*pos];
  t->year = UnswapBcd(p[0]);
  t->month = UnswapBcd(p[1]);
  t->day = UnswapBcd(p[2]);
  t->hour = UnswapBcd(p[3]);
  t->minute = UnswapBcd(p[4]);
  t->second = UnswapBcd(p[5]);
  int q = (p[6] & 0x07) * 10 + (p[6] >> 4);
  t->tzQuarters = (p[6] & 0x08) ? -q : q;
  *pos += 7;
  return true;
}

SmsCoding CodingFromDcs(int dcs) {
  int group = dcs >> 4;
  if (group <= 0x7) {  // general data coding (0x4-0x7: automatic deletion)
    int alphabet = (dcs >> 2) & 0x03;
    return alphabet == 1 ? SmsCoding::kData8 : alphabet == 2 ? SmsCoding::kUcs2 : SmsCoding::kGsm7;
  }
  if (group == 0xE) return SmsCoding::kUcs2;
  if (group == 0xF) return (dcs & 0x04) ? SmsCoding::kData8 : SmsCoding::kGsm7;
  return SmsCoding::kGsm7;
}

bool ReadUserData(const std::vector<uint8_t>& b, size_t pos, bool udhi, DecodedPdu* d,
                  std::string* error) {
  if (pos >= b.size()) {
    // A PDU may end before TP-UDL only in no case we accept.
    *error = "missing user data length";
    return false;
  }
  size_t udl = b[pos++];
  size_t udOctets = d->coding == SmsCoding::kGsm7 ? (udl * 7 + 7) / 8 : udl;
  if (pos + udOctets > b.size()) {
    *error = "user data shorter than its length";
    return false;
  }
  std::vector<uint8_t> ud(b.begin() + static_cast<std::ptrdiff_t>(pos),
                          b.begin() + static_cast<std::ptrdiff_t>(pos + udOctets));
  size_t headerOctets = 0;
  if (udhi) {
    if (ud.empty() || static_cast<size_t>(ud[0]) + 1 > ud.size()) {
      *error = "user data header longer than the user data";
      return false;
    }
    headerOctets = static_cast<size_t>(ud[0]) + 1;
    size_t i = 1;
    while (i + 2 <= headerOctets) {
      UdhElement e;
      e.id = ud[i];
      size_t len = ud[i + 1];
      if (i + 2 + len > headerOctets) {
        *error = "header element overruns the header";
        return false;
      }
      e.data.assign(ud.begin() + static_cast<std::ptrdiff_t>(i + 2),
                    ud.begin() + static_cast<std::ptrdiff_t>(i + 2 + len));
      if (e.id == 0x00 && len == 3) {
        d->concat = ConcatInfo{e.data[0], e.data[1], e.data[2]};
      } else if (e.id == 0x08 && len == 4) {
        d->concat = ConcatInfo{(e.data[0] << 8) | e.data[1], e.data[2], e.data[3]};
      }
      d->header.push_back(std::move(e));
      i += 2 + len;
    }
  }
  if (d->coding == SmsCoding::kGsm7) {
    int fill = static_cast<int>((7 - (headerOctets * 8) % 7) % 7);
    size_t headerSeptets = (headerOctets * 8 + static_cast<size_t>(fill)) / 7;
    if (headerSeptets > udl) {
      *error = "header longer than the user data";
      return false;
    }
    std::vector<uint8_t> body(ud.begin() + static_cast<std::ptrdiff_t>(headerOctets), ud.end());
    d->text = GsmSeptetsToUtf8(UnpackSeptets(body, udl - headerSeptets, fill));
  } else if (d->coding == SmsCoding::kUcs2) {
    std::vector<uint16_t> units;
    for (size_t i = headerOctets; i + 1 < ud.size(); i += 2)
      units.push_back(static_cast<uint16_t>((ud[i] << 8) | ud[i + 1]));
    d->text = UnitsToUtf8(units);
  } else {
    d->text.assign(ud.begin() + static_cast<std::ptrdiff_t>(headerOctets), ud.end());
  }
  return true;
}

}  // namespace

std::string HexEncode(const std::vector<uint8_t>& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
  }
  return out;
}

bool HexDecode(const std::string& hex, std::vector<uint8_t>* bytes) {
  if (hex.size() % 2 != 0) return false;
  bytes->clear();
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = nibble(hex[i]), lo = nibble(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes->push_back(static_cast<uint8_t>((hi << 4) | lo));
  }
  return true;
}

bool Utf8ToUnits(const std::string& utf8, std::vector<uint16_t>* units) {
  units->clear();
  for (size_t i = 0; i < utf8.size();) {
    auto c = static_cast<uint8_t>(utf8[i]);
    uint32_t cp;
    size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      len = 3;
    } else {
      return false;  // 4-byte sequences are outside the BMP; invalid leads too
    }
    if (i + len > utf8.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      auto cc = static_cast<uint8_t>(utf8[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    units->push_back(static_cast<uint16_t>(cp));
    i += len;
  }
  return true;
}

std::string UnitsToUtf8(const std::vector<uint16_t>& units) {
  std::string out;
  for (uint16_t u : units) {
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

std::optional<std::string> Utf8ToUcs2Hex(const std::string& utf8) {
  std::vector<uint16_t> units;
  if (!Utf8ToUnits(utf8, &units)) return std::nullopt;
  std::vector<uint8_t> bytes;
  for (uint16_t u : units) {
    bytes.push_back(static_cast<uint8_t>(u >> 8));
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
  }
  return HexEncode(bytes);
}

std::optional<std::string> Ucs2HexToUtf8(const std::string& hex) {
  std::vector<uint8_t> bytes;
  if (hex.size() % 4 != 0 || !HexDecode(hex, &bytes)) return std::nullopt;
  std::vector<uint16_t> units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units.push_back(static_cast<uint16_t>((bytes[i] << 8) | bytes[i + 1]));
  return UnitsToUtf8(units);
}

std::optional<std::vector<uint8_t>> Utf8ToGsmSeptets(const std::string& utf8) {
  std::vector<uint16_t> units;
  if (!Utf8ToUnits(utf8, &units)) return std::nullopt;
  std::vector<uint8_t> out;
  for (uint16_t u : units) {
    bool found = false;
    for (size_t code = 0; code < kGsmDefault.size(); ++code) {
      if (code != kEscape && kGsmDefault[code] == u) {
        out.push_back(static_cast<uint8_t>(code));
        found = true;
        break;
      }
    }
    if (found) continue;
    for (const auto& e : kGsmExtension) {
      if (e[1] == u) {
        out.push_back(kEscape);
        out.push_back(static_cast<uint8_t>(e[0]));
        found = true;
        break;
      }
    }
    if (!found) return std::nullopt;
  }
  return out;
}

std::string GsmSeptetsToUtf8(const std::vector<uint8_t>& septets) {
  std::vector<uint16_t> units;
  for (size_t i = 0; i < septets.size(); ++i) {
    uint8_t s = septets[i] & 0x7F;
    if (s == kEscape && i + 1 < septets.size()) {
      uint8_t next = septets[++i] & 0x7F;
      uint16_t mapped = 0;
      for (const auto& e : kGsmExtension)
        if (e[0] == next) mapped = e[1];
      // TS 23.038: an unknown extension code shows as its default-table character.
      units.push_back(mapped ? mapped : kGsmDefault[next]);
    } else if (s == kEscape) {
      units.push_back(0x0020);
    } else {
      units.push_back(kGsmDefault[s]);
    }
  }
  return UnitsToUtf8(units);
}

std::vector<uint8_t> PackSeptets(const std::vector<uint8_t>& septets, int fillBits) {
  size_t totalBits = static_cast<size_t>(fillBits) + septets.size() * 7;
  std::vector<uint8_t> out((totalBits + 7) / 8, 0);
  size_t bit = static_cast<size_t>(fillBits);
  for (uint8_t s : septets) {
    for (int k = 0; k < 7; ++k, ++bit) {
      if (s & (1 << k)) out[bit / 8] = static_cast<uint8_t>(out[bit / 8] | (1 << (bit % 8)));
    }
  }
  return out;
}

std::vector<uint8_t> UnpackSeptets(const std::vector<uint8_t>& octets, size_t septetCount,
                                   int fillBits) {
  std::vector<uint8_t> out;
  size_t bit = static_cast<size_t>(fillBits);
  for (size_t n = 0; n < septetCount; ++n) {
    uint8_t s = 0;
    for (int k = 0; k < 7; ++k, ++bit) {
      if (bit / 8 >= octets.size()) return out;
      if (octets[bit / 8] & (1 << (bit % 8))) s = static_cast<uint8_t>(s | (1 << k));
    }
    out.push_back(s);
  }
  return out;
}

std::optional<std::string> EncodeDeliver(const DeliverMessage& message, const ConcatInfo* concat) {
  std::vector<uint16_t> units;
  if (!TextUnits(message.coding, message.text, &units)) return std::nullopt;
  return BuildDeliver(message, concat, units);
}

std::vector<std::string> EncodeDeliverParts(const DeliverMessage& message, int reference) {
  std::vector<uint16_t> units;
  if (!TextUnits(message.coding, message.text, &units)) return {};
  size_t single = message.coding == SmsCoding::kGsm7   ? 160
                  : message.coding == SmsCoding::kUcs2 ? 70
                                                       : 140;
  if (units.size() <= single) {
    auto pdu = BuildDeliver(message, nullptr, units);
    if (!pdu) return {};
    return {*pdu};
  }
  size_t perPart = message.coding == SmsCoding::kGsm7   ? 153
                   : message.coding == SmsCoding::kUcs2 ? 67
                                                        : 134;
  std::vector<std::vector<uint16_t>> parts;
  for (size_t i = 0; i < units.size();) {
    size_t n = std::min(perPart, units.size() - i);
    // Never leave an escape code as the last septet of a part.
    if (message.coding == SmsCoding::kGsm7 && i + n < units.size() && units[i + n - 1] == kEscape)
      --n;
    parts.emplace_back(units.begin() + static_cast<std::ptrdiff_t>(i),
                       units.begin() + static_cast<std::ptrdiff_t>(i + n));
    i += n;
  }
  if (parts.size() > 255) return {};
  std::vector<std::string> out;
  for (size_t k = 0; k < parts.size(); ++k) {
    ConcatInfo c{reference, static_cast<int>(parts.size()), static_cast<int>(k + 1)};
    auto pdu = BuildDeliver(message, &c, parts[k]);
    if (!pdu) return {};
    out.push_back(*pdu);
  }
  return out;
}

std::optional<std::string> EncodeStatusReport(const StatusReport& r) {
  std::vector<uint8_t> pdu;
  if (!AppendScAddress(r.serviceCentre, &pdu)) return std::nullopt;
  pdu.push_back(0x06);  // MTI 10 (status report), TP-MMS set
  pdu.push_back(static_cast<uint8_t>(r.messageReference & 0xFF));
  if (!AppendTpAddress(r.recipient, &pdu)) return std::nullopt;
  AppendTimestamp(r.serviceCentreTime, &pdu);
  AppendTimestamp(r.dischargeTime, &pdu);
  pdu.push_back(static_cast<uint8_t>(r.status & 0xFF));
  return HexEncode(pdu);
}

int TpduLength(const std::string& hex) {
  std::vector<uint8_t> bytes;
  if (!HexDecode(hex, &bytes) || bytes.empty()) return -1;
  size_t sca = static_cast<size_t>(bytes[0]) + 1;
  if (sca > bytes.size()) return -1;
  return static_cast<int>(bytes.size() - sca);
}

std::optional<DecodedPdu> DecodePdu(const std::string& hex, bool withSca, std::string* error) {
  std::string scratch;
  if (!error) error = &scratch;
  std::vector<uint8_t> b;
  if (!HexDecode(hex, &b)) {
    *error = "not hexadecimal text";
    return std::nullopt;
  }
  DecodedPdu d;
  size_t pos = 0;
  if (withSca) {
    if (b.empty()) {
      *error = "empty PDU";
      return std::nullopt;
    }
    size_t len = b[0];
    if (1 + len > b.size()) {
      *error = "service-centre address overruns the PDU";
      return std::nullopt;
    }
    if (len >= 1) {
      uint8_t toa = b[1];
      if ((toa & 0x70) == 0x10) d.serviceCentre = "+";
      for (size_t i = 2; i < 1 + len; ++i) {
        d.serviceCentre += NibbleDigit(b[i] & 0x0F);
        if ((b[i] >> 4) != 0xF) d.serviceCentre += NibbleDigit(static_cast<uint8_t>(b[i] >> 4));
      }
    }
    pos = 1 + len;
  }
  if (pos >= b.size()) {
    *error = "no TPDU";
    return std::nullopt;
  }
  uint8_t first = b[pos++];
  d.firstOctet = first;
  bool udhi = (first & 0x40) != 0;
  int mti = first & 0x03;
  auto truncated = [&]() {
    *error = "PDU ends early";
    return std::nullopt;
  };
  if (mti == 0) {
    d.type = DecodedPdu::Type::kDeliver;
    if (!ReadTpAddress(b, &pos, &d.address, &d.addressType)) return truncated();
    if (pos + 2 > b.size()) return truncated();
    d.protocolId = b[pos++];
    d.dataCoding = b[pos++];
    d.coding = CodingFromDcs(d.dataCoding);
    if (!ReadTimestamp(b, &pos, &d.timestamp)) return truncated();
    if (!ReadUserData(b, pos, udhi, &d, error)) return std::nullopt;
    return d;
  }
  if (mti == 1) {
    d.type = DecodedPdu::Type::kSubmit;
    d.statusReportRequest = (first & 0x20) != 0;
    d.validityFormat = (first >> 3) & 0x03;
    if (pos >= b.size()) return truncated();
    d.messageReference = b[pos++];
    if (!ReadTpAddress(b, &pos, &d.address, &d.addressType)) return truncated();
    if (pos + 2 > b.size()) return truncated();
    d.protocolId = b[pos++];
    d.dataCoding = b[pos++];
    d.coding = CodingFromDcs(d.dataCoding);
    size_t vpLen = d.validityFormat == 0 ? 0 : d.validityFormat == 2 ? 1 : 7;
    if (pos + vpLen > b.size()) return truncated();
    d.validity.assign(b.begin() + static_cast<std::ptrdiff_t>(pos),
                      b.begin() + static_cast<std::ptrdiff_t>(pos + vpLen));
    pos += vpLen;
    if (!ReadUserData(b, pos, udhi, &d, error)) return std::nullopt;
    return d;
  }
  if (mti == 2) {
    d.type = DecodedPdu::Type::kStatusReport;
    if (pos >= b.size()) return truncated();
    d.messageReference = b[pos++];
    if (!ReadTpAddress(b, &pos, &d.address, &d.addressType)) return truncated();
    if (!ReadTimestamp(b, &pos, &d.timestamp)) return truncated();
    if (!ReadTimestamp(b, &pos, &d.dischargeTime)) return truncated();
    if (pos >= b.size()) return truncated();
    d.status = b[pos++];
    return d;
  }
  *error = "reserved message type";
  return std::nullopt;
}

}  // namespace cardsim
