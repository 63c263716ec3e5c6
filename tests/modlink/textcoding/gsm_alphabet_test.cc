#include "modlink/textcoding/gsm_alphabet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace modlink {
namespace {

std::u16string ToUcs2(const std::vector<uint8_t>& septets, size_t cap = 200) {
  std::u16string out(cap, u'\xFFFF');
  size_t n = GsmToUcs2(septets.data(), septets.size(), out.data(), cap);
  out.resize(n);
  return out;
}

std::vector<uint8_t> ToGsm(const std::u16string& units, size_t cap = 200) {
  std::vector<uint8_t> out(cap, 0xEE);
  size_t n = Ucs2ToGsm(units.data(), units.size(), out.data(), cap);
  out.resize(n);
  return out;
}

// The Turkish national language single shift table, 3GPP TS 23.038 A.2.1,
// as the standard lists it (code after the escape, character).
struct ExtensionCase {
  uint8_t code;
  char16_t ucs2;
};
constexpr ExtensionCase kTurkishSingleShift[] = {
    {0x0A, 0x000C}, {0x14, u'^'},    {0x28, u'{'},    {0x29, u'}'},
    {0x2F, u'\\'},  {0x3C, u'['},    {0x3D, u'~'},    {0x3E, u']'},
    {0x40, u'|'},   {0x47, 0x011E},  {0x49, 0x0130},  {0x53, 0x015E},
    {0x63, 0x00E7}, {0x65, 0x20AC},  {0x67, 0x011F},  {0x69, 0x0131},
    {0x73, 0x015F},
};

TEST(GsmAlphabetTest, ExtensionTableBothWays) {
  for (const ExtensionCase& c : kTurkishSingleShift) {
    SCOPED_TRACE(testing::Message() << "TS 23.038 A.2.1 code 0x" << std::hex
                                    << int{c.code});
    EXPECT_EQ(ToUcs2({kGsmEscape, c.code}), std::u16string(1, c.ucs2));
    EXPECT_EQ(ToGsm(std::u16string{u'\x1B', c.ucs2}),
              (std::vector<uint8_t>{kGsmEscape, c.code}));
    EXPECT_TRUE(IsGsmExtensionChar(c.ucs2));
  }
}

struct ToUcs2Case {
  const char* name;
  std::vector<uint8_t> septets;
  std::u16string expected;
};

TEST(GsmAlphabetTest, GsmToUcs2) {
  const ToUcs2Case cases[] = {
      {"TS 23.038 6.2.1 row 0: @ pound $ yen", {0x00, 0x01, 0x02, 0x03},
       u"@\u00A3$\u00A5"},
      {"TS 23.038 6.2.1 Greek capitals", {0x10, 0x12, 0x13, 0x14, 0x15},
       u"\u0394\u03A6\u0393\u039B\u03A9"},
      {"TS 23.038 6.2.1 column 5-7 national letters",
       {0x5B, 0x5C, 0x5D, 0x5E, 0x5F, 0x60, 0x7B, 0x7F},
       u"\u00C4\u00D6\u00D1\u00DC\u00A7\u00BF\u00E4\u00E0"},
      {"septet 0x09 is the capital C cedilla here", {0x09}, u"\u00C7"},
      {"TS 23.038 6.2.1.1 euro sign", {0x1B, 0x65}, u"\u20AC"},
      {"escape to a code with no extension character", {0x1B, 0x41, 'b'},
       std::u16string(u"\0b", 2)},
      {"escape with nothing after it ends the text", {'a', 0x1B},
       std::u16string(u"a\0", 2)},
      {"value above 127 reads as a space", {'a', 0x80, 0xFF}, u"a  "},
  };
  for (const ToUcs2Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToUcs2(c.septets), c.expected);
  }
}

