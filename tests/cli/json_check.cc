#include "json_check.h"

#include <cctype>
#include <cstring>

namespace clitest {
namespace {

class Parser {
 public:
  explicit Parser(const std::string& s) : m_s(s) {}

  bool Document(std::map<std::string, std::string>* members) {
    Blank();
    if (Peek() != '{') return false;
    if (!Object(members)) return false;
    Blank();
    return m_pos == m_s.size();
  }

 private:
  char Peek() const { return m_pos < m_s.size() ? m_s[m_pos] : '\0'; }
  void Blank() {
    while (m_pos < m_s.size() && std::strchr(" \t\r\n", m_s[m_pos]) && m_s[m_pos]) ++m_pos;
  }

  bool Value() {
    Blank();
    const char c = Peek();
    if (c == '{') return Object(nullptr);
    if (c == '[') return Array();
    if (c == '"') return String(nullptr);
    if (c == '-' || (c >= '0' && c <= '9')) return Number();
    for (const char* word : {"true", "false", "null"}) {
      if (m_s.compare(m_pos, std::strlen(word), word) == 0) {
        m_pos += std::strlen(word);
        return true;
      }
    }
    return false;
  }

  bool Object(std::map<std::string, std::string>* members) {
    ++m_pos;
    Blank();
    if (Peek() == '}') {
      ++m_pos;
      return true;
    }
    for (;;) {
      Blank();
      std::string key;
      if (!String(&key)) return false;
      Blank();
      if (Peek() != ':') return false;
      ++m_pos;
      Blank();
      const size_t start = m_pos;
      if (!Value()) return false;
      if (members) (*members)[key] = m_s.substr(start, m_pos - start);
      Blank();
      if (Peek() == ',') {
        ++m_pos;
        continue;
      }
      if (Peek() == '}') {
        ++m_pos;
        return true;
      }
      return false;
    }
  }

  bool Array() {
    ++m_pos;
    Blank();
    if (Peek() == ']') {
      ++m_pos;
      return true;
    }
    for (;;) {
      if (!Value()) return false;
      Blank();
      if (Peek() == ',') {
        ++m_pos;
        continue;
      }
      if (Peek() == ']') {
        ++m_pos;
        return true;
      }
      return false;
    }
  }

  bool String(std::string* out) {
    if (Peek() != '"') return false;
    ++m_pos;
    while (m_pos < m_s.size()) {
      const auto c = static_cast<unsigned char>(m_s[m_pos]);
      if (c == '"') {
        ++m_pos;
        return true;
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        ++m_pos;
        const char e = Peek();
        if (e == 'u') {
          for (int i = 1; i <= 4; ++i) {
            if (m_pos + static_cast<size_t>(i) >= m_s.size() ||
                !std::isxdigit(static_cast<unsigned char>(m_s[m_pos + static_cast<size_t>(i)]))) {
              return false;
            }
          }
          m_pos += 5;
          continue;
        }
        if (!e || !std::strchr("\"\\/bfnrt", e)) return false;
        if (out) *out += e;
        ++m_pos;
        continue;
      }
      if (c >= 0x80) {
        // UTF-8: lead byte and the right number of continuation bytes.
        const size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (n == 0 || c > 0xF4 || m_pos + n > m_s.size()) return false;
        for (size_t k = 1; k < n; ++k) {
          if ((static_cast<unsigned char>(m_s[m_pos + k]) & 0xC0) != 0x80) return false;
        }
        if (out) out->append(m_s, m_pos, n);
        m_pos += n;
        continue;
      }
      if (out) *out += static_cast<char>(c);
      ++m_pos;
    }
    return false;
  }

  bool Number() {
    const size_t start = m_pos;
    if (Peek() == '-') ++m_pos;
    if (!std::isdigit(static_cast<unsigned char>(Peek()))) return false;
    if (Peek() == '0') {
      ++m_pos;
    } else {
      while (std::isdigit(static_cast<unsigned char>(Peek()))) ++m_pos;
    }
    if (Peek() == '.') {
      ++m_pos;
      if (!std::isdigit(static_cast<unsigned char>(Peek()))) return false;
      while (std::isdigit(static_cast<unsigned char>(Peek()))) ++m_pos;
    }
    return m_pos > start;
  }

  const std::string& m_s;
  size_t m_pos = 0;
};

}  // namespace

bool ParseJsonObject(const std::string& text, std::map<std::string, std::string>* members) {
  Parser p(text);
  return p.Document(members);
}

}  // namespace clitest
