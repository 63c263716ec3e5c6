// The writer thread: takes WriteQ requests one at a time, writes each line
// to the AT port and waits for the answer (m_hAnswerEvent) up to 20 s,
// writing the line at most three times. Port scans run here too, so they
// never overlap a command exchange.
#include <algorithm>
#include <cstring>
#include <vector>

#include "modlink/linklayer/linklayer.h"

namespace modlink {

int linklayer::WriteLoop() {
  m_hStartEvent.Wait(plat::kInfinite);
  plat::Event* events[] = {&m_hStopEvent, &m_hWriteEvent};
  std::vector<uint8_t> buffer(kRecvBufSize);
  uint8_t* line = buffer.data();
  for (;;) {
    if (plat::WaitAny(events, 2, plat::kInfinite) != 1) {
      TraceLog("linklayer write loop is over\n");
      return 0;
    }
    TraceLog("Begin write loop \n");
    // Reset before draining: a request queued at any moment either is taken
    // in this drain or sets the event again for the next one.
    m_hWriteEvent.Reset();
    int32_t id = 0, length = 0;
    while (!m_hStopEvent.Wait(0) && WriteQ.Dequeue(&id, line, &length, kRecvBufSize))
      HandleRequest(id, line, length);
    TraceLog("end write loop \n");
  }
}

void linklayer::HandleRequest(int32_t id, const uint8_t* bytes, int32_t length) {
  if (id == kRequestConnectNetwork || id == kRequestDisconnectNetwork) {
    // The dial-up connect and disconnect work runs here (single-port card)
    // or on a thread of its own (dual-port card) once the dial-up entry
    // exists; until then the request is only traced.
    TraceLogf("dial-up request %d: no dial-up service on this system\n", id);
    return;
  }
  if (id == kRequestScanPorts) {
    ScanPorts();
    return;
  }
  if (id == kRequestScanVideoPort) {
    ScanVideoPort();
    return;
  }
  if (!m_hComPort.IsOpen()) {
    if (m_bPortReported || id == kRequestQuiet) return;
    const uint8_t state = m_nLinkState.load();
    const uint8_t payload = (state >= 3 && state <= 5) ? 2 : 0;
    Post(161, &payload, 1);
    NotifyClient();
    m_bPortReported = 1;
    return;
  }
  {
    char text[491];
    const size_t n = std::min<size_t>(static_cast<size_t>(length), 490);
    std::memcpy(text, bytes, n);
    text[n] = '\0';
    TraceLog(text);
  }
  plat::Event* events[] = {&m_hAnswerEvent, &m_hStopEvent};
  const uint32_t wait =
      id == kRequestOperatorList ? plat::kInfinite : m_Timings.answerWaitMs;
  for (int tries = 0; tries < 3 && m_hComPort.IsOpen(); ++tries) {
    m_hAnswerEvent.Reset();
    WriteCom(m_hComPort, bytes, static_cast<uint32_t>(length));
    const int r = plat::WaitAny(events, 2, wait);
    if (r == 0 || r == 1) return;  // answered, or the library is stopping
  }
}

}  // namespace modlink
