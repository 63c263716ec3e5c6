#include "modlink/textcoding/charset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/modlink/textcoding/code_page.h"

namespace modlink {
namespace {

using testing_cp::Ansi;

TEST(CharsetTest, AnsiToUcs2HexForServiceCentreNumbers) {
  // 3GPP TS 27.007 +CSCA in the "UCS2" character set.
  char out[300];
  EXPECT_EQ(AnsiToUcs2Hex("+8613800100500", -1, out, sizeof out), 56u);
  EXPECT_STREQ(out,
               "002B0038003600310033003800300030003100300030003500300030");
  // The length argument counts bytes; the rest is not read.
  EXPECT_EQ(AnsiToUcs2Hex("+86xyz", 3, out, sizeof out), 12u);
  EXPECT_STREQ(out, "002B00380036");
  EXPECT_EQ(AnsiToUcs2Hex("", -1, out, sizeof out), 0u);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(AnsiToUcs2Hex(nullptr, -1, out, sizeof out), 0u);
  EXPECT_STREQ(out, "");
}

TEST(CharsetTest, Ucs2FormsAreCutToOneMessage) {
  const std::string eighty(80, 'a');
  char hex[400];
  EXPECT_EQ(AnsiToUcs2Hex(eighty.c_str(), -1, hex, sizeof hex), 280u);
  EXPECT_EQ(std::string(hex).size(), 280u);
  uint8_t be[200];
  EXPECT_EQ(AnsiToUcs2Be(eighty.c_str(), -1, be, sizeof be), 140u);
  EXPECT_EQ(be[138], 0x00);
  EXPECT_EQ(be[139], 'a');
}

TEST(CharsetTest, Ucs2OutputsKeepTheCapacity) {
  char hex[10];  // two units of four digits and the terminator
  EXPECT_EQ(AnsiToUcs2Hex("abc", -1, hex, sizeof hex), 8u);
  EXPECT_STREQ(hex, "00610062");
  uint8_t be[5] = {0, 0, 0, 0, 0x5A};
  EXPECT_EQ(AnsiToUcs2Be("abc", -1, be, 4), 4u);
  EXPECT_EQ(be[4], 0x5A);
}

TEST(CharsetTest, Ucs2HexToAnsi) {
  char out[64];
  EXPECT_EQ(Ucs2HexToAnsi("002B00380036", 12, out, sizeof out), 3u);
  EXPECT_STREQ(out, "+86");
  // Either case; a trailing partial unit is ignored.
  EXPECT_EQ(Ucs2HexToAnsi("004a004B00", 10, out, sizeof out), 2u);
  EXPECT_STREQ(out, "JK");
  // 3GPP TS 27.005 example text in Chinese: converted in the code page.
  size_t n = Ucs2HexToAnsi("4F60597D", 8, out, sizeof out);
  EXPECT_EQ(std::string(out, n), Ansi(u"\u4F60\u597D"));
  // Capacity: at most cap - 1 bytes and the terminator.
  char small[3];
  EXPECT_EQ(Ucs2HexToAnsi("002B00380036", 12, small, sizeof small), 2u);
  EXPECT_STREQ(small, "+8");
}

TEST(CharsetTest, Ucs2BeBothWays) {
  uint8_t be[8];
  EXPECT_EQ(AnsiToUcs2Be("hi", -1, be, sizeof be), 4u);
  EXPECT_EQ(std::vector<uint8_t>(be, be + 4),
            (std::vector<uint8_t>{0x00, 0x68, 0x00, 0x69}));

  const uint8_t nihao[] = {0x4F, 0x60, 0x59, 0x7D, 0x00};  // odd: last dropped
  char out[32];
  size_t n = Ucs2BeToAnsi(nihao, sizeof nihao, out, sizeof out);
  EXPECT_EQ(std::string(out, n), Ansi(u"\u4F60\u597D"));
  EXPECT_EQ(out[n], '\0');
}

TEST(CharsetTest, Utf8MultibyteTextIsNeverSplit) {
  testing_cp::RunInCodePage("UTF-8", [](testing_cp::ChildChecks& c) {
    const uint8_t nihao[] = {0x4F, 0x60, 0x59, 0x7D};
    char out[6];  // room for one three-byte character, not two
    size_t n = Ucs2BeToAnsi(nihao, sizeof nihao, out, sizeof out);
    c.Eq("length", n, size_t{3});
    c.Eq("text", std::string(out), std::string("\xE4\xBD\xA0"));

    char16_t units[4];
    c.Eq("AnsiToUcs2", AnsiToUcs2("\xE4\xBD\xA0\xE5\xA5\xBD", -1, units, 4),
         size_t{2});
    c.Eq("unit", units[1], char16_t{0x597D});
  });
}

}  // namespace
}  // namespace modlink
