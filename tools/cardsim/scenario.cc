// Scenario files; see scenario.h.
#include "scenario.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <regex>
#include <sstream>

namespace cardsim {
namespace {

std::string TrimSpace(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool ToInt(const std::string& s, int* v) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  *v = std::stoi(s);
  return true;
}

// Actions whose argument is one text (the rest of the line).
bool TakesText(const std::string& action) {
  return action == "send" || action == "modem-state" || action == "tech";
}

struct ActionShape {
  const char* name;
  size_t minArgs, maxArgs;
};

constexpr ActionShape kActions[] = {{"send", 1, 1},   {"send-port", 2, 2},   {"silent", 1, 1},
                                    {"split", 2, 2},  {"delay", 1, 1},       {"drop-carrier", 0, 0},
                                    {"unplug", 0, 0}, {"plug", 0, 0},        {"replug", 0, 1},
                                    {"signal", 1, 2}, {"creg", 1, 1},        {"cgreg", 1, 1},
                                    {"tech", 1, 1},   {"modem-state", 1, 1}, {"call", 1, 1},
                                    {"hangup", 0, 0}, {"video-call", 1, 1},  {"sms", 2, 2}};

PortKind PortFromName(const std::string& name, bool* ok) {
  *ok = true;
  if (name == "at") return PortKind::kAt;
  if (name == "modem") return PortKind::kModem;
  if (name == "video") return PortKind::kVideo;
  if (name == "audio") return PortKind::kAudio;
  *ok = false;
  return PortKind::kAt;
}

}  // namespace

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 >= text.size()) {
      out += c;
      continue;
    }
    char e = text[++i];
    switch (e) {
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'e':
        out += '\x1B';
        break;
      case 'z':
        out += '\x1A';
        break;
      case '\\':
        out += '\\';
        break;
      case 'x':
        if (i + 2 < text.size() + 0 && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
          out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
          i += 2;
        } else {
          out += "\\x";
        }
        break;
      default:
        out += '\\';
        out += e;
        break;
    }
  }
  return out;
}

bool ParseScenario(const std::string& text, Scenario* scenario, std::string* error) {
  Scenario result;
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
    return false;
  };
  while (std::getline(in, raw)) {
    ++lineNo;
    std::string line = TrimSpace(raw);
    if (line.empty() || line[0] == '#') continue;
    std::string word = line.substr(0, line.find(' '));
    if (word == "rule" || word == "rule-once" || word == "regex") {
      size_t arrow = line.find(" => ");
      if (arrow == std::string::npos) return fail("expected \"=>\"");
      ScenarioRule r;
      r.regex = word == "regex";
      r.once = word == "rule-once";
      r.match = TrimSpace(line.substr(word.size(), arrow - word.size()));
      r.response = Unescape(line.substr(arrow + 4));
      if (r.match.empty()) return fail("empty match");
      if (r.regex) {
        try {
          std::regex check(r.match);
        } catch (const std::regex_error&) {
          return fail("bad regular expression");
        }
      }
      result.rules.push_back(r);
      continue;
    }
    if (word != "at") return fail("unknown keyword \"" + word + "\"");
    std::istringstream words(line.substr(2));
    std::string time, action;
    words >> time >> action;
    ScenarioStep step;
    if (!ToInt(time, &step.atMs)) return fail("bad time");
    const ActionShape* shape = nullptr;
    for (const ActionShape& a : kActions)
      if (action == a.name) shape = &a;
    if (!shape) return fail("unknown action \"" + action + "\"");
    step.action = action;
    std::string rest;
    std::getline(words, rest);
    rest = TrimSpace(rest);
    if (TakesText(action)) {
      if (!rest.empty()) step.args.push_back(action == "send" ? Unescape(rest) : rest);
    } else if (action == "send-port" || action == "sms") {
      size_t sp = rest.find(' ');
      if (sp != std::string::npos) {
        step.args.push_back(rest.substr(0, sp));
        std::string body = TrimSpace(rest.substr(sp + 1));
        step.args.push_back(action == "send-port" ? Unescape(body) : body);
      }
    } else {
      std::istringstream argWords(rest);
      std::string a;
      while (argWords >> a) step.args.push_back(a);
    }
    if (step.args.size() < shape->minArgs || step.args.size() > shape->maxArgs)
      return fail("wrong number of arguments for \"" + action + "\"");
    bool ok = true;
    int v;
    if (action == "send-port") PortFromName(step.args[0], &ok);
    if (action == "silent") ok = step.args[0] == "on" || step.args[0] == "off";
    if (action == "split" || action == "delay" || action == "signal" || action == "creg" ||
        action == "cgreg" || action == "replug")
      for (const std::string& a : step.args) ok = ok && ToInt(a, &v);
    if (!ok) return fail("bad argument for \"" + action + "\"");
    result.steps.push_back(step);
  }
  std::stable_sort(result.steps.begin(), result.steps.end(),
                   [](const ScenarioStep& a, const ScenarioStep& b) { return a.atMs < b.atMs; });
  *scenario = std::move(result);
  return true;
}

