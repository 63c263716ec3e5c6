#include "pty_client.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace cardsim_test {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

TempRoot::TempRoot() {
  char tmpl[] = "/tmp/cardsim-test-XXXXXX";
  const char* made = mkdtemp(tmpl);
  m_path = made ? made : "";
}

TempRoot::~TempRoot() {
  std::error_code ec;
  if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
}

bool TempRoot::ReadValue(const std::string& name, std::string* data) const {
  std::ifstream in(ValueDir() + "/" + name, std::ios::binary);
  if (!in) return false;
  std::stringstream s;
  s << in.rdbuf();
  *data = s.str();
  return true;
}

PtyClient::~PtyClient() { Close(); }

bool PtyClient::Open(const std::string& path) {
  Close();
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  termios t{};
  if (tcgetattr(fd, &t) == 0) {
    cfmakeraw(&t);
    cfsetispeed(&t, B115200);
    cfsetospeed(&t, B115200);
    tcsetattr(fd, TCSANOW, &t);
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  ioctl(fd, TIOCEXCL);
  m_fd = fd;
  m_buffer.clear();
  return true;
}

void PtyClient::Close() {
  if (m_fd >= 0) close(m_fd);  // TIOCEXCL stays set, as the library leaves it
  m_fd = -1;
  m_buffer.clear();
}

bool PtyClient::Write(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(m_fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        pollfd p{m_fd, POLLOUT, 0};
        poll(&p, 1, 100);
        continue;
      }
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

size_t FinalResultEnd(const std::string& r) {
  // Final result codes are whole lines; the prompt has no line end.
  static const char* kLines[] = {"OK",          "ERROR",       "NO CARRIER",          "CONNECT",
                                 "+CME ERROR:", "+CMS ERROR:", "+CSIMLOCK: INCORRECT"};
  size_t best = std::string::npos;
  for (size_t pos = r.find("\r\n"); pos != std::string::npos; pos = r.find("\r\n", pos + 1)) {
    size_t start = pos + 2;
    if (r.compare(start, 2, "> ") == 0) {
      best = start + 2;
      break;
    }
    size_t eol = r.find("\r\n", start);
    if (eol == std::string::npos) break;
    std::string line = r.substr(start, eol - start);
    for (const char* f : kLines) {
      if (line.rfind(f, 0) == 0) {
        best = eol + 2;
        break;
      }
    }
    if (best != std::string::npos) break;
  }
  return best;
}

bool HasFinalResult(const std::string& r) { return FinalResultEnd(r) != std::string::npos; }

std::string PtyClient::Command(const std::string& line, int timeoutMs) {
  if (!Write(line + "\r\n")) return "<write failed>";
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string out = m_buffer;
  m_buffer.clear();
  while (!HasFinalResult(out)) {
    pollfd p{m_fd, POLLIN, 0};
    int left = RemainingMs(deadline);
    if (left == 0 || poll(&p, 1, left) <= 0) break;
    char buf[1024];
    ssize_t n = read(m_fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  size_t end = FinalResultEnd(out);
  if (end != std::string::npos) {
    m_buffer = out.substr(end);  // unsolicited lines after the answer
    out.resize(end);
  }
  return out;
}

std::string PtyClient::ReadUntil(const std::string& pattern, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string out = m_buffer;
  m_buffer.clear();
  while (out.find(pattern) == std::string::npos) {
    pollfd p{m_fd, POLLIN, 0};
    int left = RemainingMs(deadline);
    if (left == 0 || poll(&p, 1, left) <= 0) break;
    char buf[1024];
    ssize_t n = read(m_fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  size_t end = out.find(pattern);
  if (end != std::string::npos) {
    m_buffer = out.substr(end + pattern.size());
    out.resize(end + pattern.size());
  }
  return out;
}

std::string PtyClient::ReadCount(size_t count, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string out = m_buffer;
  m_buffer.clear();
  while (out.size() < count) {
    pollfd p{m_fd, POLLIN, 0};
    int left = RemainingMs(deadline);
    if (left == 0 || poll(&p, 1, left) <= 0) break;
    char buf[1024];
    ssize_t n = read(m_fd, buf, std::min(sizeof buf, count - out.size()));
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

std::string PtyClient::ReadAvailable(int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string out = m_buffer;
  m_buffer.clear();
  for (;;) {
    pollfd p{m_fd, POLLIN, 0};
    int left = RemainingMs(deadline);
    if (left == 0 || poll(&p, 1, left) <= 0) break;
    char buf[1024];
    ssize_t n = read(m_fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

bool PtyClient::WaitHangup(int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    pollfd p{m_fd, POLLIN, 0};
    int left = RemainingMs(deadline);
    int rc = poll(&p, 1, left);
    if (rc <= 0) return false;
    if (p.revents & (POLLHUP | POLLERR)) return true;
    char buf[256];
    ssize_t n = read(m_fd, buf, sizeof buf);
    if (n == 0 || (n < 0 && errno == EIO)) return true;
    if (n > 0) m_buffer.append(buf, static_cast<size_t>(n));
  }
}

}  // namespace cardsim_test
