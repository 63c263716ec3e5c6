// Shared by the handler tests: each case is given to its handler (bytes
// consumed, answer event) and then to the parser followed by "\r\nOK\r\n",
// whole and split at every offset, to show the handler takes nothing of
// the next line.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "modlink/linklayer/linklayer.h"

namespace testsupport {

using modlink::linklayer;
struct Ind {
  int32_t id;
  std::string payload;
  bool operator==(const Ind& o) const { return id == o.id && payload == o.payload; }
};

inline std::ostream& operator<<(std::ostream& os, const Ind& i) {
  os << "{" << i.id << ", " << i.payload.size() << " bytes:";
  for (size_t k = 0; k < i.payload.size() && k < 80; ++k) {
    const unsigned char c = static_cast<unsigned char>(i.payload[k]);
    if (c >= 0x20 && c < 0x7F) {
      os << c;
    } else {
      os << "\\x" << std::hex << static_cast<int>(c) << std::dec;
    }
  }
  return os << "}";
}

inline std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s += static_cast<char>(v);
  return s;
}

inline std::string Le32(int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
  return s;
}

inline std::string Field(const std::string& text, size_t size) {
  std::string f = text.substr(0, size - 1);
  f.resize(size, '\0');
  return f;
}

inline std::string OperatorEntry(int32_t status, const char* l, const char* s, const char* n, int32_t tech) {
  return Le32(status) + Field(l, 64) + Field(s, 20) + Field(n, 12) + Le32(tech);
}

inline std::vector<Ind> Drain(linklayer& link) {
  std::vector<Ind> out;
  std::vector<char> buf(4096);
  int32_t id = 0, length = 0;
  while (link.ReadQ.Dequeue(&id, buf.data(), &length, 4096))
    out.push_back({id, std::string(buf.data(), static_cast<size_t>(length - 2))});
  return out;
}

struct HandlerCase {
  const char* name;
  std::string line;  // without the "\r\nOK\r\n" that follows it
  std::vector<Ind> expected;
  int32_t consumed;  // from the prefix, with "\r\nOK\r\n" after the line
  bool answer;
};

// Hands bytes to the parser as the reader thread does.
inline void Feed(linklayer& link, const std::string& bytes) {
  if (link.AppendRead(reinterpret_cast<const uint8_t*>(bytes.data()),
                      static_cast<int32_t>(bytes.size())))
    link.Parse();
}

inline const modlink::ResponseEntry* Match(linklayer& link, const std::string& text) {
  for (const auto& e : link.m_ResponseTable)
    if (text.compare(0, static_cast<size_t>(e.length), e.prefix) == 0) return &e;
  return nullptr;
}

inline void CheckHandlerCase(const HandlerCase& c) {
  using modlink::linklayer;
  SCOPED_TRACE(c.name);
  const std::string input = c.line + "\r\nOK\r\n";
  {
    linklayer link(false);
    const modlink::ResponseEntry* e = Match(link, input);
    ASSERT_NE(e, nullptr);
    std::vector<char> work(input.begin(), input.end());
    work.resize(work.size() + 256, '\0');
    const int32_t used = e->handler(link, e->id, work.data(), static_cast<int32_t>(input.size()));
    EXPECT_EQ(used, c.consumed);
    EXPECT_EQ(Drain(link), c.expected);
    EXPECT_EQ(link.m_hAnswerEvent.Wait(0), c.answer);
  }
  for (size_t split = 0; split < input.size(); ++split) {
    linklayer link(false);
    if (split == 0) {
      Feed(link, input);
    } else {
      Feed(link, input.substr(0, split));
      Feed(link, input.substr(split));
    }
    std::vector<Ind> expected = c.expected;
    expected.push_back({100, "OK"});
    ASSERT_EQ(Drain(link), expected) << "split at " << split;
  }
}

}  // namespace testsupport