ScenarioRunner::ScenarioRunner(Card& card, Scenario scenario)
    : m_card(card), m_scenario(std::move(scenario)) {
  for (const ScenarioRule& r : m_scenario.rules) {
    if (r.regex) {
      m_card.AddRegexRule(r.match, r.response, r.once ? 1 : -1);
    } else {
      m_card.AddRule(r.match, r.response, r.once ? 1 : -1);
    }
  }
  m_thread = std::thread([this] { Play(); });
}

ScenarioRunner::~ScenarioRunner() { Stop(); }

void ScenarioRunner::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
  }
  m_cv.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

void ScenarioRunner::Play() {
  auto start = std::chrono::steady_clock::now();
  for (const ScenarioStep& step : m_scenario.steps) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_cv.wait_until(lock, start + std::chrono::milliseconds(step.atMs),
                        [this] { return m_stop; }))
      return;
    lock.unlock();
    Apply(step);
  }
  m_finished = true;
}

void ScenarioRunner::Apply(const ScenarioStep& s) {
  const std::string& a = s.action;
  auto arg = [&](size_t i) { return std::stoi(s.args[i]); };
  if (a == "send") {
    m_card.SendUnsolicited(s.args[0]);
  } else if (a == "send-port") {
    bool ok;
    m_card.SendUnsolicited(s.args[1], PortFromName(s.args[0], &ok));
  } else if (a == "silent") {
    m_card.SetSilent(s.args[0] == "on");
  } else if (a == "split") {
    m_card.SplitNextResponse(static_cast<size_t>(arg(0)), arg(1));
  } else if (a == "delay") {
    m_card.SetAnswerDelay(arg(0));
  } else if (a == "drop-carrier") {
    m_card.DropCarrier();
  } else if (a == "unplug") {
    m_card.Unplug();
  } else if (a == "plug") {
    m_card.Plug();
  } else if (a == "replug") {
    m_card.Replug(s.args.empty() ? -1 : arg(0));
  } else if (a == "signal") {
    m_card.SetSignal(arg(0), s.args.size() > 1 ? arg(1) : 99);
  } else if (a == "creg") {
    m_card.SetRegistration(arg(0));
  } else if (a == "cgreg") {
    m_card.SetPacketRegistration(arg(0));
  } else if (a == "tech") {
    m_card.SetAccessTechnology(s.args[0]);
  } else if (a == "modem-state") {
    m_card.SetModemState(s.args[0]);
  } else if (a == "call") {
    m_card.IncomingCall(s.args[0]);
  } else if (a == "hangup") {
    m_card.RemoteHangup();
  } else if (a == "video-call") {
    m_card.IncomingVideoCall(s.args[0]);
  } else if (a == "sms") {
    m_card.DeliverSms(s.args[0], s.args[1]);
  }
}

}  // namespace cardsim
