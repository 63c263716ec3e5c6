// Fixtures for link-layer tests against devices on pseudo-terminals: probe
// responders with fixed answers, the simulated card, and waiting for
// indications with a deadline.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "modlink/linklayer/linklayer.h"
#include "platform/event.h"
#include "platform/key_store.h"
#include "platform/paths.h"
#include "tests/support/pty.h"

namespace testsupport {

struct Indication {
  int32_t id;
  std::string payload;
};

// Collects the link's indications; waits on the client event it registers.
class IndicationReader {
 public:
  explicit IndicationReader(modlink::linklayer& link) : m_link(link), m_event(NewEvent()) {
    link.SetNotify(m_event.Native());
  }
  // Waits until an indication with `id` arrives; earlier ones are kept in
  // All(). False on timeout.
  bool WaitFor(int32_t id, int timeoutMs, std::string* payload = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      Pump();
      for (size_t i = m_seen; i < m_all.size(); ++i) {
        if (m_all[i].id == id) {
          m_seen = i + 1;
          if (payload) *payload = m_all[i].payload;
          return true;
        }
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0) return false;
      m_event.Wait(static_cast<uint32_t>(left < 50 ? left : 50));
      m_event.Reset();
    }
  }
  // Everything posted so far.
  const std::vector<Indication>& All() {
    Pump();
    return m_all;
  }
  size_t Count(int32_t id) {
    size_t n = 0;
    for (const auto& i : All()) n += i.id == id;
    return n;
  }
  bool Notified() { return m_event.Wait(0); }

 private:
  void Pump() {
    std::vector<char> buf(4096);
    int32_t id = 0, length = 0;
    while (m_link.ReadQ.Dequeue(&id, buf.data(), &length, 4096))
      m_all.push_back({id, std::string(buf.data(), static_cast<size_t>(length - 2))});
  }
  // The library may signal a client's event until the object is gone, and
  // a test's reader may go first: the events live until the program ends.
  static plat::Event& NewEvent() {
    static std::mutex mutex;
    static std::vector<std::unique_ptr<plat::Event>>* events =
        new std::vector<std::unique_ptr<plat::Event>>();
    std::lock_guard<std::mutex> lock(mutex);
    events->push_back(std::make_unique<plat::Event>());
    return *events->back();
  }
  modlink::linklayer& m_link;
  plat::Event& m_event;
  std::vector<Indication> m_all;
  size_t m_seen = 0;
};

// A serial device on a pty that answers every chunk it receives with a
// fixed text (or stays silent), registered in the key store under a value
// name of the test's choice.
class ProbePort {
 public:
  ProbePort(const std::string& valueName, int com, std::string answer, bool link = true)
      : m_valueName(valueName), m_answer(std::move(answer)) {
    if (link) MakeLink(m_pty.SlavePath(), plat::ModlinkRoot() + "/ports/COM" + std::to_string(com));
    m_com = com;
    plat::RegKey key;
    key.Create("HARDWARE\\DEVICEMAP\\SERIALCOMM");
    key.SetValue(valueName.c_str(), "COM" + std::to_string(com));
    m_thread = std::thread([this] {
      while (!m_stop) {
        std::string in = m_pty.Receive(20);
        if (in.empty()) continue;
        {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_received += in;
        }
        if (!m_answer.empty()) m_pty.Send(m_answer);
      }
    });
  }
  ~ProbePort() {
    m_stop = true;
    m_thread.join();
    plat::RegKey key;
    if (key.Open("HARDWARE\\DEVICEMAP\\SERIALCOMM")) key.DeleteValue(m_valueName.c_str());
    std::remove((plat::ModlinkRoot() + "/ports/COM" + std::to_string(m_com)).c_str());
  }
  // What the port received (read after the test's exchange is over).
  std::string Received() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
  }
  PseudoTerminal& Pty() { return m_pty; }

 private:
  PseudoTerminal m_pty;
  std::string m_valueName;
  std::string m_answer;
  int m_com = 0;
  std::atomic<bool> m_stop{false};
  mutable std::mutex m_mutex;
  std::string m_received;
  std::thread m_thread;
};

inline void EnsurePortDirectory() {
  std::string cmd = plat::ModlinkRoot() + "/ports";
  plat::RegKey key;
  key.Create("HARDWARE\\DEVICEMAP\\SERIALCOMM");
  std::filesystem::create_directories(cmd);
}

// Timings for tests: a short answer wait and probe reads.
inline modlink::Timings FastTimings(uint32_t answerWaitMs = 300) {
  modlink::Timings t;
  t.answerWaitMs = answerWaitMs;
  t.scanReadScale = 10;
  t.recheckPauseMs = 10;
  t.readDatePauseMs = 0;
  return t;
}

}  // namespace testsupport
