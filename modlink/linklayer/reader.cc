// The reader thread and the response parser. ReadLoop, AppendRead, Parse
// and every response handler run on the reader thread only, so the receive
// buffer needs no lock.
//
// Framing: responses are matched by their leading text against the
// response table, first row first. The parser never loses an answer to the
// way the card's bytes were split into reads: a line whose end has not
// arrived yet stays in the receive buffer for the next run, and a line that
// matches nothing is dropped on its own.
#include <algorithm>
#include <cstring>
#include <vector>

#include "modlink/linklayer/linklayer.h"

namespace modlink {
namespace {

bool IsLineEnd(uint8_t c) { return c == '\r' || c == '\n'; }

// Offset of the next CR or LF from `from`, or -1.
int32_t FindLineEnd(const uint8_t* work, int32_t from, int32_t end) {
  for (int32_t i = from; i < end; ++i)
    if (IsLineEnd(work[i])) return i;
  return -1;
}

int32_t FindCr(const uint8_t* work, int32_t from, int32_t end) {
  for (int32_t i = from; i < end; ++i)
    if (work[i] == '\r') return i;
  return -1;
}

}  // namespace

int linklayer::ReadLoop() {
  TraceLog("Beging read loop\n");
  m_hStartEvent.Wait(plat::kInfinite);
  std::vector<uint8_t> buffer(kRecvBufSize);
  for (;;) {
    if (m_hStopEvent.Wait(50)) {
      TraceLog("linklayer read loop is over\n");
      return 0;
    }
    if (!m_hComPort.IsOpen()) continue;
    // Read no more than the receive buffer has room for: bytes kept from an
    // unfinished line must not be lost to an overflow. A buffer full of one
    // line that never ends is given up.
    int32_t room = kRecvBufSize - m_nUnparsed;
    if (room <= 0) {
      TraceLog("Err: add read data over flow\n");
      EmptyRecvBuf();
      room = kRecvBufSize;
    }
    std::memset(buffer.data(), 0, buffer.size());
    plat::IoResult r = m_hComPort.Read(buffer.data(), static_cast<uint32_t>(room));
    if (!r.ok) {
      TraceLog(r.pending ? "ERR: I/O error on serial port GetOverlappedResult \\n"
                         : "ERR: I/O error on serial port \n");
      m_hComPort.ClearErrors();
    }
    // Bytes that arrived before a failure (the port closing under the read)
    // are still the card's answer.
    if (r.bytes != 0 && AppendRead(buffer.data(), static_cast<int32_t>(r.bytes)))
      Parse();
  }
}

void linklayer::EmptyRecvBuf() {
  std::memset(m_RecvBuf, 0, sizeof m_RecvBuf);
  m_nReadPos = m_nWritePos = m_nUnparsed = 0;
}

bool linklayer::AppendRead(const uint8_t* bytes, int32_t count) {
  if (bytes == nullptr || count <= 0) return false;
  if (m_nUnparsed + count > kRecvBufSize) {
    TraceLog("Err: add read data over flow\n");
    EmptyRecvBuf();
    return false;
  }
  for (int32_t i = 0; i < count; ++i) {
    m_RecvBuf[m_nWritePos] = bytes[i];
    m_nWritePos = (m_nWritePos + 1) % kRecvBufSize;
  }
  m_nUnparsed += count;
  return true;
}

void linklayer::Parse() {
  if (m_nUnparsed == 0) return;
  uint8_t* const work = m_ParseWork;
  const int32_t total = m_nUnparsed;
  const int32_t first = std::min(total, kRecvBufSize - m_nReadPos);
  std::memcpy(work, m_RecvBuf + m_nReadPos, static_cast<size_t>(first));
  std::memcpy(work + first, m_RecvBuf, static_cast<size_t>(total - first));
  std::memset(work + total, 0, kParseWorkPadding);
  int32_t p = 0;
  auto consume = [&](int32_t n) {
    p += n;
    m_nReadPos = (m_nReadPos + n) % kRecvBufSize;
    m_nUnparsed -= n;
  };
  const uint64_t postedBefore = m_nPosted.load();

  for (;;) {
    while (p < total && IsLineEnd(work[p])) consume(1);
    if (p >= total) {
      EmptyRecvBuf();
      break;
    }
    const int32_t available = total - p;
    const char* text = reinterpret_cast<const char*>(work + p);
    const ResponseEntry* match = nullptr;
    for (const ResponseEntry& e : m_ResponseTable) {
      if (e.length <= available && std::memcmp(text, e.prefix.data(), e.length) == 0) {
        match = &e;
        break;
      }
    }
    if (match == nullptr) {
      // An unknown line is dropped up to its end; one whose end has not
      // arrived yet is kept, it may still become a known response.
      const int32_t end = FindLineEnd(work, p, total);
      if (end < 0) break;
      consume(end - p);
      continue;
    }
    int32_t used = match->handler(*this, match->id, text, available);
    if (used == -1) {
      TraceLog("err: parse NOT full \n");
      break;  // kept from the prefix on, for the next run
    }
    if (used == -2) {
      TraceLog("Err:Parser error for return -1");
      const int32_t end = FindCr(work, p, total);
      consume(end < 0 ? available : end - p);
      continue;
    }
    if (used < 0) used = match->length;  // no other negative result exists
    if (used == 0) used = match->length;
    if (used > available) used = available;
    consume(used);
  }
  if (m_nPosted.load() != postedBefore) NotifyClient();
}

}  // namespace modlink
