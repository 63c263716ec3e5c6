// The test program runs with code page 936 (GBK).
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CodePage, GbkRoundTrip) {
  const char gbk[] = "a\xD6\xD0z";  // 'a', U+4E2D, 'z'
  char16_t wide[8];
  ASSERT_EQ(plat::AnsiToUtf16(gbk, 4, wide, 8), 3u);
  EXPECT_EQ(wide[0], u'a');
  EXPECT_EQ(wide[1], u'\u4E2D');
  EXPECT_EQ(wide[2], u'z');
  char back[8];
  ASSERT_EQ(plat::Utf16ToAnsi(wide, 3, back, sizeof back), 4u);
  EXPECT_EQ(std::string(back, 4), std::string(gbk, 4));
}

TEST(CodePage, NeverSplitsADoubleByteCharacter) {
  const char16_t wide[] = {u'\u4E2D', u'\u4E2D'};
  char out[3];
  EXPECT_EQ(plat::Utf16ToAnsi(wide, 2, out, sizeof out), 2u);
}

TEST(CodePage, NeverSplitsASurrogatePair) {
  // U+1F600 as a pair after one letter, into room for two units.
  const char16_t wide[] = {u'x', 0xD83D, 0xDE00};
  char out[8];
  // GBK cannot represent the emoji: it becomes one '?', not two.
  ASSERT_EQ(plat::Utf16ToAnsi(wide, 3, out, sizeof out), 2u);
  EXPECT_EQ(std::string(out, 2), "x?");
}

TEST(CodePage, UnmappableAndBrokenInputBecomeQuestionMarks) {
  const char16_t thai[] = {u'\u0E01', u'k'};
  char out[4];
  ASSERT_EQ(plat::Utf16ToAnsi(thai, 2, out, sizeof out), 2u);
  EXPECT_EQ(std::string(out, 2), "?k");

  const char16_t lone[] = {0xDC00, u'k'};
  ASSERT_EQ(plat::Utf16ToAnsi(lone, 2, out, sizeof out), 2u);
  EXPECT_EQ(std::string(out, 2), "?k");

  // A lead byte with nothing after it.
  const char truncated[] = "k\xD6";
  char16_t wide[4];
  ASSERT_EQ(plat::AnsiToUtf16(truncated, 2, wide, 4), 2u);
  EXPECT_EQ(wide[0], u'k');
  EXPECT_EQ(wide[1], u'?');
}

TEST(CodePage, BoundedByTheDestination) {
  const char ascii[] = "abcdef";
  char16_t wide[3];
  EXPECT_EQ(plat::AnsiToUtf16(ascii, 6, wide, 3), 3u);
  EXPECT_EQ(plat::AnsiToUtf16(ascii, 6, wide, 0), 0u);
  EXPECT_EQ(plat::AnsiToUtf16(nullptr, 6, wide, 3), 0u);
}

}  // namespace
