// The two output forms: JSON must stay valid for any bytes the card sends (its
// texts are in the client's code page, not UTF-8); the readable form must keep
// one indication on one line.
#include <gtest/gtest.h>

#include <string>

#include "value.h"

namespace modlink_cli {
namespace {

struct TextCase {
  const char* name;
  std::string bytes;
  const char* json;
  const char* readable;
};

const TextCase kTextCases[] = {
    {"plain_ascii", "OK", R"("OK")", "OK"},
    {"quote_and_backslash", "a\"b\\c", R"("a\"b\\c")", R"("a\"b\c")"},
    {"line_ending_from_card", "ERROR\r\n", R"("ERROR\r\n")", R"(ERROR\r\n)"},
    {"control_byte_and_del", std::string("\x01x\x7F", 3), R"("\u0001x\u007f")", R"(\x01x\x7F)"},
    {"nul_inside_text", std::string("a\0b", 3), R"("a\u0000b")", R"(a\x00b)"},
    {"utf8_passes", "\xC3\xA9t\xC3\xA9", "\"\xC3\xA9t\xC3\xA9\"", "\xC3\xA9t\xC3\xA9"},
    {"utf8_four_bytes", "\xF0\x9F\x93\xB1", "\"\xF0\x9F\x93\xB1\"", "\xF0\x9F\x93\xB1"},
    {"latin1_byte_from_ansi_page", "caf\xE9", R"("caf\u00e9")", "caf\xE9"},
    {"overlong_slash", "\xC0\xAF", R"("\u00c0\u00af")", "\xC0\xAF"},
    {"utf16_surrogate_encoded", "\xED\xA0\x80", R"("\u00ed\u00a0\u0080")", "\xED\xA0\x80"},
    {"truncated_sequence_at_end", "ab\xE2\x82", R"("ab\u00e2\u0082")", "ab\xE2\x82"},
    {"above_u10ffff", "\xF4\x90\x80\x80", R"("\u00f4\u0090\u0080\u0080")", "\xF4\x90\x80\x80"},
    {"empty", "", R"("")", R"("")"},
    {"blank_inside", "China Mobile", R"("China Mobile")", R"("China Mobile")"},
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class TextFormTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextFormTest, JsonAndReadable) {
  const TextCase& c = GetParam();
  EXPECT_EQ(Value::Text(c.bytes).ToJson(), c.json);
  EXPECT_EQ(Value::Text(c.bytes).ToText(), c.readable);
}

INSTANTIATE_TEST_SUITE_P(Value, TextFormTest, ::testing::ValuesIn(kTextCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ValueTest, NestedObjectsAndLists) {
  Value entry = Value::Object();
  entry.Set("status", Value::Int(2)).Set("long", Value::Text("China Mobile"));
  Value list = Value::Array();
  list.Push(entry).Push(Value::Int(-1));
  Value top = Value::Object();
  top.Set("ok", Value::Bool(true)).Set("operators", list).Set("ok", Value::Bool(false));
  EXPECT_EQ(top.ToJson(), R"({"ok":false,"operators":[{"status":2,"long":"China Mobile"},-1]})");
  EXPECT_EQ(top.ToText(), R"(ok=no operators=[{status=2 long="China Mobile"}, -1])");
}

}  // namespace
}  // namespace modlink_cli
