// Events on eventfd: the counter is nonzero while the event is set, so an
// event can be polled together with other descriptors. A manual-reset event
// is only read (drained) by Reset(); an auto-reset event is drained by the
// one waiter that wins it.
#include "platform/event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <vector>

namespace plat {
namespace {

int Fd(intptr_t native) { return static_cast<int>(native); }

// Drains the counter; true when it was nonzero (this caller consumed it).
bool Drain(int fd) {
  uint64_t value = 0;
  for (;;) {
    ssize_t n = read(fd, &value, sizeof value);
    if (n == static_cast<ssize_t>(sizeof value)) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  for (;;) {
    int r = poll(&p, 1, 0);
    if (r < 0 && errno == EINTR) continue;
    return r > 0 && (p.revents & POLLIN);
  }
}

using Clock = std::chrono::steady_clock;

// Milliseconds left until deadline for poll(); -1 for no limit.
int Remaining(bool infinite, Clock::time_point deadline) {
  if (infinite) return -1;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                  deadline - Clock::now())
                  .count();
  if (left <= 0) return 0;
  return left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
}

}  // namespace

Event::Event(ResetMode mode) : m_mode(mode) {
  int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd >= 0) m_native = fd;
}

Event::~Event() {
  if (Valid()) close(Fd(m_native));
}

void Event::Set() {
  if (!Valid()) return;
  uint64_t one = 1;
  while (write(Fd(m_native), &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void Event::Reset() {
  if (Valid()) Drain(Fd(m_native));
}

bool Event::Wait(uint32_t timeoutMs) {
  Event* self = this;
  return WaitAny(&self, 1, timeoutMs) == 0;
}

int WaitAny(Event* const* events, size_t count, uint32_t timeoutMs) {
  if (events == nullptr || count == 0) return kWaitFailed;
  std::vector<pollfd> fds(count);
  for (size_t i = 0; i < count; ++i) {
    if (events[i] == nullptr || !events[i]->Valid()) return kWaitFailed;
    fds[i] = pollfd{Fd(events[i]->Native()), POLLIN, 0};
  }
  const bool infinite = timeoutMs == kInfinite;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    // Lowest index first: an event that is already set wins over any
    // higher one, whatever order poll() reports them in.
    for (size_t i = 0; i < count; ++i) {
      if (!Readable(fds[i].fd)) continue;
      if (events[i]->Mode() == ResetMode::Manual || Drain(fds[i].fd))
        return static_cast<int>(i);
      // Another waiter consumed this auto-reset event first.
    }
    int wait = Remaining(infinite, deadline);
    if (wait == 0) return kWaitTimeout;
    for (auto& p : fds) p.revents = 0;
    int r = poll(fds.data(), fds.size(), wait);
    if (r < 0 && errno != EINTR) return kWaitFailed;
    if (r == 0 && Remaining(infinite, deadline) == 0) return kWaitTimeout;
  }
}

}  // namespace plat
