// Serial ports on Windows: a COM device opened for overlapped I/O, no
// sharing. Reads and writes are issued overlapped and waited for here, so
// the COMMTIMEOUTS set on the port decide when they end.
//
// Threads: one reader and one writer may be inside Read()/Write() while a
// third thread calls Close(). Every use of the handle is counted under the
// lock; Close() marks the port closing, sets the close event (which each
// waiting call watches next to its own completion event), cancels the
// handle's I/O, and closes the handle only once the count is back to zero.
// So no call can use the handle value after CloseHandle, when the system
// may already have given the same value to another object.
#include "platform/serial_port.h"

#include <windows.h>

namespace plat {

namespace {

struct PortState {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE idle = CONDITION_VARIABLE_INIT;
  HANDLE port = INVALID_HANDLE_VALUE;
  HANDLE closeEvent = nullptr;  // set by Close(); manual reset
  HANDLE claim = nullptr;       // named object marking the port as held
  unsigned inFlight = 0;        // calls using `port` right now
  bool closing = false;

  // Counts a use of the handle; false when the port is closed or closing.
  bool Acquire(HANDLE* port_, HANDLE* closeEvent_) {
    AcquireSRWLockExclusive(&lock);
    const bool usable = port != INVALID_HANDLE_VALUE && !closing;
    if (usable) {
      ++inFlight;
      *port_ = port;
      if (closeEvent_ != nullptr) *closeEvent_ = closeEvent;
    }
    ReleaseSRWLockExclusive(&lock);
    return usable;
  }

  void Release() {
    AcquireSRWLockExclusive(&lock);
    if (--inFlight == 0) WakeAllConditionVariable(&idle);
    ReleaseSRWLockExclusive(&lock);
  }
};

// Holds one counted use of the port's handle for a scope.
class HandleUse {
 public:
  explicit HandleUse(PortState* impl) : m_impl(impl) {
    m_ok = impl->Acquire(&m_port, &m_closeEvent);
  }
  ~HandleUse() {
    if (m_ok) m_impl->Release();
  }
  HandleUse(const HandleUse&) = delete;
  HandleUse& operator=(const HandleUse&) = delete;

  bool ok() const { return m_ok; }
  HANDLE port() const { return m_port; }
  HANDLE closeEvent() const { return m_closeEvent; }

