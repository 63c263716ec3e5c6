#include "value.h"

#include <cstdio>

namespace modlink_cli {

Value Value::Bool(bool b) {
  Value v;
  v.m_kind = Kind::kBool;
  v.m_bool = b;
  return v;
}

Value Value::Int(int64_t i) {
  Value v;
  v.m_kind = Kind::kInt;
  v.m_int = i;
  return v;
}

Value Value::Text(std::string s) {
  Value v;
  v.m_kind = Kind::kText;
  v.m_text = std::move(s);
  return v;
}

Value Value::Object() {
  Value v;
  v.m_kind = Kind::kObject;
  return v;
}

Value Value::Array() {
  Value v;
  v.m_kind = Kind::kArray;
  return v;
}

Value& Value::Set(const std::string& key, Value v) {
  for (auto& member : m_members) {
    if (member.first == key) {
      member.second = std::move(v);
      return *this;
    }
  }
  m_members.emplace_back(key, std::move(v));
  return *this;
}

Value& Value::Push(Value v) {
  m_items.push_back(std::move(v));
  return *this;
}

const Value* Value::Find(const std::string& key) const {
  for (const auto& member : m_members) {
    if (member.first == key) return &member.second;
  }
  return nullptr;
}

namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF are refused).
size_t Utf8Length(const std::string& s, size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  size_t n;
  uint32_t cp;
  if (b0 < 0x80) return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2;
    cp = b0 & 0x1Fu;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3;
    cp = b0 & 0x0Fu;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4;
    cp = b0 & 0x07u;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return n;
}

void AppendU(std::string& out, unsigned code) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04x", code);
  out += buf;
}

}  // namespace

std::string JsonString(const std::string& bytes) {
  std::string out = "\"";
  for (size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x80) {
      const size_t n = Utf8Length(bytes, i);
      if (n == 0) {
        AppendU(out, c);
        ++i;
      } else {
        out.append(bytes, i, n);
        i += n;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          AppendU(out, c);
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string Printable(const std::string& bytes) {
  std::string out;
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02X", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  return out;
}

std::string Hex(const uint8_t* data, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0x0F];
  }
  return out;
}

std::string Value::ToJson() const {
  switch (m_kind) {
    case Kind::kNull: return "null";
    case Kind::kBool: return m_bool ? "true" : "false";
    case Kind::kInt: return std::to_string(m_int);
    case Kind::kText: return JsonString(m_text);
    case Kind::kObject: {
      std::string out = "{";
      for (size_t i = 0; i < m_members.size(); ++i) {
        if (i) out += ',';
        out += JsonString(m_members[i].first);
        out += ':';
        out += m_members[i].second.ToJson();
      }
      return out + "}";
    }
    case Kind::kArray: {
      std::string out = "[";
      for (size_t i = 0; i < m_items.size(); ++i) {
        if (i) out += ',';
        out += m_items[i].ToJson();
      }
      return out + "]";
    }
  }
  return "null";
}

std::string Value::ToText() const {
  switch (m_kind) {
    case Kind::kNull: return "-";
    case Kind::kBool: return m_bool ? "yes" : "no";
    case Kind::kInt: return std::to_string(m_int);
    case Kind::kText: {
      const std::string p = Printable(m_text);
      const bool quote = p.empty() || p.find_first_of(" \"=,{}[]") != std::string::npos;
      if (!quote) return p;
      std::string out = "\"";
      for (char c : p) {
        if (c == '"') out += '\\';
        out += c;
      }
      return out + "\"";
    }
    case Kind::kObject: {
      std::string out;
      for (size_t i = 0; i < m_members.size(); ++i) {
        if (i) out += ' ';
        out += m_members[i].first;
        out += '=';
        const Value& v = m_members[i].second;
        out += v.m_kind == Kind::kObject ? "{" + v.ToText() + "}" : v.ToText();
      }
      return out;
    }
    case Kind::kArray: {
      std::string out = "[";
      for (size_t i = 0; i < m_items.size(); ++i) {
        if (i) out += ", ";
        const Value& v = m_items[i];
        out += v.m_kind == Kind::kObject ? "{" + v.ToText() + "}" : v.ToText();
      }
      return out + "]";
    }
  }
  return "-";
}

}  // namespace modlink_cli
