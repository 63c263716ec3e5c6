// Serial port on a tty descriptor in raw mode, non-blocking, with the
// Windows read/write timeout rules implemented over poll().
//
// Closing: Close() marks the port closing, wakes every Read()/Write() in
// progress through an eventfd, waits until they have left, and only then
// closes the descriptor, so no thread ever uses a descriptor number after
// it was closed (and possibly reused).
#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace plat {
namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kMaxDword = 0xFFFFFFFFu;

speed_t BaudToSpeed(uint32_t baud) {
  switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B115200;
  }
}

int64_t MsLeft(Clock::time_point deadline) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                               Clock::now())
      .count();
}

}  // namespace

struct SerialPort::Impl {
  std::mutex mutex;
  std::condition_variable idle;
  int fd = -1;
  int wakeFd = -1;
  bool closing = false;
  int inFlight = 0;
  SerialTimeouts timeouts;
  uint32_t eventMask = 0;

  // Registers an operation; returns the descriptor, or -1 when closed.
  int Enter(SerialTimeouts* t = nullptr) {
    std::lock_guard<std::mutex> lock(mutex);
    if (fd < 0 || closing) return -1;
    ++inFlight;
    if (t) *t = timeouts;
    return fd;
  }
  void Leave() {
    std::lock_guard<std::mutex> lock(mutex);
    if (--inFlight == 0) idle.notify_all();
  }

  // RAII for one operation inside the port.
  class Operation {
   public:
    explicit Operation(Impl& impl, SerialTimeouts* t = nullptr)
        : m_impl(impl), m_fd(impl.Enter(t)) {}
    ~Operation() {
      if (m_fd >= 0) m_impl.Leave();
    }
    int fd() const { return m_fd; }

   private:
    Impl& m_impl;
    int m_fd;
  };
};

namespace {

// Waits for `events` on fd or a wake-up. 1 ready, 0 timeout, -1 closing
// or error.
int PollPort(int fd, int wakeFd, short events, int64_t timeoutMs) {
  pollfd p[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
  int t = timeoutMs < 0 ? -1
                        : static_cast<int>(timeoutMs > 0x7FFFFFFF ? 0x7FFFFFFF
                                                                  : timeoutMs);
  for (;;) {
    int r = poll(p, 2, t);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) return 0;
    if (p[1].revents) return -1;
    if (p[0].revents & (POLLERR | POLLNVAL)) return -1;
    return 1;  // readable/writable, or hung up (the read reports that)
  }
}

}  // namespace

SerialPort::SerialPort() : m_impl(std::make_unique<Impl>()) {
  m_impl->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

SerialPort::~SerialPort() {
  Close();
  if (m_impl->wakeFd >= 0) close(m_impl->wakeFd);
}

bool SerialPort::Open(const std::string& devicePath) {
  if (devicePath.empty() || m_impl->wakeFd < 0) return false;
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  if (m_impl->fd >= 0) return false;
  int fd = open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  termios tio{};
  // Exclusive: a lock held by another opener means "in use". TIOCEXCL
  // keeps out non-root openers that do not take the lock.
  if (!isatty(fd) || tcgetattr(fd, &tio) != 0 ||
      flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
    close(fd);
    return false;
  }
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &tio);
  // Raise DTR and RTS where the device has modem-control lines;
  // pseudo-terminals refuse these ioctls, which is fine.
  int lines = TIOCM_DTR | TIOCM_RTS;
  ioctl(fd, TIOCMBIS, &lines);
  uint64_t drain;
  while (read(m_impl->wakeFd, &drain, sizeof drain) > 0) {
  }
  m_impl->fd = fd;
  m_impl->timeouts = SerialTimeouts{};
  m_impl->eventMask = 0;
  return true;
}

bool SerialPort::IsOpen() const {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  return m_impl->fd >= 0 && !m_impl->closing;
}

void SerialPort::Close() {
  std::unique_lock<std::mutex> lock(m_impl->mutex);
  if (m_impl->fd < 0 || m_impl->closing) return;
  m_impl->closing = true;
  const uint64_t one = 1;
  ssize_t ignored = write(m_impl->wakeFd, &one, sizeof one);
  (void)ignored;
  m_impl->idle.wait(lock, [this] { return m_impl->inFlight == 0; });
  ioctl(m_impl->fd, TIOCNXCL);
  close(m_impl->fd);  // also releases the flock
  m_impl->fd = -1;
  m_impl->closing = false;
}

intptr_t SerialPort::Native() const {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  return m_impl->closing ? -1 : m_impl->fd;
}

bool SerialPort::SetTimeouts(const SerialTimeouts& timeouts) {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  if (m_impl->fd < 0) return false;
  m_impl->timeouts = timeouts;
  return true;
}

ApplyResult SerialPort::ApplyLineSettings(const SerialLineSettings& s) {
  Impl::Operation op(*m_impl);
  if (op.fd() < 0) return ApplyResult::ReadStateFailed;
  termios tio{};
  if (tcgetattr(op.fd(), &tio) != 0) return ApplyResult::ReadStateFailed;
  const speed_t speed = BaudToSpeed(s.baudRate);
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  switch (s.dataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
  }
  if (s.parity != Parity::None) tio.c_cflag |= PARENB;
  if (s.parity == Parity::Odd) tio.c_cflag |= PARODD;
  if (s.stopBits == StopBits::Two) tio.c_cflag |= CSTOPB;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  if (s.parityCheck) tio.c_iflag |= INPCK;
  if (s.xonXoffOut) tio.c_iflag |= IXON;
  if (s.xonXoffIn) tio.c_iflag |= IXOFF;
  tio.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
  tio.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
  // Binary mode and the XON/XOFF limits have no termios counterpart: a raw
  // tty is always binary, and the kernel keeps its own thresholds.
  if (tcsetattr(op.fd(), TCSANOW, &tio) != 0)
    return ApplyResult::WriteStateFailed;
  if (s.rts == RtsMode::Enable) {
    int rts = TIOCM_RTS;
    ioctl(op.fd(), TIOCMBIS, &rts);  // best effort (fails on a pty)
  }
  return ApplyResult::Ok;
}

