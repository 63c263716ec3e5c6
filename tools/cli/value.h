// A small value tree for decoded indication payloads and command results, with
// the two renderings the tool prints: one readable line (key=value ...) and JSON.
//
// Texts from the card are bytes in the client's code page, not necessarily
// UTF-8: the readable form escapes control bytes, the JSON form also escapes
// every byte that is not part of valid UTF-8 (as \u00XX, i.e. read as Latin-1),
// so the output is always valid JSON.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace modlink_cli {

class Value {
 public:
  enum class Kind { kNull, kBool, kInt, kText, kObject, kArray };

  Value() = default;
  static Value Bool(bool b);
  static Value Int(int64_t i);
  static Value Text(std::string s);
  static Value Object();
  static Value Array();

  // Object members keep their insertion order; Set replaces an existing key.
  Value& Set(const std::string& key, Value v);
  Value& Push(Value v);

  Kind kind() const { return m_kind; }
  bool AsBool() const { return m_bool; }
  int64_t AsInt() const { return m_int; }
  const std::string& AsText() const { return m_text; }
  const std::vector<std::pair<std::string, Value>>& Members() const { return m_members; }
  const std::vector<Value>& Items() const { return m_items; }
  // Member by key, or nullptr.
  const Value* Find(const std::string& key) const;

  std::string ToJson() const;
  // Readable: objects as "k=v k=v", texts quoted when they hold blanks or are empty.
  std::string ToText() const;

 private:
  Kind m_kind = Kind::kNull;
  bool m_bool = false;
  int64_t m_int = 0;
  std::string m_text;
  std::vector<std::pair<std::string, Value>> m_members;
  std::vector<Value> m_items;
};

// JSON string literal (with quotes) of arbitrary bytes.
std::string JsonString(const std::string& bytes);
// Bytes with controls and DEL shown as \r, \n, \t, \xHH; other bytes kept.
std::string Printable(const std::string& bytes);
std::string Hex(const uint8_t* data, size_t size);

}  // namespace modlink_cli