 private:
  PortState* m_impl;
  HANDLE m_port = INVALID_HANDLE_VALUE;
  HANDLE m_closeEvent = nullptr;
  bool m_ok = false;
};

enum class Direction { Read, Write };

// Serial drivers refuse a second opener of a port, but not every
// implementation of the API does (Wine does not), so a port is also claimed
// by a named object for as long as it is open. Returns null when another
// opener in this session holds the claim.
HANDLE ClaimPort(const std::string& devicePath) {
  std::string name = "Local\\Modlink.SerialPort.";
  for (char c : devicePath) {
    if (c == '\\') c = '_';
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    name.push_back(c);
  }
  SetLastError(ERROR_SUCCESS);
  HANDLE claim = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  if (claim != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(claim);
    return nullptr;
  }
  return claim;
}

// Issues one overlapped transfer and waits for it to end, or for Close().
IoResult Transfer(HandleUse& use, Direction direction, void* buffer,
                  uint32_t size) {
  IoResult result;
  if (!use.ok()) {
    result.error = ERROR_INVALID_HANDLE;
    return result;
  }
  if (buffer == nullptr && size != 0) {
    result.error = ERROR_INVALID_PARAMETER;
    return result;
  }
  OVERLAPPED ov = {};
  ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (ov.hEvent == nullptr) {
    result.error = GetLastError();
    return result;
  }
  BOOL done = direction == Direction::Read
                  ? ReadFile(use.port(), buffer, size, nullptr, &ov)
                  : WriteFile(use.port(), buffer, size, nullptr, &ov);
  DWORD error = done ? ERROR_SUCCESS : GetLastError();
  if (!done && error == ERROR_IO_PENDING) {
    result.pending = true;
    HANDLE waits[2] = {ov.hEvent, use.closeEvent()};
    const DWORD w = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (w != WAIT_OBJECT_0) {
      // Closing (or the wait broke): cancel this transfer. The OVERLAPPED
      // lives on this stack, so wait until the system is done with it.
      CancelIoEx(use.port(), &ov);
    }
    done = TRUE;
  }
  if (done) {
    DWORD bytes = 0;
    if (GetOverlappedResult(use.port(), &ov, &bytes, TRUE)) {
      result.ok = true;
      result.bytes = bytes;
    } else if (GetLastError() == ERROR_TIMEOUT) {
      // Windows completes a read or write that timed out successfully with
      // the bytes transferred so far; Wine fails it with ERROR_TIMEOUT.
      result.ok = true;
      result.bytes = bytes;
    } else {
      result.error = GetLastError();
      result.bytes = bytes;
    }
  } else {
    result.error = error;
  }
  CloseHandle(ov.hEvent);
  return result;
}

}  // namespace

struct SerialPort::Impl : PortState {};

SerialPort::SerialPort() : m_impl(std::make_unique<Impl>()) {}

SerialPort::~SerialPort() { Close(); }

bool SerialPort::Open(const std::string& devicePath) {
  Impl& impl = *m_impl;
  AcquireSRWLockExclusive(&impl.lock);
  const bool busy = impl.port != INVALID_HANDLE_VALUE || impl.closing;
  ReleaseSRWLockExclusive(&impl.lock);
  if (busy || devicePath.empty()) return false;

  HANDLE claim = ClaimPort(devicePath);
  if (claim == nullptr) return false;
  HANDLE port = CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                            0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                            nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    CloseHandle(claim);
    return false;
  }
  // Opening a COM name whose device is gone can succeed; a port that
  // cannot report its line settings is not usable.
  DCB dcb = {};
  dcb.DCBlength = sizeof(dcb);
  HANDLE closeEvent = nullptr;
  if (GetCommState(port, &dcb)) closeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (closeEvent == nullptr) {
    CloseHandle(port);
    CloseHandle(claim);
    return false;
  }

  AcquireSRWLockExclusive(&impl.lock);
  const bool raced = impl.port != INVALID_HANDLE_VALUE || impl.closing;
  if (!raced) {
    impl.port = port;
    impl.closeEvent = closeEvent;
    impl.claim = claim;
  }
  ReleaseSRWLockExclusive(&impl.lock);
  if (raced) {
    CloseHandle(closeEvent);
    CloseHandle(port);
    CloseHandle(claim);
    return false;
  }
  return true;
}

bool SerialPort::IsOpen() const {
  Impl& impl = *m_impl;
  AcquireSRWLockExclusive(&impl.lock);
  const bool open = impl.port != INVALID_HANDLE_VALUE && !impl.closing;
  ReleaseSRWLockExclusive(&impl.lock);
  return open;
}

void SerialPort::Close() {
  Impl& impl = *m_impl;
  AcquireSRWLockExclusive(&impl.lock);
  // A second Close() waits for the first to finish.
  while (impl.closing) SleepConditionVariableSRW(&impl.idle, &impl.lock, INFINITE, 0);
  if (impl.port == INVALID_HANDLE_VALUE) {
    ReleaseSRWLockExclusive(&impl.lock);
    return;
  }
  impl.closing = true;
  SetEvent(impl.closeEvent);
  // Wakes a transfer between its check of the close event and its wait,
  // and a WaitCommEvent (which CancelIoEx does not reliably end).
  CancelIoEx(impl.port, nullptr);
  SetCommMask(impl.port, 0);
  while (impl.inFlight != 0) SleepConditionVariableSRW(&impl.idle, &impl.lock, INFINITE, 0);
  CloseHandle(impl.port);
  CloseHandle(impl.closeEvent);
  CloseHandle(impl.claim);
  impl.port = INVALID_HANDLE_VALUE;
  impl.closeEvent = nullptr;
  impl.claim = nullptr;
  impl.closing = false;
  WakeAllConditionVariable(&impl.idle);
  ReleaseSRWLockExclusive(&impl.lock);
}