bool SerialPort::SetQueueSizes(uint32_t, uint32_t) {
  // The tty layer sizes its own buffers.
  return IsOpen();
}

bool SerialPort::SetEventMask(uint32_t mask) {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  if (m_impl->fd < 0) return false;
  m_impl->eventMask = mask;
  return true;
}

void SerialPort::Purge() {
  Impl::Operation op(*m_impl);
  if (op.fd() >= 0) tcflush(op.fd(), TCIOFLUSH);
}

void SerialPort::PurgeReceive() {
  Impl::Operation op(*m_impl);
  if (op.fd() >= 0) tcflush(op.fd(), TCIFLUSH);
}

void SerialPort::ClearErrors() {
  // A tty keeps no sticky error state to clear.
}

IoResult SerialPort::Read(void* buffer, uint32_t size) {
  IoResult result;
  SerialTimeouts t;
  Impl::Operation op(*m_impl, &t);
  if (op.fd() < 0) {
    result.error = EBADF;
    return result;
  }
  if (buffer == nullptr || size == 0) {
    result.ok = size == 0;  // nothing to read is done; a null buffer is refused
    return result;
  }
  auto* out = static_cast<uint8_t*>(buffer);
  // Windows rules: MAXDWORD interval with zero totals returns at once;
  // MAXDWORD interval and multiplier with a constant returns as soon as any
  // byte is there, waiting at most the constant for the first one.
  const bool returnAtOnce = t.readInterval == kMaxDword &&
                            t.readTotalMultiplier == 0 &&
                            t.readTotalConstant == 0;
  const bool anyByte = t.readInterval == kMaxDword &&
                       t.readTotalMultiplier == kMaxDword &&
                       t.readTotalConstant > 0 &&
                       t.readTotalConstant < kMaxDword;
  const bool hasTotal =
      anyByte || t.readTotalMultiplier != 0 || t.readTotalConstant != 0;
  const uint64_t totalMs =
      anyByte ? t.readTotalConstant
              : uint64_t{t.readTotalMultiplier} * size + t.readTotalConstant;
  const bool hasInterval = !anyByte && !returnAtOnce && t.readInterval != 0;
  const auto start = Clock::now();
  const auto totalDeadline = start + std::chrono::milliseconds(totalMs);
  auto intervalDeadline = Clock::time_point::max();
  bool first = true;
  for (;;) {
    ssize_t n = read(op.fd(), out + result.bytes, size - result.bytes);
    if (n > 0) {
      result.bytes += static_cast<uint32_t>(n);
      if (result.bytes == size || anyByte) break;
      if (hasInterval)
        intervalDeadline =
            Clock::now() + std::chrono::milliseconds(t.readInterval);
      first = false;
      continue;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      // The device went away (a hung-up pty reads EIO or end of file).
      result.error = n == 0 ? EIO : static_cast<uint32_t>(errno);
      result.pending = !first;
      return result;
    }
    if (n < 0 && errno == EINTR) continue;
    if (first) result.pending = true;
    first = false;
    if (returnAtOnce) break;
    const bool intervalRunning = result.bytes > 0 && hasInterval;
    int64_t wait = -1;  // no limit
    if (hasTotal) wait = MsLeft(totalDeadline);
    if (intervalRunning) {
      const int64_t w = MsLeft(intervalDeadline);
      wait = hasTotal ? std::min(wait, w) : w;
    }
    if ((hasTotal || intervalRunning) && wait <= 0) break;
    int r = PollPort(op.fd(), m_impl->wakeFd, POLLIN, wait);
    if (r < 0) {
      result.error = ECANCELED;
      return result;
    }
    if (r == 0) {
      // Timed out on one of the deadlines: done when it has passed.
      const auto now = Clock::now();
      if ((hasTotal && now >= totalDeadline) ||
          (result.bytes > 0 && hasInterval && now >= intervalDeadline))
        break;
    }
  }
  result.ok = true;
  return result;
}

IoResult SerialPort::Write(const void* data, uint32_t size) {
  IoResult result;
  SerialTimeouts t;
  Impl::Operation op(*m_impl, &t);
  if (op.fd() < 0) {
    result.error = EBADF;
    return result;
  }
  if (data == nullptr || size == 0) {
    result.ok = size == 0;  // nothing to write is done; null data is refused
    return result;
  }
  const auto* in = static_cast<const uint8_t*>(data);
  const bool hasTotal = t.writeTotalMultiplier != 0 || t.writeTotalConstant != 0;
  const auto deadline =
      Clock::now() + std::chrono::milliseconds(uint64_t{t.writeTotalMultiplier} *
                                                   size +
                                               t.writeTotalConstant);
  bool first = true;
  while (result.bytes < size) {
    ssize_t n = write(op.fd(), in + result.bytes, size - result.bytes);
    if (n > 0) {
      result.bytes += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      result.error = static_cast<uint32_t>(errno);
      result.pending = !first;
      return result;
    }
    if (first) result.pending = true;
    first = false;
    int64_t wait = hasTotal ? MsLeft(deadline) : -1;
    if (hasTotal && wait <= 0) break;  // timed out: partial write
    int r = PollPort(op.fd(), m_impl->wakeFd, POLLOUT, wait);
    if (r < 0) {
      result.error = ECANCELED;
      return result;
    }
  }
  result.ok = true;
  return result;
}

}  // namespace plat
