#include "sms_text.h"

#include <cwchar>

namespace modlink_cli {
namespace {

// Printable ASCII that the GSM default alphabet holds; 0 when it does not
// (the grave accent), 2 for the characters of the extension table.
int GsmSeptets(wchar_t c) {
  if (c == L'\n' || c == L'\r') return 1;
  if (c < 0x20 || c > 0x7E || c == L'`') return 0;
  switch (c) {
    case L'^': case L'{': case L'}': case L'\\': case L'[': case L'~': case L']': case L'|':
      return 2;
    default:
      return 1;
  }
}

struct Character {
  std::string bytes;
  int gsm;    // septets, 0 when not in the GSM alphabet
  int units;  // UTF-16 code units
};

}  // namespace

bool SplitSmsText(const std::string& text, size_t maxParts, SmsParts* out, std::string* error) {
  out->parts.clear();
  if (text.empty()) {
    *error = "the message text is empty";
    return false;
  }
  std::vector<Character> chars;
  std::mbstate_t state{};
  bool gsm = true;
  for (size_t pos = 0; pos < text.size();) {
    wchar_t wc = 0;
    const size_t n = std::mbrtowc(&wc, text.data() + pos, text.size() - pos, &state);
    if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2)) {
      *error = "the message text is not valid in this locale's character encoding";
      return false;
    }
    const size_t len = n == 0 ? 1 : n;  // an embedded NUL is one character
    Character c{text.substr(pos, len), GsmSeptets(wc), static_cast<unsigned long>(wc) > 0xFFFF ? 2 : 1};
    if (c.gsm == 0) gsm = false;
    chars.push_back(std::move(c));
    pos += len;
  }
  out->coding = gsm ? 0 : 8;
  const int single = gsm ? 160 : 70;
  const int concatenated = gsm ? 153 : 67;
  int total = 0;
  for (const auto& c : chars) total += gsm ? c.gsm : c.units;
  const int limit = total <= single ? single : concatenated;
  std::string part;
  int used = 0;
  for (const auto& c : chars) {
    const int cost = gsm ? c.gsm : c.units;
    if (used + cost > limit) {
      out->parts.push_back(part);
      part.clear();
      used = 0;
    }
    part += c.bytes;
    used += cost;
  }
  out->parts.push_back(part);
  if (out->parts.size() > maxParts) {
    *error = "the message needs " + std::to_string(out->parts.size()) + " parts; at most " +
             std::to_string(maxParts) + " are sent";
    out->parts.clear();
    return false;
  }
  return true;
}

std::string WithGsmEscapes(const std::string& part) {
  std::string out;
  for (char c : part) {
    if (GsmSeptets(static_cast<unsigned char>(c)) == 2) out += '\x1B';
    out += c;
  }
  return out;
}

}  // namespace modlink_cli
