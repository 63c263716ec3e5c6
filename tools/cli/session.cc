#include "session.h"

#include <errno.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace modlink_cli {
namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnSignal(int) { g_interrupted = 1; }

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

Failure Fail(int exitCode, const char* reason, std::string message) {
  Failure f;
  f.exit = exitCode;
  f.reason = reason;
  f.message = std::move(message);
  return f;
}

std::string Seconds(int ms) { return std::to_string((ms + 999) / 1000) + " s"; }

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  // No SA_RESTART: poll() returns EINTR and the wait notices at once.
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void UnblockInterrupts() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

bool Interrupted() { return g_interrupted != 0; }

void ResetInterrupt() { g_interrupted = 0; }

Session::Session(std::unique_ptr<ModlinkLibrary> lib, Console& out, Timeouts timeouts)
    : m_lib(std::move(lib)), m_out(out), m_timeouts(timeouts) {}

Session::~Session() {
  if (auto* disconnect = m_lib->Find<decltype(Dll_Disconnect)>("Dll_Disconnect")) disconnect(0);
  // The library keeps the descriptor and may write to it until it is unloaded
  // (its threads are joined then): unload first, close after.
  m_lib.reset();
  if (m_eventFd >= 0) close(m_eventFd);
}

bool Session::Start(Failure* failure) {
  m_eventFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (m_eventFd < 0) {
    *failure = Fail(kExitSetup, "setup", std::string("cannot create an eventfd: ") + strerror(errno));
    return false;
  }
  m_lib->setNotify(m_eventFd);
  return true;
}

bool Session::Drain(Indication* ind) {
  // Large enough for any record: a ReadQ record never exceeds 4096 bytes.
  static uint8_t buffer[4096];
  int32_t id = 0;
  int32_t length = 0;
  if ((m_lib->readDate(&id, buffer, &length) & 0xFF) == 0) return false;
  ind->id = id;
  if (length < 0) length = 0;
  if (length > static_cast<int32_t>(sizeof buffer)) length = static_cast<int32_t>(sizeof buffer);
  ind->payload.assign(buffer, buffer + length);
  return true;
}

Session::Next Session::Read(int timeoutMs, Indication* ind) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    if (Interrupted()) return Next::kInterrupted;
    // Read before waiting: indications posted before Dll_SetNotify, or between
    // two wake-ups, are in the queue without a fresh signal.
    if (Drain(ind)) {
      ++m_read;
      m_out.PrintIndication(*ind);
      return Next::kIndication;
    }
    const int left = RemainingMs(deadline);
    if (left == 0) return Next::kTimeout;
    m_out.Tick();
    pollfd pfd{m_eventFd, POLLIN, 0};
    const int ready = poll(&pfd, 1, left < 200 ? left : 200);
    if (ready > 0) {
      uint64_t counter;
      while (read(m_eventFd, &counter, sizeof counter) == static_cast<ssize_t>(sizeof counter)) {
      }
    }
  }
}

bool Session::CheckDevice(Failure* failure) {
  if (m_deviceChecked) return true;
  m_out.BeginWait("Waiting for the card");
  const auto deadline = Clock::now() + std::chrono::milliseconds(m_timeouts.deviceCheckMs);
  Indication ind;
  for (;;) {
    const Next got = Read(RemainingMs(deadline), &ind);
    if (got == Next::kInterrupted) {
      m_out.EndWait();
      *failure = Fail(kExitInterrupted, "interrupted", "interrupted");
      return false;
    }
    if (got == Next::kTimeout) break;  // a library without device monitoring
    if (ind.id == kIndDeviceCheck && ind.payload.size() == 1) {
      m_devicePresent = ind.payload[0] != 0;
      m_deviceChecked = true;
      break;
    }
  }
  m_out.EndWait();
  if (m_deviceChecked && !m_devicePresent) {
    *failure = Fail(kExitNoCard, "no-card", "no card: no port of the data card is present under " +
                                                 m_root + "/registry");
    return false;
  }
  m_deviceChecked = true;
  return true;
}

