#include "modlink/textcoding/septets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace modlink {
namespace {

std::vector<uint8_t> Septets(const std::string& ascii) {
  return std::vector<uint8_t>(ascii.begin(), ascii.end());
}

struct PackCase {
  const char* name;
  std::string text;  // ASCII letters: septet values equal the characters
  unsigned fill;
  std::vector<uint8_t> packed;
};

TEST(SeptetsTest, PackAndUnpackKnownVectors) {
  const PackCase cases[] = {
      {"TS 23.038 6.1.2.1.1 / oFono simple_submit: hellohello", "hellohello",
       0, {0xE8, 0x32, 0x9B, 0xFD, 0x46, 0x97, 0xD9, 0xEC, 0x37}},
      {"SMS-SUBMIT builder example: hi", "hi", 0, {0xE8, 0x34}},
      {"oFono simple_deliver: How are you?", "How are you?", 0,
       {0xC8, 0xF7, 0x1D, 0x14, 0x96, 0x97, 0x41, 0xF9, 0x77, 0xFD, 0x07}},
      {"eight septets fill seven octets exactly", "12345678", 0,
       {0x31, 0xD9, 0x8C, 0x56, 0xB3, 0xDD, 0x70}},
      {"gammu EncodePDU after a 6-octet concatenation header (1 fill bit)",
       "Part two of three", 1,
       {0xA0, 0x61, 0x39, 0x1D, 0x44, 0xBF, 0xBF, 0x41, 0x6F, 0x33, 0x88,
        0x8E, 0x96, 0x97, 0xCB}},
  };
  for (const PackCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> septets = Septets(c.text);
    std::vector<uint8_t> packed(c.packed.size() + 4, 0xEE);
    size_t n = PackSeptets(septets.data(), septets.size(), c.fill,
                           packed.data(), packed.size());
    packed.resize(n);
    EXPECT_EQ(packed, c.packed);

    std::vector<uint8_t> unpacked(200, 0xEE);
    n = UnpackSeptetsAt(c.packed.data(), c.packed.size(), septets.size(),
                        c.fill, unpacked.data(), unpacked.size());
    unpacked.resize(n);
    EXPECT_EQ(unpacked, septets);
  }
}

TEST(SeptetsTest, UnpackSeptetsTakesEverySeptetAndTerminates) {
  // 9 octets hold 10 septets (72 bits); 7 octets hold 8.
  const uint8_t hello[] = {0xE8, 0x32, 0x9B, 0xFD, 0x46,
                           0x97, 0xD9, 0xEC, 0x37};
  uint8_t out[16];
  std::fill(std::begin(out), std::end(out), 0xEE);
  ASSERT_EQ(UnpackSeptets(hello, sizeof hello, out, sizeof out), 10u);
  EXPECT_EQ(std::string(out, out + 10), "hellohello");
  EXPECT_EQ(out[10], 0);

  const uint8_t eight[] = {0x31, 0xD9, 0x8C, 0x56, 0xB3, 0xDD, 0x70};
  ASSERT_EQ(UnpackSeptets(eight, sizeof eight, out, sizeof out), 8u);
  EXPECT_EQ(std::string(out, out + 8), "12345678");

  // The terminator always fits: cap 4 gives 3 septets and a zero.
  ASSERT_EQ(UnpackSeptets(hello, sizeof hello, out, 4), 3u);
  EXPECT_EQ(out[3], 0);
}

TEST(SeptetsTest, FillBitsAfterHeader) {
  // 3GPP TS 23.040 9.2.3.24: the text starts on a septet boundary.
  EXPECT_EQ(FillBitsAfterHeader(0), 0u);
  EXPECT_EQ(FillBitsAfterHeader(6), 1u);  // concatenation, 8-bit reference
  EXPECT_EQ(FillBitsAfterHeader(7), 0u);  // 16-bit reference / ports
  EXPECT_EQ(FillBitsAfterHeader(8), 6u);
  EXPECT_EQ(FillBitsAfterHeader(9), 5u);
}

TEST(SeptetsTest, RoundTripAtEveryFill) {
  std::vector<uint8_t> septets;
  for (unsigned i = 0; i < kMaxSeptets; ++i) {
    septets.push_back(static_cast<uint8_t>((i * 37 + 11) & 0x7F));
  }
  for (unsigned fill = 0; fill <= 6; ++fill) {
    for (size_t count : {size_t{1}, size_t{7}, size_t{8}, size_t{9},
                         size_t{153}, kMaxSeptets}) {
      SCOPED_TRACE(testing::Message() << "fill " << fill << " count " << count);
      uint8_t packed[160];
      size_t bytes = PackSeptets(septets.data(), count, fill, packed,
                                 sizeof packed);
      EXPECT_EQ(bytes, (fill + 7 * count + 7) / 8);
      uint8_t back[kMaxSeptets];
      ASSERT_EQ(UnpackSeptetsAt(packed, bytes, count, fill, back, count),
                count);
      EXPECT_TRUE(std::equal(back, back + count, septets.begin()));
    }
  }
}

TEST(SeptetsTest, BoundsAreKept) {
  const std::vector<uint8_t> septets = Septets("hellohello");
  // Two bytes hold two whole septets; the third is not started.
  uint8_t packed[3] = {0, 0, 0x5A};
  EXPECT_EQ(PackSeptets(septets.data(), septets.size(), 0, packed, 2), 2u);
  EXPECT_EQ(packed[2], 0x5A);
  uint8_t back[2];
  ASSERT_EQ(UnpackSeptetsAt(packed, 2, 10, 0, back, 2), 2u);
  EXPECT_EQ(back[0], 'h');
  EXPECT_EQ(back[1], 'e');

  // Unpacking stops where the packed bytes end, whatever count is asked.
  uint8_t out[20];
  EXPECT_EQ(UnpackSeptetsAt(packed, 2, 20, 0, out, sizeof out), 2u);
  // Fill bits beyond 6 are refused.
  EXPECT_EQ(PackSeptets(septets.data(), 1, 7, packed, 2), 0u);
  EXPECT_EQ(UnpackSeptetsAt(packed, 2, 1, 7, out, 1), 0u);
}

}  // namespace
}  // namespace modlink
