// Scenario files: rules and timed events for a Card, as text.
//
//   # comment
//   rule AT+FOO => \r\n+FOO: 1\r\n\r\nOK\r\n     prefix rule (first match wins)
//   rule-once AT+BAR => \r\nERROR\r\n             used once, then removed
//   regex ^AT\+CSQ=?$ => \r\n+CSQ: 5,99\r\n\r\nOK\r\n
//   at 1500 send \r\nRING\r\n                      unsolicited bytes on the AT port
//   at 1500 send-port modem \r\nNO CARRIER\r\n
//   at 2000 silent on | silent off
//   at 2000 split 5 100                            next response: 5 bytes, 100 ms gap, rest
//   at 0 delay 300                                 answer every command 300 ms late
//   at 3000 drop-carrier
//   at 4000 unplug | plug | replug [base]
//   at 100 signal 20 99 | creg 1 | cgreg 1 | tech HSDPA | modem-state modem active
//   at 100 call +8613900000000 | hangup | video-call 10086 | sms +8613900000000 Hello there
//
// Times are milliseconds from the start of the run. Texts take the escapes \r \n
// \t \\ \e (ESC) \z (Ctrl-Z) and \xHH.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cardsim.h"

namespace cardsim {

struct ScenarioRule {
  bool regex = false;
  bool once = false;
  std::string match;
  std::string response;
};

struct ScenarioStep {
  int atMs = 0;
  std::string action;             // "send", "silent", ...
  std::vector<std::string> args;  // words; for texts the rest of the line, unescaped
};

struct Scenario {
  std::vector<ScenarioRule> rules;
  std::vector<ScenarioStep> steps;  // sorted by time, file order kept for equal times
};

// Parses |text|; on failure returns false and sets |error| to "line N: reason".
bool ParseScenario(const std::string& text, Scenario* scenario, std::string* error);
std::string Unescape(const std::string& text);

// Installs the rules and plays the steps on a thread of its own (steps such as
// unplug must survive the card dropping its pending output). Stops and joins on
// destruction or Stop().
class ScenarioRunner {
 public:
  ScenarioRunner(Card& card, Scenario scenario);
  ~ScenarioRunner();
  void Stop();
  bool Finished() const { return m_finished; }

 private:
  void Play();
  void Apply(const ScenarioStep& step);

  Card& m_card;
  Scenario m_scenario;
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_stop = false;
  std::atomic<bool> m_finished{false};
  std::thread m_thread;
};

}  // namespace cardsim
