// The link-layer object: one per loaded library. It owns the AT and video
// ports, the queues, the receive buffer, the response table copy and the
// four long-running threads:
//
//   reader  (highest)      ReadLoop: reads the AT port, runs the parser
//   writer  (above normal) WriteLoop: one WriteQ line outstanding at a time,
//                          port scans
//   status  (below normal) once a second: dial-up check, traffic accounting
//   monitor (normal)       MonitorLoop: watches the serial-port key
//
// Every thread waits for m_hStartEvent and ends when m_hStopEvent is set.
// Port handles, port numbers and state bytes are single words written by
// one thread and read by others: they are atomics. The destructor stops and
// waits for every thread before anything they touch is destroyed.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "modlink/linklayer/queue_policy.h"
#include "modlink/linklayer/trace_log.h"
#include "platform/event.h"
#include "platform/serial_port.h"
#include "platform/thread.h"

namespace modlink {

class linklayer;
class RasConnector;

// A response handler: (link, id, text at the matched prefix, bytes available
// from there) -> bytes consumed, -1 incomplete, -2 malformed.
using ResponseHandler = int32_t (*)(linklayer& link, int32_t id, const char* text,
                                    int32_t available);

struct ResponseEntry {
  int32_t id;
  std::string prefix;  // the entry's own copy
  int32_t length;
  ResponseHandler handler;
};

// RequestIds that are jobs for the writer rather than lines for the card.
constexpr int32_t kRequestConnectNetwork = 36;
constexpr int32_t kRequestDisconnectNetwork = 37;
constexpr int32_t kRequestScanPorts = 40;
constexpr int32_t kRequestScanVideoPort = 41;
constexpr int32_t kRequestOperatorList = 34;
constexpr int32_t kRequestQuiet = 10;
constexpr int32_t kRequestRaw = 32;

constexpr int32_t kRecvBufSize = 4096;
// Zero bytes after the parser's work copy: no fixed-offset look of a
// handler reads outside it.
constexpr int32_t kParseWorkPadding = 256;
constexpr int kMaxCandidatePorts = 30;

// Timing of the product; tests may shorten them through TestTimings only.
struct Timings {
  uint32_t answerWaitMs = 20000;  // per write of a line
  uint32_t scanReadScale = 1;     // divides the probe read timeouts (tests)
  uint32_t recheckPauseMs = 100;
  uint32_t readDatePauseMs = 50;  // after each indication the client reads
};

class linklayer {
 public:
  // startThreads false builds the object without its threads, for tests
  // that drive the parser or the writer's steps directly.
  explicit linklayer(bool startThreads = true, Timings timings = Timings());
  ~linklayer();
  linklayer(const linklayer&) = delete;
  linklayer& operator=(const linklayer&) = delete;

  // ---- members (Part of the object's contract, in declaration order) ----
  plat::SerialPort m_hComPort;
  plat::SerialPort m_hVideoPort;
  plat::Thread m_hReadThread, m_hWriteThread, m_hRasThread, m_hMonitorThread;
  plat::Event m_hStopEvent{plat::ResetMode::Manual};
  plat::Event m_hStartEvent{plat::ResetMode::Manual};
  plat::Event m_hWriteEvent{plat::ResetMode::Manual};
  std::atomic<intptr_t> m_hNotifyEvent{0};
  plat::Event m_hAnswerEvent{plat::ResetMode::Manual};
  std::atomic<uint8_t> m_bPortReported{0};
  uint8_t m_RecvBuf[kRecvBufSize] = {};
  // The parser's unwrapped copy of the unparsed bytes (reader thread only).
  uint8_t m_ParseWork[kRecvBufSize + kParseWorkPadding] = {};
  int32_t m_nReadPos = 0, m_nWritePos = 0, m_nUnparsed = 0;
  PrimitiveQueue WriteQ{"<Unknown>"};
  PrimitiveQueue ReadQ{"<Unknown>"};
  std::vector<ResponseEntry> m_ResponseTable;
  std::unique_ptr<RasConnector> m_pRasConnector;
  std::atomic<uint8_t> m_nLinkState{0};
  std::atomic<uint8_t> m_nDataState{0};
  std::string m_strModemDeviceName;
  std::atomic<int32_t> m_nAtPort{-1}, m_nModemPort{-1}, m_nVideoPort{-1};
  std::atomic<int32_t> m_b3GNetwork{0};
  std::atomic<uint8_t> m_bDualPort{0};  // the library-wide bDualPort

  // Set by the dial-up work while it holds the card's only port, so the
  // device monitor does not take the port back.
  std::atomic<bool> m_bDialupHoldsPort{false};

  const Timings m_Timings;

  // Indications posted so far; the parser wakes the client once per run
  // that posted any.
  std::atomic<uint64_t> m_nPosted{0};

  // ---- Part of the threads' work ----
  int ReadLoop();
  int WriteLoop();
  int StatusLoop();
  int MonitorLoop();

  bool AppendRead(const uint8_t* bytes, int32_t count);
  void Parse();
  void EmptyRecvBuf();

  // Serial ports.
  int EnumeratePorts(int32_t* list);
  bool OpenComPort();
  bool ConfigureComPort(plat::SerialPort& port);
  bool ConfigureVideoPort(plat::SerialPort& port);
  void CloseComPort();
  bool OpenVideoPort();
  void CloseVideoPort();
  void WriteCom(plat::SerialPort& port, const void* bytes, uint32_t count);
  void ScanPorts();
  void ScanVideoPort();
  void RecheckDevice();

  bool Connect();
  bool OpenAndConfigureVideoPort();
  int32_t ReadVideoCom(void* buffer, int32_t size);
  int32_t WriteVideoCom(const void* buffer, int32_t size);

  // Client calls behind the exports; they run on the client's threads.
  bool ReadIndication(int32_t* id, void* buffer, int32_t* length);
  bool RawCommand(const char* bytes, int32_t length);
  bool QueueJob(int32_t requestId);  // a scan: 5 zero bytes, signal 1
  void SetNotify(intptr_t handle);

  // Indications: post one into ReadQ (signal flag 0); NotifyClient sets the
  // client's event when it gave one.
  bool Post(int32_t id, const void* payload, int32_t length);
  bool PostByte(int32_t id, uint8_t value) { return Post(id, &value, 1); }
  void NotifyClient();

  // Whether construction got every event and started the threads.
  bool Running() const { return m_bRunning; }

 private:
  void HandleRequest(int32_t id, const uint8_t* bytes, int32_t length);
  TraceFile m_TraceFile;
  bool m_bRunning = false;
};

}  // namespace modlink