bool SerialPort::SetTimeouts(const SerialTimeouts& timeouts) {
  HandleUse use(m_impl.get());
  if (!use.ok()) return false;
  COMMTIMEOUTS ct = {};
  ct.ReadIntervalTimeout = timeouts.readInterval;
  ct.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplier;
  ct.ReadTotalTimeoutConstant = timeouts.readTotalConstant;
  ct.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplier;
  ct.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
  return SetCommTimeouts(use.port(), &ct) != FALSE;
}

ApplyResult SerialPort::ApplyLineSettings(const SerialLineSettings& settings) {
  HandleUse use(m_impl.get());
  if (!use.ok()) return ApplyResult::ReadStateFailed;
  DCB dcb = {};
  dcb.DCBlength = sizeof(dcb);
  if (!GetCommState(use.port(), &dcb)) return ApplyResult::ReadStateFailed;
  dcb.BaudRate = settings.baudRate;
  dcb.ByteSize = settings.dataBits;
  switch (settings.parity) {
    case Parity::None: dcb.Parity = NOPARITY; break;
    case Parity::Odd: dcb.Parity = ODDPARITY; break;
    case Parity::Even: dcb.Parity = EVENPARITY; break;
  }
  dcb.StopBits = settings.stopBits == StopBits::Two ? TWOSTOPBITS : ONESTOPBIT;
  dcb.fBinary = settings.binary ? TRUE : FALSE;
  dcb.fParity = settings.parityCheck ? TRUE : FALSE;
  dcb.fOutX = settings.xonXoffOut ? TRUE : FALSE;
  dcb.fInX = settings.xonXoffIn ? TRUE : FALSE;
  if (settings.rts == RtsMode::Enable) dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.XonLim = settings.xonLimit;
  dcb.XoffLim = settings.xoffLimit;
  dcb.XonChar = settings.xonChar;
  dcb.XoffChar = settings.xoffChar;
  if (!SetCommState(use.port(), &dcb)) return ApplyResult::WriteStateFailed;
  return ApplyResult::Ok;
}

bool SerialPort::SetQueueSizes(uint32_t input, uint32_t output) {
  HandleUse use(m_impl.get());
  return use.ok() && SetupComm(use.port(), input, output) != FALSE;
}

bool SerialPort::SetEventMask(uint32_t mask) {
  HandleUse use(m_impl.get());
  return use.ok() && SetCommMask(use.port(), mask) != FALSE;
}

void SerialPort::Purge() {
  HandleUse use(m_impl.get());
  if (use.ok()) PurgeComm(use.port(), PURGE_TXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

void SerialPort::PurgeReceive() {
  HandleUse use(m_impl.get());
  if (use.ok()) PurgeComm(use.port(), PURGE_RXCLEAR);
}

void SerialPort::ClearErrors() {
  HandleUse use(m_impl.get());
  if (!use.ok()) return;
  DWORD errors = 0;
  COMSTAT stat = {};
  ClearCommError(use.port(), &errors, &stat);
}

IoResult SerialPort::Read(void* buffer, uint32_t size) {
  HandleUse use(m_impl.get());
  return Transfer(use, Direction::Read, buffer, size);
}

IoResult SerialPort::Write(const void* data, uint32_t size) {
  HandleUse use(m_impl.get());
  // WriteFile does not write through the pointer.
  return Transfer(use, Direction::Write, const_cast<void*>(data), size);
}

intptr_t SerialPort::Native() const {
  Impl& impl = *m_impl;
  AcquireSRWLockExclusive(&impl.lock);
  const intptr_t native = impl.port == INVALID_HANDLE_VALUE
                              ? -1
                              : reinterpret_cast<intptr_t>(impl.port);
  ReleaseSRWLockExclusive(&impl.lock);
  return native;
}

}  // namespace plat
