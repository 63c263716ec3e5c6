#include "modlink/textcoding/text_checks.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/modlink/textcoding/code_page.h"

namespace modlink {
namespace {

TEST(TextChecksTest, AsciiTexts) {
  EXPECT_EQ(GetSmsLen("abc", -1), 3);
  EXPECT_EQ(GetSmsLen("abc{", -1), 5);
  EXPECT_EQ(GetSmsLen("[x]|~^\\", -1), 13);
  EXPECT_EQ(GetSmsLen("abcdef", 2), 2);  // the length counts bytes
  EXPECT_EQ(GetSmsLen("ab\0cd", 5), 2);  // up to the first zero unit

  int32_t flag = 7;
  EXPECT_EQ(IsPureAsciiString("Hello, world!", -1, &flag), 1);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(IsPureAsciiString("a{b}", -1, nullptr), 1);

  EXPECT_EQ(IsPureAsciiStringPc("Hello", -1), 1);
  EXPECT_EQ(IsPureAsciiStringPc("a{b", -1), 0);  // extension: not default
}

TEST(TextChecksTest, EmptyTextIsAllDefaultAndNullIsRefused) {
  int32_t flag = 7;
  EXPECT_EQ(GetSmsLen("", -1), 0);
  EXPECT_EQ(IsPureAsciiString("", -1, &flag), 1);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(IsPureAsciiStringPc("", 0), 1);

  flag = 7;
  EXPECT_EQ(GetSmsLen(nullptr, -1), 0);
  EXPECT_EQ(IsPureAsciiString(nullptr, -1, &flag), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(IsPureAsciiStringPc(nullptr, -1), 0);
  EXPECT_EQ(GetSmsLen("abc", -2), 0);
}

TEST(TextChecksTest, CharacterChecks) {
  struct Case {
    const char* name;
    uint32_t ch;
    int32_t ext;
    int32_t shift;
  };
  const Case cases[] = {
      {"TS 23.038 6.2.1.1 euro sign", 0x20AC, 1, 0},
      {"capital A is a default character", 0x0041, 0, 0},
      {"small c cedilla: Turkish single shift only", 0x00E7, 1, 1},
      {"left brace: default extension table", 0x007B, 1, 0},
      {"g breve: Turkish single shift only", 0x011F, 1, 1},
      {"only the low 16 bits count", 0xABCD20AC, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsGsmExtCode(c.ch), c.ext);
    EXPECT_EQ(IsExtShiftCode(c.ch), c.shift);
  }
}

TEST(TextChecksTest, Windows936CodePage) {
  // Windows-936 holds the euro sign at 0x80.
  testing_cp::RunInCodePage("CP936", [](testing_cp::ChildChecks& c) {
    c.Eq("GetSmsLen(abc{euro)", GetSmsLen("abc{\x80", -1), 7);
    c.Eq("GetSmsLen(abc)", GetSmsLen("abc", -1), 3);
    int32_t flag = 7;
    // Two Chinese characters, ni hao.
    c.Eq("IsPureAsciiString(Chinese)",
         IsPureAsciiString("\xC4\xE3\xBA\xC3", -1, &flag), 0);
    c.Eq("flag after Chinese", flag, 0);
    c.Eq("IsPureAsciiString(euro)", IsPureAsciiString("5\x80", -1, &flag), 1);
    c.Eq("flag after euro", flag, 0);
  });
}

TEST(TextChecksTest, Utf8CodePage) {
  testing_cp::RunInCodePage("UTF-8", [](testing_cp::ChildChecks& c) {
    int32_t flag = 7;
    c.Eq("IsPureAsciiString(g breve)",
         IsPureAsciiString("da\xC4\x9F", -1, &flag), 1);
    c.Eq("flag after g breve", flag, 1);
    flag = 7;
    c.Eq("IsPureAsciiString(Chinese)",
         IsPureAsciiString("a\xE4\xBD\xA0", -1, &flag), 0);
    c.Eq("flag after Chinese", flag, 0);
    c.Eq("IsPureAsciiStringPc(small c cedilla)",
         IsPureAsciiStringPc("\xC3\xA7", -1), 1);
    c.Eq("IsPureAsciiStringPc(capital C cedilla)",
         IsPureAsciiStringPc("\xC3\x87", -1), 0);
    c.Eq("GetSmsLen(Turkish)", GetSmsLen("\xC4\x9F\xC3\xBC", -1), 3);
    c.Eq("GetSmsLen(abc{euro)", GetSmsLen("abc{\xE2\x82\xAC", -1), 7);
  });
}

TEST(TextChecksTest, LongTextIsCountedUpToTheLimit) {
  const std::string text(5000, 'a');
  EXPECT_EQ(GetSmsLen(text.c_str(), -1),
            static_cast<int32_t>(kCheckMaxUnits));
  EXPECT_EQ(IsPureAsciiStringPc(text.c_str(), -1), 1);
}

}  // namespace
}  // namespace modlink
