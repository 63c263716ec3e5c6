#include "modlink/textcoding/septets.h"

#include <cstring>

namespace modlink {

unsigned FillBitsAfterHeader(size_t headerOctets) {
  return static_cast<unsigned>((7 - (8 * headerOctets) % 7) % 7);
}

size_t UnpackSeptets(const uint8_t* packed, size_t bytes, uint8_t* out,
                     size_t cap) {
  if (out == nullptr || cap == 0) return 0;
  size_t n = UnpackSeptetsAt(packed, bytes, (8 * bytes) / 7, 0, out, cap - 1);
  out[n] = 0;
  return n;
}

size_t UnpackSeptetsAt(const uint8_t* packed, size_t bytes, size_t septets,
                       unsigned fillBits, uint8_t* out, size_t cap) {
  if (packed == nullptr || out == nullptr || fillBits > 6) return 0;
  size_t bits = 8 * bytes;
  size_t n = 0;
  for (size_t pos = fillBits; n < septets && n < cap && pos + 7 <= bits;
       pos += 7) {
    size_t byte = pos / 8;
    unsigned shift = pos % 8;
    unsigned v = packed[byte] >> shift;
    if (shift > 1) v |= static_cast<unsigned>(packed[byte + 1]) << (8 - shift);
    out[n++] = static_cast<uint8_t>(v & 0x7F);
  }
  return n;
}

size_t PackSeptets(const uint8_t* septets, size_t count, unsigned fillBits,
                   uint8_t* out, size_t cap) {
  if (septets == nullptr || out == nullptr || cap == 0 || fillBits > 6) {
    return 0;
  }
  size_t fits = (8 * cap - fillBits) / 7;
  if (count > fits) count = fits;
  size_t used = (fillBits + 7 * count + 7) / 8;
  std::memset(out, 0, used);
  size_t pos = fillBits;
  for (size_t i = 0; i < count; ++i, pos += 7) {
    unsigned v = septets[i] & 0x7Fu;
    size_t byte = pos / 8;
    unsigned shift = pos % 8;
    out[byte] = static_cast<uint8_t>(out[byte] | (v << shift));
    if (shift > 1) out[byte + 1] = static_cast<uint8_t>(v >> (8 - shift));
  }
  return used;
}

}  // namespace modlink
