// Splitting message texts into parts: where the cuts fall for both codings
// (TS 23.038 default alphabet with its extension table, UCS-2 with surrogate
// pairs), and the texts that are refused.
#include <clocale>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sms_text.h"

namespace modlink_cli {
namespace {

class SmsTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_old = std::setlocale(LC_CTYPE, nullptr);
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale";
  }
  void TearDown() override { std::setlocale(LC_CTYPE, m_old.c_str()); }

  std::string m_old;
};

struct SplitCase {
  const char* name;
  std::string text;
  int coding;
  std::vector<size_t> partBytes;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

std::string Repeat(const std::string& s, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

class SplitTest : public SmsTextTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(SplitTest, CutsAtTheLimitsOfTheCoding) {
  SmsParts parts;
  std::string error;
  ASSERT_TRUE(SplitSmsText(GetParam().text, 10, &parts, &error)) << error;
  EXPECT_EQ(parts.coding, GetParam().coding);
  std::vector<size_t> sizes;
  std::string joined;
  for (const auto& p : parts.parts) {
    sizes.push_back(p.size());
    joined += p;
  }
  EXPECT_EQ(sizes, GetParam().partBytes);
  EXPECT_EQ(joined, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Sms, SplitTest,
    ::testing::Values(
        SplitCase{"gsm_160_fits_one_part", Repeat("a", 160), 0, {160}},
        SplitCase{"gsm_161_needs_two_of_153", Repeat("a", 161), 0, {153, 8}},
        // Extension characters take two septets: 80 braces fill one part.
        SplitCase{"gsm_extension_80_braces", Repeat("{", 80), 0, {80}},
        SplitCase{"gsm_extension_81_braces", Repeat("{", 81), 0, {76, 5}},
        // An extension character is not split from its escape: 152 + 2 > 153.
        SplitCase{"gsm_extension_at_the_cut", Repeat("a", 152) + "[" + Repeat("a", 10), 0,
                  {152, 11}},
        SplitCase{"grave_accent_forces_ucs2", "`quoted`", 8, {8}},
        SplitCase{"ucs2_70_fits_one_part", Repeat("\xC3\xBC", 70), 8, {140}},
        SplitCase{"ucs2_71_needs_two_of_67", Repeat("\xC3\xBC", 71), 8, {134, 8}},
        // A character outside the BMP is a surrogate pair: two units, never cut.
        // 66 units, then the pair would end at unit 68 of a 67-unit part.
        SplitCase{"ucs2_surrogate_pair_at_the_cut",
                  Repeat("a\xC3\xBC", 33) + "\xF0\x9F\x93\xB1" + "xxxxx", 8, {99, 9}},
        SplitCase{"line_breaks_are_gsm", "one\r\ntwo", 0, {8}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SmsTextTest, RefusesEmptyInvalidAndTooLongTexts) {
  SmsParts parts;
  std::string error;
  EXPECT_FALSE(SplitSmsText("", 10, &parts, &error));
  EXPECT_EQ(error, "the message text is empty");
  EXPECT_FALSE(SplitSmsText("bad \xC3 byte", 10, &parts, &error));
  EXPECT_NE(error.find("not valid"), std::string::npos);
  EXPECT_FALSE(SplitSmsText(Repeat("a", 153 * 10 + 1), 10, &parts, &error));
  EXPECT_EQ(error, "the message needs 11 parts; at most 10 are sent");
  EXPECT_TRUE(parts.parts.empty());
  EXPECT_TRUE(SplitSmsText(Repeat("a", 153 * 10), 10, &parts, &error));
  EXPECT_EQ(parts.parts.size(), 10u);
}

TEST(GsmEscapeTest, EscapeBeforeEachExtensionCharacterOnly) {
  EXPECT_EQ(WithGsmEscapes("a[b]{c}~|^\\ \u20ac"), std::string("a\x1B[b\x1B]\x1B{c\x1B}\x1B~\x1B|\x1B^\x1B\\ \u20ac"));
  EXPECT_EQ(WithGsmEscapes("plain text @$_"), "plain text @$_");
}

}  // namespace
}  // namespace modlink_cli
