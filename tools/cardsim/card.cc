// Card: ptys, key-store registration, scheduling and transcript; see cardsim.h.
//
// Thread model: one service thread per card owns the pty masters, the key-store
// entries, the timers and the Modem. Public members post a task to it through a
// queue and an eventfd and wait for the task to finish. The transcript has its own
// lock and condition variable so tests can wait on it from any thread.
//
// A pty master reports POLLHUP while no client has the slave open; such a port is
// left out of the poll set (it would make poll return at once) and re-checked every
// 10 ms, which is how the card notices a client opening or closing the port
// (closing stands in for a DTR drop).
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <system_error>
#include <thread>

#include "cardsim.h"
#include "keystore.h"

namespace cardsim {
namespace {
using Clock = std::chrono::steady_clock;
constexpr int kHupRecheckMs = 10;
}  // namespace

std::string Printable(const std::string& bytes) {
  std::string out;
  for (char ch : bytes) {
    auto c = static_cast<unsigned char>(ch);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out;
}

class Card::Impl {
 public:
  Impl(std::string root, CardOptions options)
      : m_keys(std::move(root)),
        m_options(std::move(options)),
        m_modem(m_options.modem, m_options.dualPort, m_options.echo) {
    m_nextBase = m_options.comBase;
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // Without it no call could reach the service thread: refuse to start.
    if (m_wakeFd < 0) throw std::system_error(errno, std::generic_category(), "cardsim eventfd");
    m_thread = std::thread([this] { Loop(); });
  }

  ~Impl() {
    Run([this] { DoUnplug(); });
    m_stop = true;
    Wake();
    m_thread.join();
    if (m_wakeFd >= 0) close(m_wakeFd);
  }

  // Runs |fn| on the service thread and returns its result.
  template <class F>
  auto Run(F fn) -> decltype(fn()) {
    using R = decltype(fn());
    if (std::this_thread::get_id() == m_thread.get_id()) return fn();
    std::packaged_task<R()> task(std::move(fn));
    auto result = task.get_future();
    {
      std::lock_guard<std::mutex> lock(m_taskMutex);
      m_tasks.push_back([&task] { task(); });
    }
    Wake();
    return result.get();
  }

  // --- Service-thread side -------------------------------------------------
  struct Port {
    bool present = false;
    int master = -1;
    std::string slavePath;
    int com = -1;
    bool clientOpen = false;
    std::string pending;  // bytes not yet taken by the pty
  };

  struct Rule {
    bool regex = false;
    std::string prefix;
    std::regex pattern;
    std::string response;
    int times = -1;
  };

  bool DoPlug() {
    if (m_plugged) return true;
    if (!m_keys.EnsureLayout()) return false;
    std::vector<PortKind> kinds = {PortKind::kAt};
    if (m_options.dualPort) kinds.push_back(PortKind::kModem);
    if (m_options.videoPort) kinds.push_back(PortKind::kVideo);
    if (m_options.audioPort) kinds.push_back(PortKind::kAudio);
    for (PortKind kind : kinds) {
      Port& port = m_ports[static_cast<int>(kind)];
      int master = -1, slave = -1;
      char name[128] = {};
      termios raw{};
      cfmakeraw(&raw);
      cfsetispeed(&raw, B115200);
      cfsetospeed(&raw, B115200);
      if (openpty(&master, &slave, name, &raw, nullptr) != 0) {
        DoUnplug();
        return false;
      }
      // The client sets raw mode itself; a terminal program opened by hand finds the
      // slave already raw (no echo, no CR/LF translation) because the master keeps
      // the pty's settings alive between openings.
      close(slave);
      fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
      fcntl(master, F_SETFD, FD_CLOEXEC);
      port = Port{};
      port.present = true;
      port.master = master;
      port.slavePath = name;
      // Link first, then the value: a reader that sees the value finds the link.
      port.com = m_keys.CreateLowestLink(port.slavePath, m_nextBase);
      if (port.com < 0 ||
          !m_keys.WriteValue(CardValueName(port.com), "COM" + std::to_string(port.com))) {
        DoUnplug();
        return false;
      }
      m_plugged = true;  // so that a failure further on removes what exists
      Record(kind, Direction::kEvent, "plug COM" + std::to_string(port.com) + " " + port.slavePath);
    }
    m_modem.PowerOn();
    m_modem.echo = m_options.echo;
    m_plugged = true;
    return true;
  }

  void DoUnplug() {
    for (int i = 0; i < kPortKinds; ++i) {
      Port& port = m_ports[i];
      if (!port.present) continue;
      // Value first, then the link: a reader never follows a value to no link.
      if (port.com >= 0) {
        m_keys.RemoveValue(CardValueName(port.com));
        m_keys.RemoveLink(port.com);
      }
      if (port.master >= 0) close(port.master);
      m_modem.ClientClosed(static_cast<PortKind>(i));
      if (port.clientOpen) Record(static_cast<PortKind>(i), Direction::kEvent, "close");
      Record(static_cast<PortKind>(i), Direction::kEvent, "unplug COM" + std::to_string(port.com));
      port = Port{};
      SetClientFlag(i, false);
    }
    m_timers.clear();
    m_plugged = false;
  }

  bool DoReplug(int base) {
    int highest = 0;
    for (const Port& p : m_ports) highest = std::max(highest, p.com);
    DoUnplug();
    m_nextBase = base > 0 ? base : std::max(m_options.comBase, highest + 1);
    return DoPlug();
  }

  std::optional<std::string> MatchRule(PortKind, const std::string& line) {
    if (m_silent) return std::string();
    for (auto it = m_rules.begin(); it != m_rules.end(); ++it) {
      bool hit = it->regex ? std::regex_match(line, it->pattern) : line.rfind(it->prefix, 0) == 0;
      if (!hit) continue;
      std::string response = it->response;
      if (it->times > 0 && --it->times == 0) m_rules.erase(it);
      return response;
    }
    return std::nullopt;
  }

  void Schedule(const Outputs& outs, bool fromCommand) {
    int shift = 0;
    bool delayed = false;
    for (const Output& o : outs) {
      if (o.response && fromCommand && !delayed) {
        shift += m_answerDelayMs;
        delayed = true;
      }
      int at = o.delayMs + shift;
      if (o.response && !o.later && m_split && o.bytes.size() > m_split->first) {
        Output head = o, tail = o;
        head.bytes = o.bytes.substr(0, m_split->first);
        tail.bytes = o.bytes.substr(m_split->first);
        AddTimer(head, at);
        AddTimer(tail, at + m_split->second);
        shift += m_split->second;
        m_split.reset();
        continue;
      }
      AddTimer(o, at);
    }
  }

  // Due outputs run at once, in order: a state step queued after an answer (going
  // online after CONNECT) takes effect before the next byte from the client is read.
  void AddTimer(const Output& o, int delayMs) {
    if (delayMs <= 0) {
      if (o.later) {
        Schedule(o.later(), false);
      } else {
        Emit(o.port, o.bytes);
      }
      return;
    }
    m_timers.emplace(Clock::now() + std::chrono::milliseconds(std::max(delayMs, 0)), o);
  }

  bool ClientPresent(Port& port) {
    pollfd p{port.master, POLLIN, 0};
    if (poll(&p, 1, 0) < 0) return false;
    return (p.revents & POLLHUP) == 0;
  }

  void Emit(PortKind kind, const std::string& bytes) {
    if (bytes.empty()) return;
    Port& port = m_ports[static_cast<int>(kind)];
    if (!port.present) {
      Record(kind, Direction::kEvent, "dropped (port absent): " + Printable(bytes));
      return;
    }
    if (m_silent) {
      Record(kind, Direction::kEvent, "dropped (silent): " + Printable(bytes));
      return;
    }
    UpdateClient(static_cast<int>(kind));
    if (!port.clientOpen) {
      Record(kind, Direction::kEvent, "dropped (no client): " + Printable(bytes));
      return;
    }
    const PortKind dataPort = m_options.dualPort ? PortKind::kModem : PortKind::kAt;
    if (kind == dataPort && m_modem.dataConnected && m_modem.dataOnline)
      m_modem.dataBytesSent += bytes.size();
    Record(kind, Direction::kSent, bytes);
    port.pending += bytes;
    Flush(port);
  }

  void Flush(Port& port) {
    while (!port.pending.empty()) {
      ssize_t n = write(port.master, port.pending.data(), port.pending.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        if (errno != EAGAIN) port.pending.clear();
        return;
      }
      port.pending.erase(0, static_cast<size_t>(n));
    }
  }

  // Notices a client opening or closing |index|'s port.
  void UpdateClient(int index) {
    Port& port = m_ports[index];
    if (!port.present) return;
    bool open = ClientPresent(port);
    if (open == port.clientOpen) return;
    port.clientOpen = open;
    Record(static_cast<PortKind>(index), Direction::kEvent, open ? "open" : "close");
    if (!open) {
      port.pending.clear();
      ReleaseExclusive(index);
      Schedule(m_modem.ClientClosed(static_cast<PortKind>(index)), false);
    }
    SetClientFlag(index, open);
  }

  // A client that took the port with TIOCEXCL leaves the flag on the pty slave
  // after closing it (the master keeps the slave's state alive), so the next open
  // by an unprivileged client would fail with EBUSY, unlike a real serial port.
  // Clear it through a short open of our own; when even that is refused, give the
  // port a fresh pty behind the same COM link.
  void ReleaseExclusive(int index) {
    Port& port = m_ports[index];
    int fd = open(port.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      ioctl(fd, TIOCNXCL);
      close(fd);
      return;
    }
    if (errno != EBUSY) return;
    int master = -1, slave = -1;
    char name[128] = {};
    termios raw{};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B115200);
    cfsetospeed(&raw, B115200);
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) return;
    close(slave);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    if (!m_keys.ReplaceLink(port.com, name)) {
      close(master);
      return;
    }
    close(port.master);
    port.master = master;
    port.slavePath = name;
    Record(static_cast<PortKind>(index), Direction::kEvent, std::string("renewed pty ") + name);
  }