bool Session::SearchPorts(Failure* failure, bool* dualPort) {
  auto* search = m_lib->Find<decltype(Dll_SearchPort)>("Dll_SearchPort");
  if (!search) {
    *failure = Fail(kExitLibrary, "missing-export", "this library has no Dll_SearchPort");
    return false;
  }
  search();
  m_out.BeginWait("Searching the card's ports");
  const auto deadline = Clock::now() + std::chrono::milliseconds(m_timeouts.searchMs);
  Indication ind;
  for (;;) {
    const Next got = Read(RemainingMs(deadline), &ind);
    if (got == Next::kInterrupted) {
      m_out.EndWait();
      *failure = Fail(kExitInterrupted, "interrupted", "interrupted");
      return false;
    }
    if (got == Next::kTimeout) {
      m_out.EndWait();
      *failure = Fail(kExitTimeout, "timeout",
                      "the port search gave no result within " + Seconds(m_timeouts.searchMs));
      return false;
    }
    if (ind.id == kIndPortSearch) break;
  }
  m_out.EndWait();
  if (ind.payload.size() != 1 || ind.payload[0] == 0) {
    // A scan finds nothing also when another program holds the AT port open:
    // the probe cannot open it.
    *failure = Fail(kExitNoCard, "no-card",
                    "no card: no port answered the search (card absent, or its AT port in use by "
                    "another program)");
    return false;
  }
  auto* isDual = m_lib->Find<decltype(Dll_IsDualPort)>("Dll_IsDualPort");
  if (dualPort) *dualPort = isDual ? isDual() != 0 : false;
  return true;
}

bool Session::SearchVideoPort(Failure* failure, bool* found, int* port) {
  auto* search = m_lib->Find<decltype(Dll_SearchVideoPort)>("Dll_SearchVideoPort");
  if (!search) {
    *failure = Fail(kExitLibrary, "missing-export", "this library has no Dll_SearchVideoPort");
    return false;
  }
  search();
  m_out.BeginWait("Searching the video port");
  const auto deadline = Clock::now() + std::chrono::milliseconds(m_timeouts.searchMs);
  Indication ind;
  for (;;) {
    const Next got = Read(RemainingMs(deadline), &ind);
    if (got != Next::kIndication) {
      m_out.EndWait();
      *failure = got == Next::kInterrupted
                     ? Fail(kExitInterrupted, "interrupted", "interrupted")
                     : Fail(kExitTimeout, "timeout",
                            "the video port search gave no result within " +
                                Seconds(m_timeouts.searchMs));
      return false;
    }
    if (ind.id == kIndVideoPortSearch) break;
  }
  m_out.EndWait();
  *found = ind.payload.size() == 5 && ind.payload[0] != 0;
  int32_t value = -1;
  if (ind.payload.size() == 5) {
    const uint32_t u = static_cast<uint32_t>(ind.payload[1]) |
                       static_cast<uint32_t>(ind.payload[2]) << 8 |
                       static_cast<uint32_t>(ind.payload[3]) << 16 |
                       static_cast<uint32_t>(ind.payload[4]) << 24;
    std::memcpy(&value, &u, sizeof value);
  }
  *port = value;
  return true;
}

bool Session::Connect(Failure* failure) {
  auto* connect = m_lib->Find<decltype(Dll_Connect)>("Dll_Connect");
  if (!connect) {
    *failure = Fail(kExitLibrary, "missing-export", "this library has no Dll_Connect");
    return false;
  }
  if ((connect(0, 0, 0) & 0xFF) == 0) {
    *failure = Fail(kExitPort, "port-busy",
                    "cannot open the card's AT port (in use by another program, or gone)");
    return false;
  }
  return true;
}

