// Code-page conversion on Windows: the system's ANSI code page (CP_ACP),
// which is single-byte, double-byte or UTF-8.
//
// The conversion goes one character at a time so that the destination's
// bound never splits a character, and so that a byte sequence the code page
// does not define, or a character it cannot represent, becomes exactly one
// '?' instead of whatever default character the system would substitute.
#include "platform/codepage.h"

#include <windows.h>

#include <cstdio>

namespace plat {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t");

struct AnsiCodePage {
  UINT id = CP_ACP;
  bool utf8 = false;
  bool doubleByte = false;
  char name[16] = {};
};

const AnsiCodePage& Acp() {
  static const AnsiCodePage acp = [] {
    AnsiCodePage cp;
    cp.id = GetACP();
    cp.utf8 = cp.id == CP_UTF8;
    CPINFO info;
    if (!cp.utf8 && GetCPInfo(cp.id, &info)) cp.doubleByte = info.MaxCharSize == 2;
    std::snprintf(cp.name, sizeof(cp.name), "CP%u", static_cast<unsigned>(cp.id));
    return cp;
  }();
  return acp;
}

// Bytes the character starting at p claims (before validation).
size_t CharLength(const AnsiCodePage& cp, const char* p, size_t avail) {
  const auto lead = static_cast<unsigned char>(*p);
  size_t len = 1;
  if (cp.utf8) {
    if (lead >= 0xF0) {
      len = 4;
    } else if (lead >= 0xE0) {
      len = 3;
    } else if (lead >= 0xC0) {
      len = 2;
    }
  } else if (cp.doubleByte && IsDBCSLeadByteEx(cp.id, lead)) {
    len = 2;
  }
  return len <= avail ? len : 1;
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

size_t AnsiToUtf16(const char* src, size_t srcLen, char16_t* dst,
                   size_t dstCap) {
  if (src == nullptr || dst == nullptr) return 0;
  const AnsiCodePage& cp = Acp();
  size_t in = 0;
  size_t out = 0;
  while (in < srcLen && out < dstCap) {
    const size_t len = CharLength(cp, src + in, srcLen - in);
    wchar_t units[4];
    const int n = MultiByteToWideChar(cp.id, MB_ERR_INVALID_CHARS, src + in,
                                      static_cast<int>(len), units, 4);
    if (n <= 0) {
      // Undefined sequence: one '?' for its first byte; what follows is
      // decoded on its own.
      dst[out++] = u'?';
      in += 1;
      continue;
    }
    if (static_cast<size_t>(n) > dstCap - out) break;
    for (int i = 0; i < n; ++i) dst[out++] = static_cast<char16_t>(units[i]);
    in += len;
  }
  return out;
}

size_t Utf16ToAnsi(const char16_t* src, size_t srcLen, char* dst,
                   size_t dstCap) {
  if (src == nullptr || dst == nullptr) return 0;
  const AnsiCodePage& cp = Acp();
  size_t in = 0;
  size_t out = 0;
  while (in < srcLen && out < dstCap) {
    size_t len = 1;
    bool valid = true;
    if (IsHighSurrogate(src[in])) {
      if (in + 1 < srcLen && IsLowSurrogate(src[in + 1])) {
        len = 2;
      } else {
        valid = false;
      }
    } else if (IsLowSurrogate(src[in])) {
      valid = false;
    }
    char bytes[8];
    int n = 0;
    if (valid) {
      const auto* units = reinterpret_cast<const wchar_t*>(src + in);
      if (cp.utf8) {
        n = WideCharToMultiByte(cp.id, WC_ERR_INVALID_CHARS, units,
                                static_cast<int>(len), bytes, sizeof(bytes),
                                nullptr, nullptr);
      } else {
        BOOL usedDefault = FALSE;
        n = WideCharToMultiByte(cp.id, WC_NO_BEST_FIT_CHARS, units,
                                static_cast<int>(len), bytes, sizeof(bytes),
                                "?", &usedDefault);
        if (usedDefault) n = 0;
      }
    }
    if (n <= 0) {
      bytes[0] = '?';
      n = 1;
    }
    if (static_cast<size_t>(n) > dstCap - out) break;
    for (int i = 0; i < n; ++i) dst[out++] = bytes[i];
    in += len;
  }
  return out;
}

const char* AnsiCodePageName() { return Acp().name; }

}  // namespace plat