  void ReadPort(int index) {
    Port& port = m_ports[index];
    char buf[4096];
    for (;;) {
      ssize_t n = read(port.master, buf, sizeof buf);
      if (n > 0) {
        std::string bytes(buf, static_cast<size_t>(n));
        auto kind = static_cast<PortKind>(index);
        Record(kind, Direction::kReceived, bytes);
        Outputs outs = m_modem.Input(kind, bytes, [this](PortKind k, const std::string& line) {
          return MatchRule(k, line);
        });
        Schedule(outs, true);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      // EAGAIN: drained. EIO or 0: the client closed the slave.
      if (n == 0 || (n < 0 && errno != EAGAIN)) UpdateClient(index);
      return;
    }
  }

  void RunTasks() {
    uint64_t value;
    while (read(m_wakeFd, &value, sizeof value) > 0) {
    }
    std::deque<std::function<void()>> tasks;
    {
      std::lock_guard<std::mutex> lock(m_taskMutex);
      tasks.swap(m_tasks);
    }
    for (auto& t : tasks) t();
  }

  void RunTimers() {
    auto now = Clock::now();
    while (!m_timers.empty() && m_timers.begin()->first <= now) {
      Output o = m_timers.begin()->second;
      m_timers.erase(m_timers.begin());
      if (o.later) {
        Schedule(o.later(), false);
      } else {
        Emit(o.port, o.bytes);
      }
    }
  }

  void Loop() {
    while (!m_stop) {
      std::vector<pollfd> fds;
      std::vector<int> which;
      fds.push_back({m_wakeFd, POLLIN, 0});
      which.push_back(-1);
      bool anyClosed = false;
      for (int i = 0; i < kPortKinds; ++i) {
        Port& port = m_ports[i];
        if (!port.present) continue;
        if (!port.clientOpen) {
          anyClosed = true;
          continue;
        }
        short events = POLLIN;
        if (!port.pending.empty()) events |= POLLOUT;
        fds.push_back({port.master, events, 0});
        which.push_back(i);
      }
      int timeout = -1;
      if (!m_timers.empty()) {
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(m_timers.begin()->first -
                                                                          Clock::now())
                        .count();
        timeout = static_cast<int>(std::max<long long>(0, wait + 1));
      }
      if (anyClosed && (timeout < 0 || timeout > kHupRecheckMs)) timeout = kHupRecheckMs;
      int rc = poll(fds.data(), fds.size(), timeout);
      if (rc < 0) {
        // Keep serving: callers wait on this thread. Back off briefly and retry.
        if (errno != EINTR) poll(nullptr, 0, kHupRecheckMs);
        continue;
      }
      if (fds[0].revents & POLLIN) RunTasks();
      for (size_t k = 1; k < fds.size(); ++k) {
        int i = which[k];
        if (!m_ports[i].present || m_ports[i].master != fds[k].fd) continue;  // unplugged by a task
        if (fds[k].revents & POLLIN) ReadPort(i);
        if (fds[k].revents & POLLOUT) Flush(m_ports[i]);
        if (fds[k].revents & (POLLHUP | POLLERR)) {
          ReadPort(i);
          UpdateClient(i);
        }
      }
      for (int i = 0; i < kPortKinds; ++i)
        if (m_ports[i].present && !m_ports[i].clientOpen) UpdateClient(i);
      RunTimers();
    }
  }

  void Wake() {
    uint64_t one = 1;
    ssize_t n = write(m_wakeFd, &one, sizeof one);
    (void)n;
  }

  // --- Transcript (any thread) -----------------------------------------------
  void Record(PortKind port, Direction dir, const std::string& bytes) {
    {
      std::lock_guard<std::mutex> lock(m_transcriptMutex);
      m_transcript.push_back(TranscriptEntry{Clock::now(), port, dir, bytes});
      int i = static_cast<int>(port);
      if (dir == Direction::kReceived) {
        m_received[i] += bytes;
        m_lines[i] += static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\r'));
      } else if (dir == Direction::kSent) {
        m_sent[i] += bytes;
      }
      m_transcriptBytes += 2 * bytes.size();
      size_t limit = m_options.transcriptLimitBytes;
      if (limit > 0 && m_transcriptBytes > limit) TrimTranscript();
    }
    m_transcriptCv.notify_all();
  }

  // Drops the older half of everything kept (transcript lock held).
  void TrimTranscript() {
    size_t drop = m_transcript.size() / 2;
    m_transcript.erase(m_transcript.begin(),
                       m_transcript.begin() + static_cast<std::ptrdiff_t>(drop));
    m_transcriptBase += drop;
    m_transcriptBytes = 0;
    for (const TranscriptEntry& e : m_transcript) m_transcriptBytes += e.bytes.size();
    for (int i = 0; i < kPortKinds; ++i) {
      m_received[i].erase(0, m_received[i].size() / 2);
      m_sent[i].erase(0, m_sent[i].size() / 2);
      m_transcriptBytes += m_received[i].size() + m_sent[i].size();
    }
  }

  void SetClientFlag(int index, bool open) {
    {
      std::lock_guard<std::mutex> lock(m_transcriptMutex);
      m_clientFlags[index] = open;
    }
    m_transcriptCv.notify_all();
  }

  template <class Pred>
  bool WaitTranscript(int timeoutMs, Pred pred) const {
    std::unique_lock<std::mutex> lock(m_transcriptMutex);
    return m_transcriptCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), pred);
  }

  KeyStore m_keys;
  CardOptions m_options;
  Modem m_modem;
  Port m_ports[kPortKinds];
  bool m_plugged = false;
  int m_nextBase = 3;
  std::multimap<Clock::time_point, Output> m_timers;
  std::vector<Rule> m_rules;
  bool m_silent = false;
  int m_answerDelayMs = 0;
  std::optional<std::pair<size_t, int>> m_split;

  std::mutex m_taskMutex;
  std::deque<std::function<void()>> m_tasks;
  int m_wakeFd = -1;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;

  mutable std::mutex m_transcriptMutex;
  mutable std::condition_variable m_transcriptCv;
  std::vector<TranscriptEntry> m_transcript;
  std::string m_received[kPortKinds], m_sent[kPortKinds];
  size_t m_lines[kPortKinds] = {};
  size_t m_transcriptBytes = 0;
  size_t m_transcriptBase = 0;  // entries dropped by TrimTranscript
  bool m_clientFlags[kPortKinds] = {};
};

