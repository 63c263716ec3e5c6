#include "modlink/textcoding/hex_text.h"

namespace modlink {

namespace {

// Digits accepted by HexToBytes: upper case only.
int UpperHexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr char kUpperDigits[] = "0123456789ABCDEF";

}  // namespace

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return kHexInvalid;
}

size_t HexToBytes(const char* hex, size_t chars, uint8_t* out, size_t cap) {
  if (hex == nullptr || out == nullptr) return 0;
  size_t valid = 0;
  for (size_t i = 0, n = 0; i < chars && n < cap; i += 2, ++n) {
    int hi = UpperHexValue(hex[i]);
    if (hi >= 0) {
      out[n] = static_cast<uint8_t>(hi << 4);
      ++valid;
    }
    if (i + 1 < chars) {
      int lo = UpperHexValue(hex[i + 1]);
      if (lo >= 0) {
        out[n] = static_cast<uint8_t>((out[n] & 0xF0) | lo);
        ++valid;
      }
    }
  }
  return valid / 2;
}

size_t BytesToHex(const uint8_t* bytes, size_t count, char* out, size_t cap) {
  if (out == nullptr || cap == 0) return 0;
  size_t n = 0;
  if (bytes != nullptr) {
    for (size_t i = 0; i < count && n + 2 < cap; ++i) {
      out[n++] = kUpperDigits[bytes[i] >> 4];
      out[n++] = kUpperDigits[bytes[i] & 0x0F];
    }
  }
  out[n] = '\0';
  return n;
}

size_t SemiOctetsToText(const char* semi, size_t chars, char* out,
                        size_t cap) {
  if (out == nullptr || cap == 0) return 0;
  size_t n = 0;
  if (semi != nullptr) {
    for (size_t i = 0; i < chars && n + 1 < cap; i += 2) {
      if (i + 1 < chars) {
        out[n++] = semi[i + 1];
        if (n + 1 < cap) out[n++] = semi[i];
      } else {
        out[n++] = semi[i];
      }
    }
  }
  if (n > 0 && (out[n - 1] == 'F' || out[n - 1] == 'f')) --n;
  out[n] = '\0';
  return n;
}

size_t TextToSemiOctets(const char* digits, size_t count, char* out,
                        size_t cap) {
  if (out == nullptr || cap == 0) return 0;
  size_t n = 0;
  if (digits != nullptr) {
    for (size_t i = 0; i < count && n + 2 < cap; i += 2) {
      out[n++] = i + 1 < count ? digits[i + 1] : 'F';
      out[n++] = digits[i];
    }
  }
  out[n] = '\0';
  return n;
}

}  // namespace modlink
