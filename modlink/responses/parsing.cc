#include "modlink/responses/parsing.h"

#include <cctype>

#include "modlink/linklayer/linklayer.h"

namespace modlink {

int32_t LineCursor::LineEnd(bool stopAtLf) const {
  for (int32_t i = m_pos; i < m_end; ++i) {
    if (m_text[i] == '\r' || (stopAtLf && m_text[i] == '\n')) return i;
  }
  return -1;
}

void LineCursor::SkipBlanks() {
  while (m_pos < m_end && m_text[m_pos] == ' ') ++m_pos;
}

void LineCursor::SkipOneBlank() {
  if (m_pos < m_end && m_text[m_pos] == ' ') ++m_pos;
}

template <typename T>
static T ReadDecimal(const char* text, int32_t end, int32_t* pos, T initial) {
  T value = initial;
  bool any = false;
  while (*pos < end && text[*pos] >= '0' && text[*pos] <= '9') {
    if (!any) value = 0;
    any = true;
    value = static_cast<T>(value * 10u + static_cast<T>(text[*pos] - '0'));
    ++*pos;
  }
  return value;
}

uint8_t LineCursor::Decimal8(uint8_t initial) {
  return ReadDecimal<uint8_t>(m_text, m_end, &m_pos, initial);
}
uint16_t LineCursor::Decimal16(uint16_t initial) {
  return ReadDecimal<uint16_t>(m_text, m_end, &m_pos, initial);
}
uint32_t LineCursor::Decimal32(uint32_t initial) {
  return ReadDecimal<uint32_t>(m_text, m_end, &m_pos, initial);
}

bool LineCursor::SkipPast(char c) {
  for (int32_t i = m_pos; i < m_end && m_text[i] != '\r' && m_text[i] != '\n'; ++i) {
    if (m_text[i] == c) {
      m_pos = i + 1;
      return true;
    }
  }
  return false;
}

int32_t LineCursor::CopyUntil(char* dst, size_t dstSize, char stop) {
  const int32_t start = m_pos;
  size_t n = 0;
  while (m_pos < m_end && m_text[m_pos] != '\r' && m_text[m_pos] != '\n' &&
         m_text[m_pos] != stop) {
    if (dst != nullptr && n + 1 < dstSize) dst[n++] = m_text[m_pos];
    ++m_pos;
  }
  if (dst != nullptr && dstSize > 0) dst[n] = '\0';
  return m_pos - start;
}

void LineCursor::ToLineEnd() {
  while (m_pos < m_end && m_text[m_pos] != '\r') ++m_pos;
}

void LineCursor::ThroughLineEnd() {
  ToLineEnd();
  while (m_pos < m_end && (m_text[m_pos] == '\r' || m_text[m_pos] == '\n')) ++m_pos;
}

int32_t LineLength(const char* text, int32_t available) {
  return LineCursor(text, available).LineEnd(true);
}

int32_t ThroughLineEndFrom(const char* text, int32_t available, int32_t from) {
  LineCursor c(text, available);
  c.SetPos(from);
  c.ThroughLineEnd();
  return c.Pos();
}

bool StartsWithNoCase(const LineCursor& line, const char* word) {
  for (int32_t i = 0; word[i] != '\0'; ++i) {
    const char c = line.Peek(i);
    if (c == '\0' || std::toupper(static_cast<unsigned char>(c)) !=
                         std::toupper(static_cast<unsigned char>(word[i])))
      return false;
  }
  return true;
}

int32_t PostDecimalByte(linklayer& link, int32_t id, const char* text, int32_t available) {
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.SkipPast(':');
  line.SkipBlanks();
  link.PostByte(id, line.Decimal8());
  return line.Pos();
}

}  // namespace modlink
