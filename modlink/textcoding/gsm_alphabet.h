// The GSM 7-bit default alphabet (3GPP TS 23.038) and its extension table,
// and the conversions between septets and UCS-2 units.
//
// Two deliberate departures from the standard, kept because the client and
// the card's stored messages rely on them:
//  - septet 0x09 converts to U+00C7 (capital C cedilla), while the check
//    alphabet, which only decides membership, holds U+00E7 there;
//  - the extension table is the Turkish national single shift table, so the
//    Turkish letters are extension characters.
//
// Septets are one code (0-127) per byte, unpacked. All functions are pure
// and may run on any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace modlink {

inline constexpr uint8_t kGsmEscape = 0x1B;
inline constexpr size_t kGsmAlphabetSize = 128;
inline constexpr size_t kGsmExtensionCount = 17;
inline constexpr size_t kGsmShiftCount = 7;

struct GsmExtension {
  uint8_t m_code;      // septet that follows the escape
  char16_t m_ucs2;
};

// UCS-2 value of each septet, used for conversion (0x1B -> U+00A0).
extern const char16_t kGsmConversionAlphabet[kGsmAlphabetSize];
// The same with U+00E7 at 0x09: membership checks only.
extern const char16_t kGsmCheckAlphabet[kGsmAlphabetSize];
// Searched in this order.
extern const GsmExtension kGsmExtensionTable[kGsmExtensionCount];
// The entries that only the Turkish single shift provides.
extern const GsmExtension kGsmShiftSet[kGsmShiftCount];

// U+0000 or a value of the check alphabet.
bool IsGsmDefaultChar(char16_t unit);
// The UCS-2 value of an extension-table entry.
bool IsGsmExtensionChar(char16_t unit);
// The UCS-2 value of a shift-set entry (needs the Turkish single shift).
bool IsGsmShiftChar(char16_t unit);

// Septets to UCS-2 units. Zeroes out[0..cap), then converts while input
// remains and fewer than cap units were written. A value above 127 gives
// U+0020. An escape consumes the next septet and gives its extension
// character, or U+0000 when the table has no such code; an escape with
// nothing after it gives U+0000 and ends the conversion.
// Returns the number of units written.
size_t GsmToUcs2(const uint8_t* septets, size_t count, char16_t* out,
                 size_t cap);

// UCS-2 units to septets. Zeroes out[0..cap), then converts while input
// remains and fewer than cap septets were written. No escape is inserted:
// a text meant to carry an extension character holds U+001B (or U+00A0, the
// conversion alphabet's stand-in for the escape) directly before it.
// U+00A0 anywhere else is a no-break space and gives the space septet.
// A unit with no septet gives '?' (0x3F).
// Returns the number of septets written.
size_t Ucs2ToGsm(const char16_t* units, size_t count, uint8_t* out,
                 size_t cap);

}  // namespace modlink