bool Session::Attach(Failure* failure) {
  bool dual = false;
  if (!CheckDevice(failure) || !SearchPorts(failure, &dual) || !Connect(failure)) return false;
  m_out.Note(std::string("Card found: AT port open") +
             (dual ? " (separate AT and modem ports)" : " (one port for AT and data)"));
  return true;
}

bool Session::Request(const std::string& what, const std::function<bool()>& send, int finals,
                      int timeoutMs, std::vector<Indication>* answer, Failure* failure) {
  if (!send()) {
    *failure = Fail(kExitRefused, "refused",
                    "the library refused " + what + " (bad argument, or its queue is full)");
    return false;
  }
  m_out.BeginWait("Waiting for the answer to " + what);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int seen = 0;
  Failure refused;
  Indication ind;
  while (seen < finals) {
    const Next got = Read(RemainingMs(deadline), &ind);
    if (got != Next::kIndication) {
      m_out.EndWait();
      *failure = got == Next::kInterrupted
                     ? Fail(kExitInterrupted, "interrupted", "interrupted")
                     : Fail(kExitTimeout, "timeout",
                            "no answer to " + what + " within " + Seconds(timeoutMs));
      return false;
    }
    if (answer) answer->push_back(ind);
    if (ind.id == kIndPortClosed) {
      m_out.EndWait();
      *failure = Fail(kExitPort, "port-closed",
                      what + " was dropped: the card's AT port is closed" +
                          (ind.payload.size() == 1 && ind.payload[0] == 2
                               ? " (taken by the dial-up connection)"
                               : ""));
      return false;
    }
    if (ind.id == kIndDeviceCheck && ind.payload.size() == 1 && ind.payload[0] == 0) {
      m_out.EndWait();
      *failure = Fail(kExitNoCard, "no-card", "the card was removed");
      return false;
    }
    if (IsFinalResult(ind.id)) {
      ++seen;
      if (IsFailureResult(ind.id) && refused.exit == kExitOk) {
        std::string text(ind.payload.begin(), ind.payload.end());
        refused = Fail(kExitRefused, "refused",
                       "the card refused " + what + ": " + (text.empty() ? "ERROR" : text));
      }
    }
  }
  m_out.EndWait();
  if (refused.exit != kExitOk) {
    *failure = refused;
    return false;
  }
  return true;
}

bool Session::Await(const std::string& what, const std::function<bool()>& send,
                    const std::function<int(const Indication&, Failure*)>& verdict,
                    int timeoutMs, std::vector<Indication>* answer, Failure* failure) {
  if (!send()) {
    *failure = Fail(kExitRefused, "refused", "the library refused " + what);
    return false;
  }
  m_out.BeginWait("Waiting for " + what);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  Indication ind;
  for (;;) {
    const Next got = Read(RemainingMs(deadline), &ind);
    if (got != Next::kIndication) {
      m_out.EndWait();
      *failure = got == Next::kInterrupted
                     ? Fail(kExitInterrupted, "interrupted", "interrupted")
                     : Fail(kExitTimeout, "timeout", what + " did not finish within " + Seconds(timeoutMs));
      return false;
    }
    if (answer) answer->push_back(ind);
    const int v = verdict(ind, failure);
    if (v == 1) break;
    if (v != 0) {
      m_out.EndWait();
      return false;
    }
  }
  m_out.EndWait();
  return true;
}

int Session::Watch(int durationMs, int count) {
  const auto start = Clock::now();
  int read = 0;
  Indication ind;
  while (count < 0 || read < count) {
    int slice = 1000;
    if (durationMs >= 0) {
      slice = RemainingMs(start + std::chrono::milliseconds(durationMs));
      if (slice == 0) break;
    }
    const Next got = Read(slice, &ind);
    if (got == Next::kInterrupted) break;
    if (got == Next::kIndication) ++read;
  }
  return read;
}

}  // namespace modlink_cli
