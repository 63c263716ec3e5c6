#include "modlink/textcoding/charset.h"

#include <cstring>

#include "modlink/textcoding/hex_text.h"
#include "platform/codepage.h"

namespace modlink {

namespace {

// Units converted before the cut to one message: room for any text a
// client passes for a number or a name, the cut applies afterwards.
constexpr size_t kAnsiWorkUnits = 128;

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }

// Cut to at most limit units without separating a surrogate pair.
size_t CutUnits(const char16_t* units, size_t count, size_t limit) {
  if (count <= limit) return count;
  if (limit > 0 && IsHighSurrogate(units[limit - 1])) return limit - 1;
  return limit;
}

}  // namespace

size_t AnsiToUcs2(const char* text, int32_t len, char16_t* out, size_t cap) {
  if (text == nullptr || out == nullptr || cap == 0 || len < -1) return 0;
  size_t srcLen = len == -1 ? std::strlen(text) : static_cast<size_t>(len);
  if (srcLen == 0) return 0;
  return plat::AnsiToUtf16(text, srcLen, out, cap);
}

size_t Ucs2ToAnsi(const char16_t* units, size_t count, char* out,
                  size_t cap) {
  if (out == nullptr || cap == 0) return 0;
  size_t n = 0;
  if (units != nullptr && count > 0) {
    n = plat::Utf16ToAnsi(units, count, out, cap - 1);
  }
  out[n] = '\0';
  return n;
}

size_t Ucs2BeToAnsi(const uint8_t* bytes, size_t count, char* out,
                    size_t cap) {
  if (out == nullptr || cap == 0) return 0;
  out[0] = '\0';
  if (bytes == nullptr) return 0;
  // One message holds at most 140 octets; work in slices so any length
  // converts without a large stack buffer.
  char16_t units[kAnsiWorkUnits];
  size_t total = count / 2;
  size_t n = 0;
  for (size_t done = 0; done < total && n + 1 < cap;) {
    size_t slice = total - done;
    if (slice > kAnsiWorkUnits) slice = kAnsiWorkUnits;
    // Keep a high surrogate with its partner in the next slice.
    for (size_t i = 0; i < slice; ++i) {
      size_t b = 2 * (done + i);
      units[i] = static_cast<char16_t>((bytes[b] << 8) | bytes[b + 1]);
    }
    if (slice > 1 && done + slice < total && IsHighSurrogate(units[slice - 1])) {
      --slice;
    }
    size_t before = n;
    n += plat::Utf16ToAnsi(units, slice, out + n, cap - 1 - n);
    done += slice;
    if (n == before && slice > 0) break;  // destination full
  }
  out[n] = '\0';
  return n;
}

size_t AnsiToUcs2Be(const char* text, int32_t len, uint8_t* out,
                    size_t cap) {
  if (out == nullptr) return 0;
  char16_t units[kAnsiWorkUnits];
  size_t n = AnsiToUcs2(text, len, units, kAnsiWorkUnits);
  n = CutUnits(units, n, kMaxUcs2SmsUnits);
  n = CutUnits(units, n, cap / 2);
  for (size_t i = 0; i < n; ++i) {
    out[2 * i] = static_cast<uint8_t>(units[i] >> 8);
    out[2 * i + 1] = static_cast<uint8_t>(units[i] & 0xFF);
  }
  return 2 * n;
}

size_t Ucs2HexToAnsi(const char* hex, size_t chars, char* out, size_t cap) {
  if (out == nullptr || cap == 0) return 0;
  out[0] = '\0';
  if (hex == nullptr) return 0;
  char16_t units[kAnsiWorkUnits];
  size_t total = chars / 4;
  size_t n = 0;
  for (size_t done = 0; done < total && n + 1 < cap;) {
    size_t slice = total - done;
    if (slice > kAnsiWorkUnits) slice = kAnsiWorkUnits;
    for (size_t i = 0; i < slice; ++i) {
      const char* p = hex + 4 * (done + i);
      unsigned u = (static_cast<unsigned>(HexDigitValue(p[0])) << 12) |
                   (static_cast<unsigned>(HexDigitValue(p[1])) << 8) |
                   (static_cast<unsigned>(HexDigitValue(p[2])) << 4) |
                   static_cast<unsigned>(HexDigitValue(p[3]));
      units[i] = static_cast<char16_t>(u & 0xFFFF);
    }
    if (slice > 1 && done + slice < total && IsHighSurrogate(units[slice - 1])) {
      --slice;
    }
    size_t before = n;
    n += plat::Utf16ToAnsi(units, slice, out + n, cap - 1 - n);
    done += slice;
    if (n == before && slice > 0) break;
  }
  out[n] = '\0';
  return n;
}

size_t AnsiToUcs2Hex(const char* text, int32_t len, char* out, size_t cap) {
  if (out == nullptr || cap == 0) return 0;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char16_t units[kAnsiWorkUnits];
  size_t n = AnsiToUcs2(text, len, units, kAnsiWorkUnits);
  n = CutUnits(units, n, kMaxUcs2SmsUnits);
  n = CutUnits(units, n, (cap - 1) / 4);
  char* p = out;
  for (size_t i = 0; i < n; ++i) {
    unsigned u = units[i];
    *p++ = kDigits[(u >> 12) & 0xF];
    *p++ = kDigits[(u >> 8) & 0xF];
    *p++ = kDigits[(u >> 4) & 0xF];
    *p++ = kDigits[u & 0xF];
  }
  *p = '\0';
  return 4 * n;
}

}  // namespace modlink
