#include "modlink/textcoding/hex_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace modlink {
namespace {

TEST(HexTextTest, HexDigitValue) {
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  EXPECT_EQ(HexDigitValue('g'), kHexInvalid);
  EXPECT_EQ(HexDigitValue('\0'), kHexInvalid);
}

struct HexCase {
  const char* name;
  std::string hex;
  std::vector<uint8_t> bytes;
  size_t result;
};

TEST(HexTextTest, HexToBytes) {
  const HexCase cases[] = {
      {"upper-case digits", "0A", {0x0A}, 1},
      {"lower-case letters are no digits: the nibble stays, not counted",
       "0a", {0x00}, 0},
      {"TS 23.038 hellohello packed", "E8329BFD4697D9EC37",
       {0xE8, 0x32, 0x9B, 0xFD, 0x46, 0x97, 0xD9, 0xEC, 0x37}, 9},
      {"invalid high digit keeps the byte's high nibble", "G5", {0x05}, 0},
      {"odd count: the missing digit is absent", "ABC", {0xAB, 0xC0}, 1},
  };
  for (const HexCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Exactly the characters, no terminator: reading past them is caught
    // by the address sanitizer.
    std::unique_ptr<char[]> text(new char[c.hex.size()]);
    c.hex.copy(text.get(), c.hex.size());
    std::vector<uint8_t> out(c.bytes.size(), 0);
    EXPECT_EQ(HexToBytes(text.get(), c.hex.size(), out.data(), out.size()),
              c.result);
    EXPECT_EQ(out, c.bytes);
  }
}

TEST(HexTextTest, HexToBytesStopsAtCapacity) {
  uint8_t out[3] = {0, 0, 0x5A};
  EXPECT_EQ(HexToBytes("112233", 6, out, 2), 2u);
  EXPECT_EQ(out[0], 0x11);
  EXPECT_EQ(out[1], 0x22);
  EXPECT_EQ(out[2], 0x5A);
}

TEST(HexTextTest, BytesToHex) {
  const uint8_t bytes[] = {0xE8, 0x32, 0x0F};
  char out[8];
  EXPECT_EQ(BytesToHex(bytes, 3, out, sizeof out), 6u);
  EXPECT_STREQ(out, "E8320F");
  // Only whole bytes and the terminator within the capacity.
  char small[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(BytesToHex(bytes, 3, small, sizeof small), 2u);
  EXPECT_STREQ(small, "E8");
}

struct SemiOctetCase {
  const char* name;
  const char* digits;
  const char* semi;
};

TEST(HexTextTest, SemiOctetsBothWays) {
  const SemiOctetCase cases[] = {
      {"TS 23.040 9.1.2.3 odd digit count padded with F", "12345", "2143F5"},
      {"seven digits, pad in the second-to-last position", "1234567",
       "214365F7"},
      {"oFono unit test simple_deliver service centre", "31624000000",
       "1326040000F0"},
      {"even digit count", "8613800100500", "683108100005F0"},
      {"empty", "", ""},
  };
  for (const SemiOctetCase& c : cases) {
    SCOPED_TRACE(c.name);
    char semi[32];
    size_t n = TextToSemiOctets(c.digits, strlen(c.digits), semi, sizeof semi);
    EXPECT_STREQ(semi, c.semi);
    EXPECT_EQ(n, strlen(c.semi));
    char digits[32];
    n = SemiOctetsToText(c.semi, strlen(c.semi), digits, sizeof digits);
    EXPECT_STREQ(digits, c.digits);
    EXPECT_EQ(n, strlen(c.digits));
  }
}

TEST(HexTextTest, SemiOctetsStopAtCapacity) {
  char out[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(SemiOctetsToText("214365", 6, out, sizeof out), 3u);
  EXPECT_STREQ(out, "123");
  char pairs[4] = {'x', 'x', 'x', 'x'};
  // Whole pairs only: "21" fits with its terminator, "43" does not.
  EXPECT_EQ(TextToSemiOctets("1234", 4, pairs, sizeof pairs), 2u);
  EXPECT_STREQ(pairs, "21");
}

}  // namespace
}  // namespace modlink