Card::Card(std::string root, CardOptions options)
    : m_impl(std::make_unique<Impl>(std::move(root), std::move(options))) {}

Card::~Card() = default;

bool Card::Plug() {
  return m_impl->Run([this] { return m_impl->DoPlug(); });
}
void Card::Unplug() {
  m_impl->Run([this] { m_impl->DoUnplug(); });
}
bool Card::Replug(int base) {
  return m_impl->Run([this, base] { return m_impl->DoReplug(base); });
}
bool Card::IsPlugged() const {
  return m_impl->Run([this] { return m_impl->m_plugged; });
}

int Card::AtPort() const {
  return m_impl->Run([this] { return m_impl->m_ports[0].com; });
}
int Card::ModemPort() const {
  return m_impl->Run([this] {
    return m_impl->m_options.dualPort ? m_impl->m_ports[1].com : m_impl->m_ports[0].com;
  });
}
int Card::VideoPort() const {
  return m_impl->Run([this] { return m_impl->m_ports[2].com; });
}
int Card::AudioPort() const {
  return m_impl->Run([this] { return m_impl->m_ports[3].com; });
}
std::string Card::DevicePath(PortKind port) const {
  return m_impl->Run([this, port] { return m_impl->m_ports[static_cast<int>(port)].slavePath; });
}

