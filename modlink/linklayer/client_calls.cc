// The link-layer calls behind the client's exports; they run on the
// client's threads.
#include <cstring>

#include "modlink/linklayer/linklayer.h"
#include "modlink/linklayer/local_time.h"
#include "platform/notify.h"

namespace modlink {

bool linklayer::ReadIndication(int32_t* id, void* buffer, int32_t* length) {
  if (id == nullptr || buffer == nullptr || length == nullptr) {
    TraceLog("Dll_ReadDate: null argument refused\n");
    return false;
  }
  uint8_t record[kRecvBufSize];
  int32_t recordId = 0, recordLength = 0;
  if (!ReadQ.Dequeue(&recordId, record, &recordLength, kRecvBufSize)) return false;
  *id = recordId;
  // Every record carries the CR LF the queue appended; a shorter one has
  // no payload at all.
  const int32_t payload = recordLength >= 2 ? recordLength - 2 : 0;
  *length = payload;
  if (payload > 0) std::memcpy(buffer, record, static_cast<size_t>(payload));
  // At most 20 indications a second reach the client.
  plat::SleepMs(m_Timings.readDatePauseMs);
  return true;
}

bool linklayer::RawCommand(const char* bytes, int32_t length) {
  // The line and its CR LF must fit a 4096-byte record.
  if (bytes == nullptr || length < 0 || length > kRecvBufSize - 2) {
    TraceLogf("Dll_RawCommandReq: refused (length %d)\n", length);
    return false;
  }
  return WriteQ.Enqueue(kRequestRaw, bytes, length, 1);
}

bool linklayer::QueueJob(int32_t requestId) {
  const uint8_t zeros[5] = {};
  WriteQ.Enqueue(requestId, zeros, 5, 1);
  return true;
}

void linklayer::SetNotify(intptr_t handle) {
  if (!plat::IsNullClientHandle(handle)) m_hNotifyEvent = handle;
}

bool linklayer::OpenAndConfigureVideoPort() {
  if (!OpenVideoPort()) return false;
  if (ConfigureVideoPort(m_hVideoPort)) {
    TraceLog("Video Comm is ok now\n");
    return true;
  }
  return false;
}

int32_t linklayer::ReadVideoCom(void* buffer, int32_t size) {
  TraceLog("read video port\n");
  if (!m_hVideoPort.IsOpen()) {
    TraceLog("Invalid video port when read loop\n");
    return 0;
  }
  if (buffer == nullptr || size <= 0) {
    TraceLog("read video port is over\n");
    return 0;
  }
  plat::IoResult r = m_hVideoPort.Read(buffer, static_cast<uint32_t>(size));
  int32_t result = static_cast<int32_t>(r.bytes);
  if (!r.ok) {
    TraceLog(r.pending ? "ERR: I/O error on video port GetOverlappedResult \\n"
                       : "ERR: I/O error on video port \n");
    m_hVideoPort.ClearErrors();
    result = 0;
  }
  TraceLog("read video port is over\n");
  return result;
}

int32_t linklayer::WriteVideoCom(const void* buffer, int32_t size) {
  TraceLog("Write Video file\n");
  if (!m_hVideoPort.IsOpen()) {
    TraceLog("Write video com when invalid handle\n");
    return 0;
  }
  if (buffer == nullptr || size <= 0) return 0;
  plat::IoResult r = m_hVideoPort.Write(buffer, static_cast<uint32_t>(size));
  if (!r.ok) {
    TraceLogf("I/O error on video port %u \n", r.error);
    m_hVideoPort.ClearErrors();
    return 0;
  }
  if (r.pending) TraceLog("Write video com succes\n");
  return static_cast<int32_t>(r.bytes);
}

}  // namespace modlink
