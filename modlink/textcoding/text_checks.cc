#include "modlink/textcoding/text_checks.h"


#include "modlink/textcoding/charset.h"
#include "modlink/textcoding/gsm_alphabet.h"

namespace modlink {

namespace {

// The text as UCS-2 up to its first zero unit (6.6 KB on the caller's
// stack; no allocation, so nothing can throw across the exports).
struct Units {
  char16_t m_data[kCheckMaxUnits];
  size_t m_count = 0;
  bool m_valid = false;

  Units(const char* text, int32_t len) {
    if (text == nullptr || len < -1) return;
    size_t n = AnsiToUcs2(text, len, m_data, kCheckMaxUnits);
    while (m_count < n && m_data[m_count] != 0) ++m_count;
    m_valid = true;
  }
  const char16_t* begin() const { return m_data; }
  const char16_t* end() const { return m_data + m_count; }
};

}  // namespace

int32_t GetSmsLen(const char* text, int32_t len) {
  Units units(text, len);
  if (!units.m_valid) return 0;
  int32_t septets = 0;
  for (char16_t u : units) septets += IsGsmExtensionChar(u) ? 2 : 1;
  return septets;
}

int32_t IsPureAsciiString(const char* text, int32_t len, int32_t* shiftFlag) {
  if (shiftFlag != nullptr) *shiftFlag = 0;
  Units units(text, len);
  if (!units.m_valid) return 0;
  bool shift = false;
  for (char16_t u : units) {
    if (!IsGsmDefaultChar(u) && !IsGsmExtensionChar(u)) return 0;
    if (IsGsmShiftChar(u)) shift = true;
  }
  if (shift && shiftFlag != nullptr) *shiftFlag = 1;
  return 1;
}

int32_t IsPureAsciiStringPc(const char* text, int32_t len) {
  Units units(text, len);
  if (!units.m_valid) return 0;
  for (char16_t u : units) {
    if (!IsGsmDefaultChar(u)) return 0;
  }
  return 1;
}

int32_t IsGsmExtCode(uint32_t ch) {
  return IsGsmExtensionChar(static_cast<char16_t>(ch & 0xFFFF)) ? 1 : 0;
}

int32_t IsExtShiftCode(uint32_t ch) {
  return IsGsmShiftChar(static_cast<char16_t>(ch & 0xFFFF)) ? 1 : 0;
}

}  // namespace modlink