void Card::AddRule(const std::string& prefix, const std::string& response, int times) {
  m_impl->Run([&] {
    Impl::Rule r;
    r.prefix = prefix;
    r.response = response;
    r.times = times;
    m_impl->m_rules.push_back(r);
  });
}

void Card::AddRegexRule(const std::string& pattern, const std::string& response, int times) {
  std::regex re(pattern, std::regex::ECMAScript);  // throws std::regex_error on a bad pattern
  m_impl->Run([&] {
    Impl::Rule r;
    r.regex = true;
    r.pattern = re;
    r.response = response;
    r.times = times;
    m_impl->m_rules.push_back(r);
  });
}

void Card::ClearRules() {
  m_impl->Run([this] { m_impl->m_rules.clear(); });
}

void Card::SendUnsolicited(const std::string& bytes, PortKind port, int delayMs) {
  m_impl->Run([&] {
    Output o;
    o.port = port;
    o.bytes = bytes;
    m_impl->AddTimer(o, delayMs);
  });
}

void Card::SetSilent(bool silent) {
  m_impl->Run([this, silent] { m_impl->m_silent = silent; });
}
void Card::SplitNextResponse(size_t atByte, int gapMs) {
  m_impl->Run([this, atByte, gapMs] { m_impl->m_split = std::make_pair(atByte, gapMs); });
}
void Card::SetAnswerDelay(int ms) {
  m_impl->Run([this, ms] { m_impl->m_answerDelayMs = std::max(0, ms); });
}
void Card::DropCarrier() {
  WithModem([](Modem& m) { return m.DropCarrier(); });
}
void Card::WithModem(const std::function<Outputs(Modem&)>& fn) {
  m_impl->Run([&] { m_impl->Schedule(fn(m_impl->m_modem), false); });
}
void Card::SetSignal(int rssi, int ber) {
  WithModem([=](Modem& m) { return m.SetSignal(rssi, ber); });
}
void Card::SetRegistration(int stat) {
  WithModem([=](Modem& m) { return m.SetRegistration(stat); });
}
void Card::SetPacketRegistration(int stat) {
  WithModem([=](Modem& m) { return m.SetPacketRegistration(stat); });
}
void Card::SetAccessTechnology(const std::string& name) {
  WithModem([&](Modem& m) { return m.SetAccessTechnology(name); });
}
void Card::SetModemState(const std::string& text) {
  WithModem([&](Modem& m) { return m.SetModemState(text); });
}
void Card::IncomingCall(const std::string& number) {
  WithModem([&](Modem& m) { return m.IncomingCall(number); });
}
void Card::RemoteHangup() {
  WithModem([](Modem& m) { return m.RemoteHangup(); });
}
void Card::IncomingVideoCall(const std::string& number) {
  WithModem([&](Modem& m) { return m.IncomingVideoCall(number); });
}
std::vector<int> Card::DeliverSms(const std::string& from, const std::string& text,
                                  SmsCoding coding, int messageClass) {
  std::vector<int> indexes;
  WithModem([&](Modem& m) { return m.DeliverSms(from, text, coding, messageClass, &indexes); });
  return indexes;
}

