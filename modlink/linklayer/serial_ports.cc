// Finding the card's ports, opening and configuring them. The scans run on
// the writer thread; Connect, CloseComPort and the video functions on the
// client's threads; RecheckDevice on the monitor thread.
#include <cstdio>
#include <cstring>
#include <string>

#include "modlink/linklayer/linklayer.h"
#include "platform/key_store.h"
#include "platform/paths.h"

namespace modlink {
namespace {

constexpr char kSerialCommKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
const uint8_t kVideoProbe[11] = {0x41, 0x54, 0, 0, 3, 0, 0, 0, 0, 0, 0};
const uint8_t kVideoAnswer[11] = {0x41, 0x54, 0, 0, 3, 0, 0, 0, 1, 0, 0};

plat::SerialTimeouts PortTimeouts(bool at) {
  plat::SerialTimeouts t;
  t.readInterval = 10;
  t.readTotalMultiplier = at ? 10 : 0;
  t.readTotalConstant = 100;
  t.writeTotalMultiplier = 0;
  t.writeTotalConstant = 100;
  return t;
}

// Port number after "COM": the run of digits, 0 when none. A number of more
// than 8 digits names no port (its device path would not fit); -1.
int32_t ComNumber(const char* data) {
  int64_t n = 0;
  int digits = 0;
  for (const char* p = data + 3; *p >= '0' && *p <= '9'; ++p) {
    if (++digits > 8) return -1;
    n = n * 10 + (*p - '0');
  }
  return static_cast<int32_t>(n);
}

}  // namespace

int linklayer::EnumeratePorts(int32_t* list) {
  plat::RegKey key;
  if (!key.Open(kSerialCommKey)) return 0;
  int count = 0;
  for (uint32_t index = 0; count < kMaxCandidatePorts; ++index) {
    char name[60];
    uint8_t data[61] = {};
    uint32_t nameLen = sizeof name, dataLen = 60;
    if (key.EnumValue(index, name, &nameLen, data, &dataLen) != plat::EnumResult::Ok)
      break;
    data[60] = 0;
    const char* text = reinterpret_cast<const char*>(data);
    if (std::strncmp(text, "COM", 3) != 0 || std::strstr(name, "QCUSB") == nullptr)
      continue;
    const int32_t n = ComNumber(text);
    if (n < 0) {
      TraceLogf("ignore port %.20s: number too long\n", text);
      continue;
    }
    list[count++] = n;
  }
  return count;
}

static bool OpenByNumber(plat::SerialPort& port, int32_t number) {
  const std::string path = plat::ComDevicePath(static_cast<uint32_t>(number));
  return !path.empty() && port.Open(path);
}

// Opens the AT or video port with its trace lines; an opened port is
// purged and its error state cleared.
static bool OpenTraced(plat::SerialPort& port, int32_t number, const char* opening,
                       const char* failed, const char* opened) {
  TraceLog(opening);
  if (!OpenByNumber(port, number)) {
    TraceLog(failed);
    return false;
  }
  TraceLog(opened);
  port.Purge();
  port.ClearErrors();
  return true;
}

bool linklayer::OpenComPort() {
  const int32_t at = m_nAtPort;
  if (at == -1) return false;
  if (!m_hComPort.IsOpen() &&
      !OpenTraced(m_hComPort, at, "dll: open port\n", "Cannot open serial port!\n",
                  "open serial port successfully!\n"))
    return false;
  m_nLinkState = 2;
  return true;
}

static bool Configure(plat::SerialPort& port, bool at) {
  if (!port.SetTimeouts(PortTimeouts(at))) TraceLog(" error on Set commtimeouts \n");
  plat::SerialLineSettings s;
  s.binary = at;
  s.xonXoffOut = s.xonXoffIn = !at;
  s.rts = at ? plat::RtsMode::Enable : plat::RtsMode::AsReported;
  switch (port.ApplyLineSettings(s)) {
    case plat::ApplyResult::ReadStateFailed:
      TraceLog("Unable to obtain serial device control block values.\n");
      port.Close();
      return false;
    case plat::ApplyResult::WriteStateFailed:
      port.Close();
      TraceLog("can not set dcb for comm \n");
      return false;
    case plat::ApplyResult::Ok:
      break;
  }
  if (!port.SetQueueSizes(8192, 8192)) TraceLog(" error on Setup comm \n");
  port.SetEventMask(at ? plat::kEventRxChar | plat::kEventCts : plat::kEventRxChar);
  return true;
}

bool linklayer::ConfigureComPort(plat::SerialPort& port) { return Configure(port, true); }
bool linklayer::ConfigureVideoPort(plat::SerialPort& port) { return Configure(port, false); }

bool linklayer::Connect() {
  if (m_nLinkState == 2) {
    TraceLog("Dll_Connect called in case of connected \n");
    return true;
  }
  if (!OpenComPort()) return false;
  if (ConfigureComPort(m_hComPort)) {
    TraceLog("Comm is ok now\n");
    return true;
  }
  m_nLinkState = 0;
  return false;
}

void linklayer::CloseComPort() {
  if (m_hComPort.IsOpen()) {
    m_hComPort.Purge();
    m_hComPort.SetEventMask(0);
    m_hComPort.Close();
  }
  m_nLinkState = 0;
  // After the port is invalid: a writer released now finds it closed and
  // does not write to it again.
  m_hAnswerEvent.Set();
  TraceLog(" close port\n");
}

bool linklayer::OpenVideoPort() {
  const int32_t video = m_nVideoPort;
  if (video == -1) return false;
  if (m_hVideoPort.IsOpen()) return true;
  return OpenTraced(m_hVideoPort, video, "dll: open video port\n", "Cannot open video port!\n",
                    "open video port successfully!\n");
}

void linklayer::CloseVideoPort() {
  if (m_hVideoPort.IsOpen()) {
    m_hVideoPort.SetEventMask(0);
    m_hVideoPort.Close();
  }
  TraceLog("close video port\n");
}

void linklayer::WriteCom(plat::SerialPort& port, const void* bytes, uint32_t count) {
  TraceLog("Write file\n");
  if (!port.IsOpen()) {
    TraceLog("Write com when invalid handle\n");
    return;
  }
  plat::IoResult r = port.Write(bytes, count);
  if (r.ok) {
    if (r.pending) TraceLog("Write com succes\n");
    return;
  }
  TraceLogf("I/O error on serial port %u \n", r.error);
  port.ClearErrors();
}

namespace {

// One probe read of up to 200 bytes; the answer as text (at most 199).
std::string ProbeRead(plat::SerialPort& port, uint32_t scale) {
  if (scale > 1) {
    plat::SerialTimeouts t = PortTimeouts(true);
    t.readTotalMultiplier = t.readTotalMultiplier / scale;
    t.readTotalConstant = t.readTotalConstant / scale;
    port.SetTimeouts(t);
  }
  char buf[200] = {};
  plat::IoResult r = port.Read(buf, sizeof buf);
  if (!r.ok) {
    TraceLog("ERR: I/O error on serial port \n");
    r.bytes = 0;
  }
  const uint32_t n = r.bytes < 199 ? r.bytes : 199;
  return std::string(buf, n);
}

}  // namespace

void linklayer::ScanPorts() {
  if (m_hComPort.IsOpen()) return;
  m_nAtPort = -1;
  m_nModemPort = -1;
  int found = 0, counted = 0, needed = 1;
  int32_t list[kMaxCandidatePorts];
  const int count = EnumeratePorts(list);
  TraceLogf("Begain scan ports, count=%d\r\n", count);
  static const char kProbe[] = "AT\r\n";
  for (int i = 0; i < count && !found; ++i) {
    if (m_hStopEvent.Wait(0)) break;
    const std::string path = plat::ComDevicePath(static_cast<uint32_t>(list[i]));
    plat::SerialPort port;
    if (path.empty() || !port.Open(path)) {
      TraceLogf("scan port: can not open %s!\n", path.c_str());
      continue;
    }
    TraceLogf("scan port: open %s ok!\n", path.c_str());
    port.Purge();
    port.ClearErrors();
    if (!ConfigureComPort(port)) continue;
    plat::SleepMs(10);
    WriteCom(port, kProbe, 4);
    plat::SleepMs(10);
    port.PurgeReceive();
    WriteCom(port, kProbe, 4);
    TraceLog(kProbe);
    plat::SleepMs(10);
    const std::string answer = ProbeRead(port, m_Timings.scanReadScale);
    TraceLogf("scan port:read data%dbyte:%s\n", static_cast<int>(answer.size()),
              answer.c_str());
    const char* text = answer.c_str();
    const char* modem = std::strstr(text, "+CINQP: MODEM PORT");
    if (std::strstr(text, "OK") != nullptr) {
      m_nAtPort = list[i];
      TraceLogf("the port is %d\r\n", list[i]);
      port.Close();
      TraceLog("dll: scan port ok\n");
      m_bDualPort = 0;
      found = 1;
    } else if (std::strstr(text, "+CINQP: MODEM PORT,2") != nullptr) {
      m_bDualPort = 1;
      m_nAtPort = list[i];
      TraceLogf("the AT port is %d\r\n", list[i]);
      port.Close();
      TraceLog("dll: scan AT port ok\n");
      if (++counted == 2) found = 1;
    } else if (modem != nullptr) {
      // The digit after "PORT,": 19 positions on; past the answer's end
      // reads as a zero byte.
      const size_t at = static_cast<size_t>(modem - text) + 19;
      const char digit = at < answer.size() ? text[at] : '\0';
      if (digit == '1' || digit == '\n') {
        m_nModemPort = list[i];
        needed = 2;
      } else {
        m_nAtPort = list[i];
        m_bDualPort = 0;
      }
      TraceLogf("the modem port is %d\r\n", list[i]);
      port.Close();
      TraceLog("dll: scan modem port ok\n");
      if (++counted == needed) found = 1;
    } else {
      port.Close();
    }
  }
  // Found only when the AT port is known: two modem-port answers alone are
  // not a card the library can talk to.
  if (found && m_nAtPort == -1) found = 0;
  TraceLogf("Finished scan ports, result=%d\r\n", found);
  const uint8_t payload = static_cast<uint8_t>(found);
  Post(195, &payload, 1);
  NotifyClient();
}

void linklayer::ScanVideoPort() {
  int found = 0;
  int32_t list[kMaxCandidatePorts];
  const int count = EnumeratePorts(list);
  for (int i = 0; i < count && !found; ++i) {
    if (list[i] == m_nAtPort) continue;
    if (m_hStopEvent.Wait(0)) break;
    const std::string path = plat::ComDevicePath(static_cast<uint32_t>(list[i]));
    plat::SerialPort port;
    if (path.empty() || !port.Open(path)) {
      TraceLog("scan video port: can not open!\n");
      continue;
    }
    TraceLogf("scan port: open %s ok!\n", path.c_str());
    port.Purge();
    if (!ConfigureComPort(port)) continue;
    plat::SleepMs(10);
    WriteCom(port, kVideoProbe, sizeof kVideoProbe);
    plat::SleepMs(10);
    port.PurgeReceive();
    WriteCom(port, kVideoProbe, sizeof kVideoProbe);
    plat::SleepMs(10);
    const std::string answer = ProbeRead(port, m_Timings.scanReadScale);
    TraceLogf("dll: scaning video port: read %s ok!\n", answer.c_str());
    if (answer.size() >= sizeof kVideoAnswer &&
        std::memcmp(answer.data(), kVideoAnswer, sizeof kVideoAnswer) == 0) {
      m_nVideoPort = list[i];
      found = 1;
      TraceLogf("the video port is %d", list[i]);
      port.Close();
      TraceLog("dll: scan video port ok\n");
    } else {
      port.Close();
    }
  }
  uint8_t payload[5];
  payload[0] = static_cast<uint8_t>(found);
  const uint32_t video = static_cast<uint32_t>(m_nVideoPort.load());
  for (int b = 0; b < 4; ++b) payload[1 + b] = static_cast<uint8_t>(video >> (8 * b));
  Post(196, payload, 5);
  NotifyClient();
}

}  // namespace modlink
