// Hexadecimal and semi-octet text forms.
//
// Hexadecimal text: two digits per byte, high nibble first; written in upper
// case. Semi-octet text (3GPP TS 23.040 numbers and time stamps): each pair
// of characters stored swapped, an odd-length string padded with 'F'.
//
// Every function reads exactly the count it is given (never up to a
// terminator) and writes at most the destination's capacity. Pure; any
// thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace modlink {

// Value of one hexadecimal digit (0-9, a-f, A-F), or kHexInvalid.
inline constexpr int kHexInvalid = 48;
int HexDigitValue(char c);

// Converts pairs of characters into bytes; an odd count is taken as rounded
// up, with the missing last digit read as absent. Only '0'-'9' and 'A'-'F'
// are digits here: a high digit sets the byte to digit << 4, a low digit
// sets the low nibble; any other character leaves that nibble as it was and
// does not count. Writes at most cap bytes.
// Returns the number of valid digits divided by 2.
size_t HexToBytes(const char* hex, size_t chars, uint8_t* out, size_t cap);

// Two upper-case digits per byte and a terminator; converts as many whole
// bytes as fit in cap. Returns the number of characters written (without
// the terminator).
size_t BytesToHex(const uint8_t* bytes, size_t count, char* out, size_t cap);

// Unswaps each pair; a final 'F' is dropped. A lone last character is
// copied as it is. Writes at most cap - 1 characters and a terminator.
// Returns the length written.
size_t SemiOctetsToText(const char* semi, size_t chars, char* out,
                        size_t cap);

// Swaps each pair of digits; an odd count is padded with 'F' in the high
// (first) position of the last pair, e.g. 12345 -> 2143F5. Writes whole
// pairs only, at most cap - 1 characters, and a terminator.
// Returns the length written.
size_t TextToSemiOctets(const char* digits, size_t count, char* out,
                        size_t cap);

}  // namespace modlink