int Card::StoreSms(const std::string& storage, const std::string& pdu, int stat, int index) {
  int result = -1;
  WithModem([&](Modem& m) {
    if ((storage != "SM" && storage != "ME") || stat < 0 || stat > 3) return Outputs{};
    if (!DecodePdu(pdu, true, nullptr)) return Outputs{};
    SmsStore& store = m.sms[storage];
    int at = index > 0 ? index : store.FreeIndex();
    if (at < 1 || at > store.capacity) return Outputs{};
    store.slots[at] = SmsSlot{stat, pdu, false};
    result = at;
    return Outputs{};
  });
  return result;
}

bool Card::AddPhonebookEntry(const std::string& storage, int index, const std::string& number,
                             const std::string& name, int type) {
  bool ok = false;
  WithModem([&](Modem& m) {
    auto it = m.phonebooks.find(storage);
    auto hex = Utf8ToUcs2Hex(name);
    if (it == m.phonebooks.end() || !hex || index < 1 || index > it->second.capacity)
      return Outputs{};
    PhonebookEntry e;
    e.number = number;
    e.type = type;
    e.nameHex = *hex;
    it->second.entries[index] = e;
    ok = true;
    return Outputs{};
  });
  return ok;
}

void Card::SetSimState(Modem::SimState state) {
  WithModem([state](Modem& m) {
    m.sim = state;
    return Outputs{};
  });
}