TEST(GsmAlphabetTest, GsmToUcs2StopsAtCapacityAndZeroesIt) {
  const uint8_t septets[] = {'a', 'b', 'c', 'd'};
  char16_t out[6] = {1, 1, 1, 1, 1, 0x7777};
  EXPECT_EQ(GsmToUcs2(septets, 4, out, 3), 3u);
  EXPECT_EQ(std::u16string(out, 3), u"abc");
  EXPECT_EQ(out[5], 0x7777);  // beyond the capacity: untouched

  char16_t zeroed[4] = {9, 9, 9, 9};
  EXPECT_EQ(GsmToUcs2(septets, 1, zeroed, 4), 1u);
  EXPECT_EQ(zeroed[1], 0);
  EXPECT_EQ(zeroed[3], 0);
}

struct ToGsmCase {
  const char* name;
  std::u16string units;
  std::vector<uint8_t> expected;
};

TEST(GsmAlphabetTest, Ucs2ToGsm) {
  const ToGsmCase cases[] = {
      {"TS 23.038 6.2.1: @ $ e-acute", u"@$\u00E9", {0x00, 0x02, 0x05}},
      {"extension character without escape gives its bare code", u"{",
       {0x28}},
      {"escape unit then euro gives the escape sequence", u"\x1B\u20AC",
       {0x1B, 0x65}},
      {"no-break space before an extension character is the escape",
       u"\u00A0\u20AC", {0x1B, 0x65}},
      {"no-break space before a letter is a space, the letter stays",
       u"\u00A0e", {0x20, 'e'}},
      {"no-break space at the end is a space", u"x\u00A0", {'x', 0x20}},
      {"capital C cedilla is septet 0x09", u"\u00C7", {0x09}},
      {"small c cedilla has only the shift code", u"\u00E7", {0x63}},
      {"a character outside the alphabet becomes a question mark",
       u"a\u4F60b", {'a', '?', 'b'}},
  };
  for (const ToGsmCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToGsm(c.units), c.expected);
  }
}

TEST(GsmAlphabetTest, EveryDefaultSeptetRoundTrips) {
  for (unsigned code = 0; code < kGsmAlphabetSize; ++code) {
    if (code == kGsmEscape) continue;
    SCOPED_TRACE(code);
    std::u16string unit = ToUcs2({static_cast<uint8_t>(code)});
    ASSERT_EQ(unit.size(), 1u);
    EXPECT_EQ(ToGsm(unit), std::vector<uint8_t>{static_cast<uint8_t>(code)});
  }
}

TEST(GsmAlphabetTest, Ucs2ToGsmStopsAtCapacityAndZeroesIt) {
  const std::u16string text = u"hello";
  uint8_t out[5] = {7, 7, 7, 7, 0xAB};
  EXPECT_EQ(Ucs2ToGsm(text.data(), text.size(), out, 4), 4u);
  EXPECT_EQ(out[3], 'l');
  EXPECT_EQ(out[4], 0xAB);

  uint8_t zeroed[3] = {7, 7, 7};
  EXPECT_EQ(Ucs2ToGsm(text.data(), 1, zeroed, 3), 1u);
  EXPECT_EQ(zeroed[1], 0);
  EXPECT_EQ(zeroed[2], 0);
}

TEST(GsmAlphabetTest, CharacterClasses) {
  // Check alphabet: small c cedilla belongs, the capital does not.
  EXPECT_TRUE(IsGsmDefaultChar(0x00E7));
  EXPECT_FALSE(IsGsmDefaultChar(0x00C7));
  EXPECT_TRUE(IsGsmDefaultChar(0));
  EXPECT_TRUE(IsGsmDefaultChar(0x00A0));  // the escape's stand-in
  EXPECT_FALSE(IsGsmDefaultChar(u'{'));
  EXPECT_FALSE(IsGsmDefaultChar(0x4F60));

  EXPECT_FALSE(IsGsmExtensionChar(u'A'));
  EXPECT_TRUE(IsGsmShiftChar(0x011F));
  EXPECT_TRUE(IsGsmShiftChar(0x00E7));
  EXPECT_FALSE(IsGsmShiftChar(0x20AC));
  EXPECT_FALSE(IsGsmShiftChar(u'{'));
}

}  // namespace
}  // namespace modlink
