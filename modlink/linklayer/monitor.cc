// The device monitor thread: watches the serial-port key and, once at start
// and after every change, closes the AT port, lists the card's ports again
// and either reopens the AT port or tells the client (indication 162).
#include <algorithm>

#include "modlink/linklayer/linklayer.h"
#include "platform/key_store.h"

namespace modlink {

int linklayer::MonitorLoop() {
  TraceLog("Beging Monitor loop\n");
  plat::Event changed(plat::ResetMode::Auto);
  plat::RegKey key;
  if (!key.Open("HARDWARE\\DEVICEMAP\\SERIALCOMM") && !key.Open("HARDWARE\\DEVICEMAP"))
    return 1;
  m_hStartEvent.Wait(plat::kInfinite);
  plat::Event* events[] = {&m_hStopEvent, &changed};
  for (;;) {
    if (!changed.Valid() || !key.NotifyChange(changed)) {
      TraceLog("failed to monitor the registry\n");
      return 1;
    }
    if (m_hStopEvent.Wait(0)) break;
    RecheckDevice();
    if (plat::WaitAny(events, 2, plat::kInfinite) != 1) break;
  }
  key.Close();
  TraceLog("linklayer monitor loop is over\n");
  return 0;
}

void linklayer::RecheckDevice() {
  // While the dial-up connection holds the card's only port, the port and
  // the dial-up state belong to that work.
  const bool dialupHolds = m_bDialupHoldsPort.load();
  if (!dialupHolds) {
    if (m_hComPort.IsOpen()) {
      m_hComPort.Purge();
      m_hComPort.SetEventMask(0);
      m_hComPort.Close();
    }
    uint8_t open = 2;
    m_nLinkState.compare_exchange_strong(open, 0);
    TraceLog(" close port\n");
  }
  // After the port is invalid, so a released writer finds it closed.
  m_hAnswerEvent.Set();
  plat::SleepMs(m_Timings.recheckPauseMs);

  int32_t list[kMaxCandidatePorts];
  const int count = EnumeratePorts(list);
  auto present = [&](int32_t n) {
    return n != -1 && std::find(list, list + count, n) != list + count;
  };
  uint8_t result = 1;
  if (count == 0) {
    m_nAtPort = -1;
    m_nModemPort = -1;
    result = 0;
  } else if (m_bDualPort ? (present(m_nAtPort) && present(m_nModemPort))
                         : present(m_nAtPort)) {
    // The known ports are still there: take the AT port back, with its
    // settings (a fresh handle has none).
    if (!dialupHolds && OpenComPort() && !ConfigureComPort(m_hComPort))
      m_nLinkState = 0;
    return;
  }
  Post(162, &result, 1);
  NotifyClient();
  TraceLogf("Detecting modem %s, result=%d.\r\n", m_strModemDeviceName.c_str(), result);
}

}  // namespace modlink