void Card::SetCallOutcome(Modem::CallOutcome outcome) {
  WithModem([outcome](Modem& m) {
    m.nextCallOutcome = outcome;
    return Outputs{};
  });
}

std::vector<SentSms> Card::SentMessages() const {
  return m_impl->Run([this] { return m_impl->m_modem.sent; });
}

std::vector<TranscriptEntry> Card::Transcript() const {
  std::lock_guard<std::mutex> lock(m_impl->m_transcriptMutex);
  return m_impl->m_transcript;
}

std::vector<TranscriptEntry> Card::TranscriptFrom(size_t from, size_t* next) const {
  std::lock_guard<std::mutex> lock(m_impl->m_transcriptMutex);
  size_t base = m_impl->m_transcriptBase;
  size_t end = base + m_impl->m_transcript.size();
  if (next) *next = end;
  size_t start = std::max(from, base);
  if (start >= end) return {};
  return std::vector<TranscriptEntry>(
      m_impl->m_transcript.begin() + static_cast<std::ptrdiff_t>(start - base),
      m_impl->m_transcript.end());
}

void Card::ClearTranscript() {
  std::lock_guard<std::mutex> lock(m_impl->m_transcriptMutex);
  m_impl->m_transcriptBase += m_impl->m_transcript.size();
  m_impl->m_transcriptBytes = 0;
  m_impl->m_transcript.clear();
  for (int i = 0; i < kPortKinds; ++i) {
    m_impl->m_received[i].clear();
    m_impl->m_sent[i].clear();
    m_impl->m_lines[i] = 0;
  }
}

std::string Card::Received(PortKind port) const {
  std::lock_guard<std::mutex> lock(m_impl->m_transcriptMutex);
  return m_impl->m_received[static_cast<int>(port)];
}

std::string Card::Sent(PortKind port) const {
  std::lock_guard<std::mutex> lock(m_impl->m_transcriptMutex);
  return m_impl->m_sent[static_cast<int>(port)];
}

bool Card::WaitForReceived(const std::string& pattern, int timeoutMs, PortKind port,
                           size_t from) const {
  int i = static_cast<int>(port);
  return m_impl->WaitTranscript(timeoutMs, [&] {
    const std::string& s = m_impl->m_received[i];
    return from <= s.size() && s.find(pattern, from) != std::string::npos;
  });
}

bool Card::WaitForSent(const std::string& pattern, int timeoutMs, PortKind port,
                       size_t from) const {
  int i = static_cast<int>(port);
  return m_impl->WaitTranscript(timeoutMs, [&] {
    const std::string& s = m_impl->m_sent[i];
    return from <= s.size() && s.find(pattern, from) != std::string::npos;
  });
}

size_t Card::ReceivedLineCount(PortKind port) const {
  std::lock_guard<std::mutex> lock(m_impl->m_transcriptMutex);
  return m_impl->m_lines[static_cast<int>(port)];
}

bool Card::WaitForClient(PortKind port, bool open, int timeoutMs) const {
  int i = static_cast<int>(port);
  return m_impl->WaitTranscript(timeoutMs, [&] { return m_impl->m_clientFlags[i] == open; });
}

}  // namespace cardsim
