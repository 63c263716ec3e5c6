#include "tests/support/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace testsupport {

PseudoTerminal::PseudoTerminal() {
  char name[256] = {};
  termios tio{};
  cfmakeraw(&tio);
  if (openpty(&m_master, &m_slave, name, &tio, nullptr) != 0) {
    m_master = m_slave = -1;
    return;
  }
  m_slavePath = name;
  fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal() {
  if (m_master >= 0) close(m_master);
  if (m_slave >= 0) close(m_slave);
}

bool PseudoTerminal::Send(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string PseudoTerminal::Receive(int timeoutMs) {
  std::string out;
  // Waits up to timeoutMs for the first byte, then collects until the line
  // has been quiet for 30 ms.
  auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left < 0) left = 0;
    pollfd p{m_master, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) return out;
    char buf[4096];
    ssize_t n = read(m_master, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, static_cast<size_t>(n));
      deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(30);
    }
    if (left == 0) return out;
  }
}

std::string MakeTempDir(const char* prefix) {
  std::string tmpl = std::string("/tmp/") + prefix + "XXXXXX";
  if (mkdtemp(&tmpl[0]) == nullptr) return std::string();
  return tmpl;
}

bool MakeLink(const std::string& target, const std::string& link) {
  unlink(link.c_str());
  return symlink(target.c_str(), link.c_str()) == 0;
}

}  // namespace testsupport
