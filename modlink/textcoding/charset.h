// Conversions between the client's ANSI text (the system code page, through
// the platform's code-page conversion), UCS-2 units, UCS-2 big-endian bytes
// and UCS-2 hexadecimal text (four digits per unit, high byte first: the
// card's form while its character set is "UCS2").
//
// ANSI lengths follow the exports' convention: a byte count, or -1 for
// "up to the terminating zero". Outputs never exceed the capacity given;
// ANSI outputs are always terminated and never end in a split multibyte
// character. Pure; any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace modlink {

// Units of one UCS-2 short message; the UCS-2 forms sent to the card are
// cut there.
inline constexpr size_t kMaxUcs2SmsUnits = 70;

// ANSI -> UCS-2 units, no terminator; stops at cap units (never between the
// halves of a surrogate pair). A null text or a length below -1 gives 0.
size_t AnsiToUcs2(const char* text, int32_t len, char16_t* out, size_t cap);

// UCS-2 units -> ANSI text of at most cap - 1 bytes and a terminator.
// Returns the ANSI length.
size_t Ucs2ToAnsi(const char16_t* units, size_t count, char* out,
                  size_t cap);

// count / 2 big-endian units -> ANSI text (at most cap - 1 bytes) and a
// terminator. Returns the ANSI length.
size_t Ucs2BeToAnsi(const uint8_t* bytes, size_t count, char* out,
                    size_t cap);

// ANSI text -> at most kMaxUcs2SmsUnits units as big-endian byte pairs
// (whole pairs within cap). Returns twice the unit count.
size_t AnsiToUcs2Be(const char* text, int32_t len, uint8_t* out, size_t cap);

// UCS-2 hexadecimal text -> ANSI text (at most cap - 1 bytes) and a
// terminator. chars / 4 units are read; digits of either case; a character
// that is no digit contributes the bits of kHexInvalid, as the card never
// sends one. Returns the ANSI length.
size_t Ucs2HexToAnsi(const char* hex, size_t chars, char* out, size_t cap);

// ANSI text -> at most kMaxUcs2SmsUnits units as four upper-case digits
// each and a terminator (whole units within cap). Returns four times the
// unit count written.
size_t AnsiToUcs2Hex(const char* text, int32_t len, char* out, size_t cap);

}  // namespace modlink
