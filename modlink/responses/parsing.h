// Scanning helpers shared by the response handlers. Every scan stops at the
// line end (CR, and LF where asked) and at the end of the available bytes,
// so no handler reads into the next line or past the received data.
#pragma once

#include <cstddef>
#include <cstdint>

namespace modlink {

class linklayer;

// Handler results besides the bytes consumed.
constexpr int32_t kIncomplete = -1;  // the line has not fully arrived
constexpr int32_t kMalformed = -2;   // the text cannot be parsed

class LineCursor {
 public:
  // text: the matched prefix; available: bytes from there to the data end.
  LineCursor(const char* text, int32_t available)
      : m_text(text), m_end(available < 0 ? 0 : available) {}

  int32_t Pos() const { return m_pos; }
  void SetPos(int32_t pos) { m_pos = pos < m_end ? pos : m_end; }
  bool AtEnd() const { return m_pos >= m_end; }
  // The byte at the cursor; 0 past the data.
  char Peek(int32_t ahead = 0) const {
    const int32_t i = m_pos + ahead;
    return i >= 0 && i < m_end ? m_text[i] : '\0';
  }
  void Skip(int32_t n = 1) { SetPos(m_pos + n); }

  // Offset of the line's CR (or, with stopAtLf, the first CR or LF) from
  // the start of the text; -1 when the line has not ended in the data.
  int32_t LineEnd(bool stopAtLf = false) const;
  bool LineComplete() const { return LineEnd(true) >= 0; }

  // Passes any number of blanks (0x20) / a single blank.
  void SkipBlanks();
  void SkipOneBlank();
  // Reads consecutive decimal digits, wrapping in the field's width; the
  // field keeps `initial` when no digit is there.
  uint8_t Decimal8(uint8_t initial = 0);
  uint16_t Decimal16(uint16_t initial = 0);
  uint32_t Decimal32(uint32_t initial = 0);
  // Moves past the next `c` on this line; false (cursor unchanged) when the
  // line ends first.
  bool SkipPast(char c);
  // Copies the bytes up to the line end (or `stop`) into dst, cut at
  // dstSize - 1 and terminated; returns the bytes consumed.
  int32_t CopyUntil(char* dst, size_t dstSize, char stop = '\r');
  // Moves to the line end: the CR (not consumed) or the data end.
  void ToLineEnd();
  // Moves past the line end and every CR or LF right after it.
  void ThroughLineEnd();

  int32_t Available() const { return m_end; }

 private:
  const char* m_text;
  int32_t m_end;
  int32_t m_pos = 0;
};

// Offset of the line's end (its first CR or LF) from `text`; -1 when the
// line has not ended within the available bytes.
int32_t LineLength(const char* text, int32_t available);
// Offset just past the CR at or after `from` and every CR or LF right
// after it.
int32_t ThroughLineEndFrom(const char* text, int32_t available, int32_t from);
// Whether the line at the cursor begins with `word`, ignoring case.
bool StartsWithNoCase(const LineCursor& line, const char* word);

// The body of the handlers whose line is "<prefix>: <number>": posts the
// number as one byte under `id` and consumes up to its last digit.
int32_t PostDecimalByte(linklayer& link, int32_t id, const char* text, int32_t available);

}  // namespace modlink
