// Filling the binary records that cross to the client: little-endian
// integers at fixed offsets (or appended field after field), text fields
// cut at their size less one and terminated. Writes outside the record are
// refused, never made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "modlink/textcoding/clock_record.h"

namespace modlink {

class RecordWriter {
 public:
  RecordWriter(uint8_t* record, size_t size) : m_record(record), m_size(size) {
    std::memset(m_record, 0, m_size);
  }
  template <size_t N>
  explicit RecordWriter(uint8_t (&record)[N]) : RecordWriter(record, N) {}

  // Field after field, from offset 0.
  void AppendU8(uint8_t v) { Advance(1, [&] { U8(m_pos, v); }); }
  void AppendU16(uint16_t v) { Advance(2, [&] { U16(m_pos, v); }); }
  void AppendI32(int32_t v) { Advance(4, [&] { I32(m_pos, v); }); }
  void AppendBytes(const void* bytes, size_t n) {
    Advance(n, [&] { std::memcpy(m_record + m_pos, bytes, n); });
  }
  void AppendClock(const ClockRecord& c) {
    AppendU16(c.m_nYear);
    AppendU8(c.m_nMonth);
    AppendU8(c.m_nDay);
    AppendU8(c.m_nHour);
    AppendU8(c.m_nMinute);
    AppendU8(c.m_nSecond);
    AppendU8(0);
  }
  size_t Pos() const { return m_pos; }

  void U8(size_t offset, uint8_t v) { Put(offset, v, 1); }
  void U16(size_t offset, uint16_t v) { Put(offset, v, 2); }
  void I32(size_t offset, int32_t v) { Put(offset, static_cast<uint32_t>(v), 4); }
  void U64(size_t offset, uint64_t v) { Put(offset, v, 8); }
  // Copies at most fieldSize - 1 bytes of text (stopping at a zero byte)
  // and terminates the field.
  void Text(size_t offset, size_t fieldSize, const char* text, size_t length) {
    if (fieldSize == 0 || offset + fieldSize > m_size || text == nullptr) return;
    size_t n = 0;
    while (n < length && n + 1 < fieldSize && text[n] != '\0') {
      m_record[offset + n] = static_cast<uint8_t>(text[n]);
      ++n;
    }
    m_record[offset + n] = 0;
  }

 private:
  template <typename Write>
  void Advance(size_t width, Write write) {
    if (m_pos + width > m_size) {
      m_pos = m_size;
      return;
    }
    write();
    m_pos += width;
  }
  void Put(size_t offset, uint64_t v, size_t width) {
    if (offset + width > m_size) return;
    for (size_t i = 0; i < width; ++i) m_record[offset + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  uint8_t* m_record;
  size_t m_size;
  size_t m_pos = 0;
};

}  // namespace modlink
