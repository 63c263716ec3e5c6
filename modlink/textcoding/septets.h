// 7-bit packing of GSM septets (3GPP TS 23.038 6.1.2.1.1): septet k
// occupies bits 7k .. 7k+6 of the packed stream, least significant bit
// first. After a user-data header the first septet starts at a septet
// boundary, i.e. after `fill bits` (0-6) padding bits
// (3GPP TS 23.040 9.2.3.24); see FillBitsAfterHeader.
//
// Every function writes at most the destination's capacity. Pure; any
// thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace modlink {

// Largest septet count of one message.
inline constexpr size_t kMaxSeptets = 160;

// Fill bits after a user-data header of headerOctets octets (the header
// length octet included): (7 - (8 * headerOctets) mod 7) mod 7.
unsigned FillBitsAfterHeader(size_t headerOctets);

// Unpacks every septet that `bytes` packed bytes hold (8 * bytes / 7 of
// them), then writes a zero byte after them. At most cap - 1 septets are
// written, so that the zero byte fits. Returns the number of septets.
size_t UnpackSeptets(const uint8_t* packed, size_t bytes, uint8_t* out,
                     size_t cap);

// Unpacks up to `septets` septets that start after fillBits (0-6) padding
// bits in the first byte. Stops when the packed bytes run out or cap
// septets were written. Returns the number written.
size_t UnpackSeptetsAt(const uint8_t* packed, size_t bytes, size_t septets,
                       unsigned fillBits, uint8_t* out, size_t cap);

// Packs septets after fillBits (0-6) zero padding bits. Only as many
// septets as fit whole into cap bytes are packed. Returns the number of
// bytes written.
size_t PackSeptets(const uint8_t* septets, size_t count, unsigned fillBits,
                   uint8_t* out, size_t cap);

}  // namespace modlink
