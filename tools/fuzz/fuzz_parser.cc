// libFuzzer target: whatever bytes the card sends, in whatever reads they
// arrive, the parser and every response handler give indications or drop
// text, never a crash or a read outside the received data. The first input
// byte chooses the read size; the rest is the card's output.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "modlink/linklayer/linklayer.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

modlink::linklayer& Link() {
  // One object for the whole run: no threads, the parser driven directly.
  static modlink::linklayer* link = new modlink::linklayer(false);
  return *link;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  modlink::linklayer& link = Link();
  link.EmptyRecvBuf();
  const size_t piece = 1 + data[0] % 64;
  for (size_t off = 1; off < size; off += piece) {
    const size_t n = size - off < piece ? size - off : piece;
    if (link.AppendRead(data + off, static_cast<int32_t>(n))) link.Parse();
    Require(link.m_nUnparsed >= 0 && link.m_nUnparsed <= modlink::kRecvBufSize);
  }
  std::vector<uint8_t> record(4096);
  int32_t id = 0, length = 0;
  while (link.ReadQ.Dequeue(&id, record.data(), &length, 4096)) Require(length >= 2);
  link.WriteQ.Enqueue(0, "", 0, 0);  // keep the queues in use
  while (link.WriteQ.Dequeue(&id, record.data(), &length, 4096)) {
  }
  return 0;
}
