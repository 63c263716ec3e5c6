// The simulated card's AT command engine; see at_engine.h.
// Runs on the card's service thread only.
#include "at_engine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

namespace cardsim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kCrLf[] = "\r\n";
constexpr size_t kMaxLine = 1024;  // longest command line kept; longer is refused
constexpr uint8_t kVideoProbe[11] = {0x41, 0x54, 0, 0, 0x03, 0, 0, 0, 0, 0, 0};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool ParseInt(const std::string& s, int* value) {
  std::string t = Trim(s);
  if (t.empty() || t.size() > 9) return false;
  size_t i = (t[0] == '-') ? 1 : 0;
  if (i == t.size()) return false;
  int v = 0;
  for (; i < t.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(t[i]))) return false;
    v = v * 10 + (t[i] - '0');
  }
  *value = t[0] == '-' ? -v : v;
  return true;
}

bool IsDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

bool IsDialChars(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '*' || c == '#' || c == '+';
  });
}

std::string Line(const std::string& text) { return std::string(kCrLf) + text + kCrLf; }

const char* kOk = "\r\nOK\r\n";
const char* kError = "\r\nERROR\r\n";

std::string CmsError(int code) { return Line("+CMS ERROR: " + std::to_string(code)); }

const char* CmeText(int code) {
  switch (code) {
    case 3: return "operation not allowed";
    case 4: return "operation not supported";
    case 10: return "SIM not inserted";
    case 11: return "SIM PIN required";
    case 12: return "SIM PUK required";
    case 13: return "SIM failure";
    case 16: return "incorrect password";
    case 17: return "SIM PIN2 required";
    case 18: return "SIM PUK2 required";
    case 20: return "memory full";
    case 21: return "invalid index";
    case 22: return "not found";
    case 24: return "text string too long";
    case 26: return "dial string too long";
    case 27: return "invalid characters in dial string";
    case 30: return "no network service";
    case 50: return "incorrect parameters";
    default: return "unknown";
  }
}

const char* kLockTypes[5] = {"NW", "NS", "SP", "CP", "SIM"};

int LockTypeIndex(const std::string& name) {
  for (int i = 0; i < 5; ++i)
    if (Upper(name) == kLockTypes[i]) return i;
  return -1;
}

bool IsRegistered(int stat) { return stat == 1 || stat == 5; }

// Tag codes of AT+CMGWT (SIM EF-SMS status values) to 27.005 <stat>.
int StatFromTagCode(int code) {
  switch (code) {
    case 3: return 0;
    case 1: return 1;
    case 7: return 2;
    case 5: return 3;
    case 4: return 2;  // draft
    default: return -1;
  }
}

}  // namespace

const char* PortName(PortKind port) {
  switch (port) {
    case PortKind::kAt: return "at";
    case PortKind::kModem: return "modem";
    case PortKind::kVideo: return "video";
    case PortKind::kAudio: return "audio";
  }
  return "?";
}

int SmsStore::FreeIndex() const {
  for (int i = 1; i <= capacity; ++i)
    if (!slots.count(i)) return i;
  return -1;
}

std::vector<std::string> SplitArgs(const std::string& text, std::vector<bool>* quoted) {
  std::vector<std::string> out;
  std::vector<bool> q;
  std::string cur;
  bool inQuote = false, wasQuoted = false;
  for (char c : text) {
    if (c == '"') {
      inQuote = !inQuote;
      wasQuoted = true;
    } else if (c == ',' && !inQuote) {
      out.push_back(wasQuoted ? cur : Trim(cur));
      q.push_back(wasQuoted);
      cur.clear();
      wasQuoted = false;
    } else if (inQuote || c != ' ' || !cur.empty()) {
      // Blanks outside quotes are dropped ("SM", "1234" has one after the comma).
      if (!inQuote && wasQuoted && c == ' ') continue;
      cur += c;
    }
  }
  out.push_back(wasQuoted ? cur : Trim(cur));
  q.push_back(wasQuoted);
  if (quoted) *quoted = q;
  return out;
}

Modem::Modem(const ModemConfig& cfg, bool dual, bool echoOn)
    : config(cfg), dualPort(dual), echo(echoOn) {
  pin = config.pin;
  puk = config.puk;
  pin2 = config.pin2;
  puk2 = config.puk2;
  pinEnabled = config.pinEnabled;
  smsCentre = config.serviceCentre;
  for (const char* f : {"PN", "PU", "PP", "PC", "PF"}) perso[f] = false;
  sms["SM"].capacity = config.smsSimCapacity;
  sms["ME"].capacity = config.smsMeCapacity;
  for (const char* name : {"SM", "ME", "FD", "DC", "MC", "RC"}) {
    PhonebookStore& pb = phonebooks[name];
    pb.capacity = std::string(name) == "SM" ? config.pbSimCapacity
                  : std::string(name) == "ME" ? config.pbMeCapacity
                                              : 10;
  }
  m_clockBase = std::chrono::system_clock::now();
  m_clockSetAt = Clock::now();
  PowerOn();
}

void Modem::PowerOn() {
  call = CallState::kIdle;
  videoCall = CallState::kIdle;
  ++callGeneration;
  dataConnected = dataOnline = false;
  searchPending = false;
  ++searchGeneration;
  cregMode = cgregMode = 0;
  techReports = autoCsq = false;
  cnmiMt = cnmiDs = 0;
  clip = false;
  cpsiInterval = 0;
  pin2Verified = false;
  for (PortInput& in : inputs) in = PortInput{};
  if (sim != SimState::kAbsent && sim != SimState::kBlocked)
    sim = pinEnabled ? SimState::kSimPin : SimState::kReady;
  if (pinEnabled && pinLeft == 0) sim = SimState::kSimPuk;
}

std::string Modem::CmeError(int code) const {
  if (cmee == 0) return kError;
  if (cmee == 1) return Line("+CME ERROR: " + std::to_string(code));
  return Line(std::string("+CME ERROR: ") + CmeText(code));
}

std::string Modem::Final(const std::string& info) const { return info + kOk; }

Outputs Modem::Answer(PortKind port, const std::string& bytes) const {
  Output o;
  o.port = port;
  o.bytes = bytes;
  o.response = true;
  return {o};
}

Outputs Modem::Unsolicited(const std::string& line, int delayMs) const {
  Output o;
  o.delayMs = delayMs;
  o.port = PortKind::kAt;
  o.bytes = Line(line);
  return {o};
}

std::string Modem::SimGateCme() const {
  switch (sim) {
    case SimState::kReady: return "";
    case SimState::kAbsent: return CmeError(10);
    case SimState::kSimPin: return CmeError(11);
    case SimState::kSimPuk: return CmeError(12);
    case SimState::kBlocked: return CmeError(13);
    default: return "";  // PIN2 / network lock do not block ordinary commands
  }
}

std::string Modem::ClockText() const {
  auto now = m_clockBase + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                               Clock::now() - m_clockSetAt);
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d,%02d:%02d:%02d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

// ---------------------------------------------------------------------------
// Input assembly

Outputs Modem::Input(PortKind port, const std::string& bytes, const RuleHook& rule) {
  if (port == PortKind::kVideo) return HandleVideo(bytes);
  if (port == PortKind::kAudio) {  // near-end voice: counted, not answered
    audioBytesReceived += bytes.size();
    return {};
  }
  Outputs out;
  const PortKind dataPort = dualPort ? PortKind::kModem : PortKind::kAt;
  if (port == dataPort && dataConnected && dataOnline) {
    // Escape to online command mode: the escape sequence arrives on its own.
    if (bytes == "+++") {
      dataOnline = false;
      return Answer(port, kOk);
    }
    dataBytesReceived += bytes.size();
    return {};
  }
  if (searchPending) {  // any character aborts a running operator search (V.250)
    searchPending = false;
    ++searchGeneration;
  }
  PortInput& in = inputs[static_cast<int>(port)];
  std::string echoed;
  for (char ch : bytes) {
    auto c = static_cast<unsigned char>(ch);
    if (in.promptPdu) {
      if (echo) echoed += ch;
      if (c == 0x1A) {  // Ctrl-Z ends the PDU
        std::string pdu = in.line;
        in.line.clear();
        in.promptPdu = false;
        Outputs r = HandlePromptPdu(port, pdu);
        out.insert(out.end(), r.begin(), r.end());
      } else if (c == 0x1B) {  // ESC cancels
        in.line.clear();
        in.promptPdu = false;
        Outputs r = Answer(port, kOk);
        out.insert(out.end(), r.begin(), r.end());
      } else if (std::isxdigit(c) && in.line.size() < kMaxLine) {
        in.line += ch;
      }
      continue;
    }
    if (echo) echoed += ch;
    if (c == '\r') {
      std::string line = in.line;
      in.line.clear();
      // Characters before "AT" are not part of the command (V.250 5.2.1).
      std::string upper = Upper(line);
      size_t at = upper.find("AT");
      if (at == std::string::npos) continue;
      line = line.substr(at);
      if (!echoed.empty()) {
        Output e;
        e.port = port;
        e.bytes = echoed;
        out.push_back(e);
        echoed.clear();
      }
      std::optional<std::string> ruled = rule ? rule(port, line) : std::nullopt;
      Outputs r = ruled ? (ruled->empty() ? Outputs{} : Answer(port, *ruled)) : HandleLine(port, line);
      out.insert(out.end(), r.begin(), r.end());
    } else if (c == '\n') {
      // Not echoed: the echo of "AT+CSQ" CR LF is "AT+CSQ" CR, as cards do.
      if (echo && !echoed.empty() && echoed.back() == '\n') echoed.pop_back();
      continue;
    } else if (c == 0x08 || c == 0x7F) {
      if (!in.line.empty()) in.line.pop_back();
    } else if (c < 0x20) {
      in.line.clear();  // binary (a video probe on the wrong port): not a command
    } else if (in.line.size() < kMaxLine) {
      in.line += ch;
    } else {
      in.line.clear();
      Outputs r = Answer(port, kError);
      out.insert(out.end(), r.begin(), r.end());
    }
  }
  if (!echoed.empty()) {
    Output e;
    e.port = port;
    e.bytes = echoed;
    out.insert(out.begin(), e);
  }
  return out;
}

Outputs Modem::ClientClosed(PortKind port) {
  inputs[static_cast<int>(port)] = PortInput{};
  const PortKind dataPort = dualPort ? PortKind::kModem : PortKind::kAt;
  if (port == dataPort && dataConnected) {
    dataConnected = dataOnline = false;  // DTR drop hangs up
  }
  return {};
}

Outputs Modem::HandleVideo(const std::string& bytes) {
  std::string probe(reinterpret_cast<const char*>(kVideoProbe), sizeof kVideoProbe);
  if (bytes.find(probe) != std::string::npos) {
    std::string answer = probe;
    answer[8] = 0x01;
    return Answer(PortKind::kVideo, answer);
  }
  if (videoCall == CallState::kActive) return Answer(PortKind::kVideo, bytes);  // loopback
  return {};
}

// ---------------------------------------------------------------------------
// Command dispatch

Outputs Modem::HandleLine(PortKind port, const std::string& line) {
  std::string rest = line.substr(2);
  if (Trim(rest).empty()) {
    if (dualPort && port == PortKind::kAt)
      return Answer(port, Line("+CINQP: MODEM PORT,2," + std::to_string(config.modemPortDigit)));
    if (dualPort && port == PortKind::kModem) return Answer(port, Line("+CINQP: MODEM PORT,1"));
    return Answer(port, kOk);
  }
  char first = rest[0];
  if (first == '+' || first == '*' || first == '$' || first == '^') return HandleExtended(port, rest);
  return HandleBasic(port, rest);
}

std::string Modem::CallDuration() const {
  if (call != CallState::kActive) return "000000";
  auto secs = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - callStart).count();
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d", static_cast<int>((secs / 3600) % 100),
                static_cast<int>((secs / 60) % 60), static_cast<int>(secs % 60));
  return buf;
}

Outputs Modem::EndCall(const std::string& how) {
  (void)how;
  std::string line = "VOICE CALL: END: " + CallDuration();
  call = CallState::kIdle;
  callNumber.clear();
  ++callGeneration;
  return Unsolicited(line);
}

void Modem::AddCallLog(const std::string& book, const std::string& number) {
  PhonebookStore& pb = Phonebook(book);
  // Newest first: shift the log down by one and drop the oldest.
  std::map<int, PhonebookEntry> shifted;
  for (auto& [idx, e] : pb.entries)
    if (idx + 1 <= pb.capacity) shifted[idx + 1] = e;
  PhonebookEntry e;
  e.number = number;
  e.type = (!number.empty() && number[0] == '+') ? 145 : 129;
  shifted[1] = e;
  pb.entries = std::move(shifted);
}

Outputs Modem::StartRinging(uint64_t generation) {
  if (call != CallState::kIncoming || generation != callGeneration) return {};
  Outputs out = Unsolicited("RING");
  if (clip) {
    int type = (!callNumber.empty() && callNumber[0] == '+') ? 145 : 129;
    Outputs c = Unsolicited("+CLIP: \"" + callNumber + "\"," + std::to_string(type) + ",,,,0");
    out.insert(out.end(), c.begin(), c.end());
  }
  if (autoAnswer) {  // answered on the first ring
    call = CallState::kActive;
    callStart = Clock::now();
    ++callGeneration;
    AddCallLog("RC", callNumber);
    Outputs begin = Unsolicited("VOICE CALL: BEGIN");
    out.insert(out.end(), begin.begin(), begin.end());
    return out;
  }
  Output next;
  next.delayMs = config.ringIntervalMs;
  next.later = [this, generation]() { return StartRinging(generation); };
  out.push_back(next);
  return out;
}

// Data mode starts once the CONNECT answer is out, so the answer is not counted
// as data.
Output Modem::GoOnline() {
  Output o;
  o.later = [this]() -> Outputs {
    if (dataConnected) dataOnline = true;
    return {};
  };
  return o;
}

Outputs Modem::HandleBasic(PortKind port, const std::string& cmd) {
  std::string u = Upper(cmd);
  const PortKind dataPort = dualPort ? PortKind::kModem : PortKind::kAt;
  if (u == "E0" || u == "E" || u == "E1") {
    echo = (u == "E1");
    return Answer(port, kOk);
  }
  if (u == "I" || u == "I0") {
    return Answer(port, Final(Line("Manufacturer: " + config.manufacturer) +
                              "Model: " + config.model + kCrLf + "Revision: " + config.revision +
                              kCrLf + "IMEI: " + config.imei + kCrLf));
  }
  if (u == "Z" || u == "Z0" || u == "&F" || u == "&F0") {
    echo = false;
    return Answer(port, kOk);
  }
  if (u == "V1" || u == "Q0" || u == "X4" || u == "&C1" || u == "&D2" || u == "&W") {
    return Answer(port, kOk);
  }
  if (u.rfind("S0=", 0) == 0) {
    int v;
    if (!ParseInt(u.substr(3), &v) || v < 0 || v > 255) return Answer(port, kError);
    s0 = v;
    return Answer(port, kOk);
  }
  if (u == "S0?") {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%03d", s0);
    return Answer(port, Final(Line(buf)));
  }
  if (u == "A") {
    if (call != CallState::kIncoming) return Answer(port, Line("NO CARRIER"));
    call = CallState::kActive;
    callStart = Clock::now();
    ++callGeneration;  // stops the ringing
    AddCallLog("RC", callNumber);
    return Answer(port, Final(Line("VOICE CALL: BEGIN")));
  }
  if (u == "H" || u == "H0") {
    if (port == dataPort && dataConnected) {
      dataConnected = dataOnline = false;
      return Answer(port, kOk);
    }
    if (call != CallState::kIdle) {
      Outputs end = EndCall("hangup");
      std::string bytes = end[0].bytes + kOk;
      return Answer(port, bytes);
    }
    return Answer(port, kOk);
  }
  if (u == "O" || u == "O0") {
    if (port == dataPort && dataConnected) {
      Outputs out = Answer(port, Line("CONNECT"));
      out.push_back(GoOnline());
      return out;
    }
    return Answer(port, Line("NO CARRIER"));
  }
  if (u[0] == 'D') {
    std::string dial = Trim(cmd.substr(1));
    bool voice = !dial.empty() && dial.back() == ';';
    if (voice) dial.pop_back();
    if (!voice) {
      // Packet data: *99# (UMTS) or #777 (CDMA), on the data port only.
      bool packet = (dial.rfind("*99", 0) == 0 && dial.back() == '#') || dial == "#777";
      if (!packet || port != dataPort || dataConnected) return Answer(port, Line("NO CARRIER"));
      if (!SimReady() || !IsRegistered(cgreg) || cfun != 1) return Answer(port, Line("NO CARRIER"));
      dataConnected = true;
      dataBytesReceived = dataBytesSent = 0;
      Outputs out = Answer(port, Line("CONNECT 3600000"));
      out.push_back(GoOnline());
      return out;
    }
    if (!IsDialChars(dial)) return Answer(port, CmeError(27));
    if (dial.size() > 32) return Answer(port, CmeError(26));
    std::string gate = SimGateCme();
    if (!gate.empty()) return Answer(port, gate);
    if (call != CallState::kIdle) return Answer(port, CmeError(3));
    AddCallLog("DC", dial);
    if (!IsRegistered(creg) || cfun != 1) return Answer(port, Final("") + Line("NO CARRIER"));
    call = CallState::kDialling;
    callNumber = dial;
    uint64_t gen = ++callGeneration;
    Outputs out = Answer(port, kOk);
    Output later;
    later.delayMs = config.callAnswerDelayMs;
    later.later = [this, gen]() -> Outputs {
      if (gen != callGeneration || call != CallState::kDialling) return {};
      switch (nextCallOutcome) {
        case CallOutcome::kAnswer:
          call = CallState::kActive;
          callStart = Clock::now();
          return Unsolicited("VOICE CALL: BEGIN");
        case CallOutcome::kBusy:
          call = CallState::kIdle;
          ++callGeneration;
          return Unsolicited("NO CARRIER");
        case CallOutcome::kNoAnswer:
          return {};
      }
      return {};
    };
    out.push_back(later);
    return out;
  }
  return Answer(port, kError);
}

Outputs Modem::CpsiTick(uint64_t generation) {
  if (generation != m_cpsiGeneration || cpsiInterval <= 0) return {};
  Outputs out = Unsolicited(CpsiLine());
  Output next;
  next.delayMs = cpsiInterval * 1000;
  next.later = [this, generation]() { return CpsiTick(generation); };
  out.push_back(next);
  return out;
}

Outputs Modem::PcmTick(uint64_t generation) {
  if (generation != m_pcmGeneration || !pcmRegistered) return {};
  Outputs out;
  if (call == CallState::kActive && config.pcmChunkBytes > 0) {
    std::string pcm;
    size_t samples = static_cast<size_t>(config.pcmChunkBytes) / 2;
    // 400 Hz square-ish tone: 20 samples per period at 8000 samples/s.
    for (size_t i = 0; i < samples; ++i, ++m_pcmPhase) {
      int16_t v = (m_pcmPhase % 20) < 10 ? 4000 : -4000;
      pcm += static_cast<char>(v & 0xFF);
      pcm += static_cast<char>((v >> 8) & 0xFF);
    }
    if (config.pcmFramed) {
      std::string header(16, '\0');
      header[0] = static_cast<char>(0xFF);
      uint32_t len = static_cast<uint32_t>(pcm.size());
      for (int k = 0; k < 4; ++k) header[4 + k] = static_cast<char>((len >> (8 * k)) & 0xFF);
      pcm = header + pcm;
    }
    audioBytesSent += pcm.size();
    Output o;
    o.port = PortKind::kAudio;
    o.bytes = pcm;
    out.push_back(o);
  }
  Output next;
  next.delayMs = 100;
  next.later = [this, generation]() { return PcmTick(generation); };
  out.push_back(next);
  return out;
}

std::string Modem::CpsiLine() const {
  std::string mode = tech == "GSM" || tech == "GPRS" || tech == "EDGE" ? "GSM"
                     : tech == "LTE"                                    ? "LTE"
                     : tech == "NONE"                                   ? "NO SERVICE"
                                                                        : "WCDMA";
  std::string plmn = currentOperator.size() >= 5
                         ? currentOperator.substr(0, 3) + "-" + currentOperator.substr(3)
                         : currentOperator;
  return "+CPSI: " + mode + "," + (IsRegistered(creg) ? "Online" : "Offline") + "," + plmn +
         ",0x" + lac + "," + std::to_string(std::stoul(cellId, nullptr, 16)) +
         ",WCDMA IMT 2000,10713," + std::to_string(-113 + 2 * (rssi == 99 ? 0 : rssi));
}

Outputs Modem::RegistrationReport(bool packet) const {
  int mode = packet ? cgregMode : cregMode;
  int stat = packet ? cgreg : creg;
  if (mode == 0) return {};
  std::string line = std::string(packet ? "+CGREG: " : "+CREG: ") + std::to_string(stat);
  if (mode == 2 && IsRegistered(stat)) line += ",\"" + lac + "\",\"" + cellId + "\"";
  return Unsolicited(line);
}

SmsStore& Modem::Store(const std::string& name) {
  SmsStore& s = sms[name];
  if (s.capacity <= 0) s.capacity = 20;
  return s;
}

PhonebookStore& Modem::Phonebook(const std::string& name) { return phonebooks[name]; }

std::string Modem::SmsLine(const char* prefix, int index, const SmsSlot& slot,
                           bool withIndex) const {
  std::string head = std::string(prefix) + " ";
  if (withIndex) head += std::to_string(index) + ",";
  head += std::to_string(slot.stat) + ",," + std::to_string(TpduLength(slot.pdu));
  return Line(head) + slot.pdu + kCrLf;
}

Outputs Modem::SendSms(PortKind port, const std::string& pduIn, int length,
                       const char* answerPrefix) {
  std::string pdu = Upper(Trim(pduIn));
  std::string error;
  auto decoded = DecodePdu(pdu, true, &error);
  if (!decoded || decoded->type != DecodedPdu::Type::kSubmit || TpduLength(pdu) != length)
    return Answer(port, CmsError(304));
  if (!IsRegistered(creg)) return Answer(port, CmsError(331));  // no network service
  smsReference = (smsReference + 1) & 0xFF;
  int mr = smsReference;
  sent.push_back(SentSms{mr, pdu, *decoded});
  std::string answer = Final(Line(std::string(answerPrefix) + " " + std::to_string(mr)));
  Outputs out;
  if (config.smsSendPrompt && std::string(answerPrefix) == "+CMGSO:") {
    out = Answer(port, "\r\n> ");
    Output rest;
    rest.delayMs = 100;
    rest.port = port;
    rest.bytes = answer;
    out.push_back(rest);
  } else {
    out = Answer(port, answer);
  }
  if (decoded->statusReportRequest) {
    Output report;
    report.delayMs = config.statusReportDelayMs;
    std::string recipient = decoded->address;
    report.later = [this, mr, recipient]() { return DeliverStatusReport(mr, recipient, 0); };
    out.push_back(report);
  }
  return out;
}

Outputs Modem::HandlePromptPdu(PortKind port, const std::string& pdu) {
  PortInput& in = inputs[static_cast<int>(port)];
  int length = in.promptLength;
  if (in.promptLength >= 0) return SendSms(port, pdu, length, "+CMGS:");
  // AT+CMGW: write to storage.
  std::string error;
  auto decoded = DecodePdu(Upper(pdu), true, &error);
  if (!decoded || TpduLength(Upper(pdu)) != -in.promptLength - 1) return Answer(port, CmsError(304));
  SmsStore& store = Store(mem2);
  int index = store.FreeIndex();
  if (index < 0) return Answer(port, CmsError(322));
  store.slots[index] = SmsSlot{2, Upper(pdu), false};
  return Answer(port, Final(Line("+CMGW: " + std::to_string(index))));
}

Outputs Modem::PinCommand(const std::vector<std::string>& args) {
  auto wrong = [&](int* left, SimState blockedTo, int blockedCode) -> std::string {
    if (*left > 0) --*left;
    if (*left == 0) {
      sim = blockedTo;
      return CmeError(blockedCode);
    }
    return CmeError(16);
  };
  if (sim == SimState::kAbsent) return Answer(PortKind::kAt, CmeError(10));
  if (Upper(args[0]) == "FD") {  // PIN2 entry: AT+CPIN="FD","<pin2>"
    if (args.size() < 2) return Answer(PortKind::kAt, CmeError(50));
    if (pin2Left == 0) return Answer(PortKind::kAt, CmeError(18));
    if (args[1] == pin2) {
      pin2Verified = true;
      pin2Left = 3;
      if (sim == SimState::kSimPin2) sim = SimState::kReady;
      return Answer(PortKind::kAt, kOk);
    }
    if (pin2Left > 0) --pin2Left;
    if (pin2Left == 0) {
      sim = SimState::kSimPuk2;
      return Answer(PortKind::kAt, CmeError(18));
    }
    return Answer(PortKind::kAt, CmeError(16));
  }
  switch (sim) {
    case SimState::kSimPin:
      if (args[0] == pin) {
        sim = SimState::kReady;
        pinLeft = 3;
        return Answer(PortKind::kAt, kOk);
      }
      return Answer(PortKind::kAt, wrong(&pinLeft, SimState::kSimPuk, 12));
    case SimState::kSimPuk:
      if (args.size() < 2 || args[1].size() < 4 || args[1].size() > 8 || !IsDigits(args[1]))
        return Answer(PortKind::kAt, CmeError(50));
      if (args[0] == puk) {
        pin = args[1];
        pinLeft = 3;
        pukLeft = 10;
        sim = SimState::kReady;
        return Answer(PortKind::kAt, kOk);
      }
      return Answer(PortKind::kAt, wrong(&pukLeft, SimState::kBlocked, 13));
    case SimState::kSimPin2:
      if (args[0] == pin2) {
        pin2Verified = true;
        pin2Left = 3;
        sim = SimState::kReady;
        return Answer(PortKind::kAt, kOk);
      }
      return Answer(PortKind::kAt, wrong(&pin2Left, SimState::kSimPuk2, 18));
    case SimState::kSimPuk2:
      if (args.size() < 2 || !IsDigits(args[1])) return Answer(PortKind::kAt, CmeError(50));
      if (args[0] == puk2) {
        pin2 = args[1];
        pin2Left = 3;
        puk2Left = 10;
        sim = SimState::kReady;
        return Answer(PortKind::kAt, kOk);
      }
      return Answer(PortKind::kAt, wrong(&puk2Left, SimState::kBlocked, 13));
    case SimState::kPhNetPin:
      if (args[0] == config.persoPassword) {
        sim = SimState::kReady;
        return Answer(PortKind::kAt, kOk);
      }
      return Answer(PortKind::kAt, CmeError(16));
    case SimState::kBlocked:
      return Answer(PortKind::kAt, CmeError(13));
    default:
      return Answer(PortKind::kAt, CmeError(3));
  }
}

Outputs Modem::Clck(const std::vector<std::string>& args, const std::vector<bool>& quoted) {
  (void)quoted;
  if (args.size() < 2) return Answer(PortKind::kAt, CmeError(50));
  std::string fac = Upper(args[0]);
  int mode;
  if (!ParseInt(args[1], &mode) || mode < 0 || mode > 2) return Answer(PortKind::kAt, CmeError(50));
  std::string gate = SimGateCme();
  if (!gate.empty()) return Answer(PortKind::kAt, gate);
  std::string password = args.size() > 2 ? args[2] : "";
  auto fail = [&](int code) { return Answer(PortKind::kAt, Line("+CLCK: FAIL") + CmeError(code)); };
  auto success = [&]() { return Answer(PortKind::kAt, Final(Line("+CLCK: SUCCESS"))); };
  if (fac == "SC") {
    if (mode == 2) return Answer(PortKind::kAt, Final(Line(std::string("+CLCK: ") + (pinEnabled ? "1" : "0"))));
    if (password != pin) {
      if (pinLeft > 0) --pinLeft;
      if (pinLeft == 0) {
        sim = SimState::kSimPuk;
        return fail(12);
      }
      return fail(16);
    }
    pinLeft = 3;
    pinEnabled = mode == 1;
    return success();
  }
  if (fac == "FD") {
    if (mode == 2) return Answer(PortKind::kAt, Final(Line(std::string("+CLCK: ") + (fdnEnabled ? "1" : "0"))));
    if (password != pin2) {
      if (pin2Left > 0) --pin2Left;
      if (pin2Left == 0) {
        sim = SimState::kSimPuk2;
        return fail(18);
      }
      return fail(16);
    }
    pin2Left = 3;
    pin2Verified = true;
    fdnEnabled = mode == 1;
    return success();
  }
  auto it = perso.find(fac);
  if (it == perso.end()) return Answer(PortKind::kAt, CmeError(4));
  if (mode == 2) return Answer(PortKind::kAt, Final(Line(std::string("+CLCK: ") + (it->second ? "1" : "0"))));
  if (password != config.persoPassword) return fail(16);
  it->second = mode == 1;
  return success();
}

Outputs Modem::Pbr(const std::vector<std::string>& args, bool extended) {
  const char* prefix = extended ? "+CPBRE: " : "+CPBR: ";
  std::string gate = SimGateCme();
  if (!gate.empty()) return Answer(PortKind::kAt, gate);
  PhonebookStore& pb = Phonebook(pbStorage);
  int first, last;
  if (!ParseInt(args[0], &first)) return Answer(PortKind::kAt, CmeError(50));
  last = first;
  if (args.size() > 1 && !ParseInt(args[1], &last)) return Answer(PortKind::kAt, CmeError(50));
  if (first < 1 || first > pb.capacity || last < first) return Answer(PortKind::kAt, CmeError(21));
  last = std::min(last, pb.capacity);
  std::string info;
  for (auto it = pb.entries.lower_bound(first); it != pb.entries.end() && it->first <= last; ++it) {
    const PhonebookEntry& e = it->second;
    std::string line = prefix + std::to_string(it->first) + ",\"" + e.number + "\"," +
                       std::to_string(e.type) + ",\"" + e.nameHex + "\"";
    if (extended) {
      for (size_t k = 0; k < e.extended.size(); ++k) {
        const std::string& f = e.extended[k];
        line += ",";
        if (!f.empty()) line += "\"" + f + "\"";
      }
    }
    info += Line(line);
  }
  return Answer(PortKind::kAt, Final(info));
}

Outputs Modem::Pbw(const std::vector<std::string>& args, bool extended) {
  std::string gate = SimGateCme();
  if (!gate.empty()) return Answer(PortKind::kAt, gate);
  if (pbStorage == "DC" || pbStorage == "MC" || pbStorage == "RC")
    return Answer(PortKind::kAt, CmeError(3));
  if (pbStorage == "FD" && !pin2Verified) return Answer(PortKind::kAt, CmeError(17));
  PhonebookStore& pb = Phonebook(pbStorage);
  int index = -1;
  if (!Trim(args[0]).empty() && (!ParseInt(args[0], &index) || index < 1 || index > pb.capacity))
    return Answer(PortKind::kAt, CmeError(21));
  if (args.size() == 1) {  // AT+CPBW=<index>: delete
    if (index < 0) return Answer(PortKind::kAt, CmeError(50));
    pb.entries.erase(index);
    return Answer(PortKind::kAt, kOk);
  }
  if (index < 0) {
    for (int i = 1; i <= pb.capacity; ++i)
      if (!pb.entries.count(i)) {
        index = i;
        break;
      }
    if (index < 0) return Answer(PortKind::kAt, CmeError(20));
  }
  PhonebookEntry e;
  e.number = args[1];
  if (e.number.size() > static_cast<size_t>(pb.maxNumber)) return Answer(PortKind::kAt, CmeError(26));
  if (!IsDialChars(e.number)) return Answer(PortKind::kAt, CmeError(27));
  if (args.size() > 2 && !Trim(args[2]).empty() && !ParseInt(args[2], &e.type))
    return Answer(PortKind::kAt, CmeError(50));
  std::string name = args.size() > 3 ? args[3] : "";
  // Names arrive in UCS-2 hex; a plain-text name typed by hand is converted.
  if (!Ucs2HexToUtf8(name)) {
    auto hex = Utf8ToUcs2Hex(name);
    if (!hex) return Answer(PortKind::kAt, CmeError(50));
    name = *hex;
  }
  e.nameHex = Upper(name);
  if (e.nameHex.size() / 4 > static_cast<size_t>(pb.maxName)) return Answer(PortKind::kAt, CmeError(24));
  if (extended) {
    e.extended.assign(args.begin() + std::min<std::ptrdiff_t>(4, static_cast<std::ptrdiff_t>(args.size())), args.end());
    if (e.extended.size() > 6 && e.extended[6].empty()) e.extended[6] = "0000/00/00";
  }
  pb.entries[index] = e;
  return Answer(PortKind::kAt, kOk);
}

Outputs Modem::HandleExtended(PortKind port, const std::string& cmd) {
  size_t p = cmd.find_first_of("=?");
  std::string name = Upper(cmd.substr(0, p));
  bool query = false, test = false, set = false;
  std::string argText;
  if (p != std::string::npos) {
    if (cmd[p] == '?') {
      query = true;
    } else if (cmd.compare(p, 2, "=?") == 0) {
      test = true;
    } else {
      set = true;
      argText = cmd.substr(p + 1);
    }
  }
  bool exec = !query && !test && !set;
  std::vector<bool> quoted;
  std::vector<std::string> args = SplitArgs(argText, &quoted);
  int n0 = -1;
  bool hasN0 = set && ParseInt(args[0], &n0);
  auto ok = [&]() { return Answer(port, kOk); };
  auto error = [&]() { return Answer(port, kError); };
  auto info = [&](const std::string& line) { return Answer(port, Final(Line(line))); };
  auto cme = [&](int code) { return Answer(port, CmeError(code)); };
  auto cms = [&](int code) { return Answer(port, CmsError(code)); };
  auto num = [](int v) { return std::to_string(v); };
  auto simpleInt = [&](int* field, const char* prefix, int lo, int hi) -> Outputs {
    if (query) return info(std::string(prefix) + " " + num(*field));
    if (test) return info(std::string(prefix) + " (" + num(lo) + "-" + num(hi) + ")");
    if (!hasN0 || n0 < lo || n0 > hi) return cme(50);
    *field = n0;
    return ok();
  };

  // --- General and identification ---
  if (name == "+CMEE") return simpleInt(&cmee, "+CMEE:", 0, 2);
  if (name == "+CSCS") {
    if (query) return info("+CSCS: \"" + charset + "\"");
    if (test) return info("+CSCS: (\"IRA\",\"GSM\",\"UCS2\")");
    std::string cs = Upper(args[0]);
    if (cs != "IRA" && cs != "GSM" && cs != "UCS2") return cme(50);
    charset = cs;
    return ok();
  }
  if (name == "+CGMI") return info(config.manufacturer);
  if (name == "+CGMM") return info(config.model);
  if (name == "+CGMR") return info(config.revision);
  if (name == "+CGSN") return test ? ok() : info("+CGSN: " + config.imei);
  if (name == "+CIMI") {
    std::string gate = SimGateCme();
    if (!gate.empty()) return Answer(port, gate);
    return test ? ok() : info("+CIMI: " + config.imsi);
  }
  if (name == "+CINQSWRV") return info("+CINQSWRV: " + config.firmware);
  if (name == "+CMODEMSTATE") return info(modemState);
  if (name == "+CCLK") {
    if (query || exec) return info("+CCLK: " + ClockText());
    if (test) return ok();
    int y, mo, d, h, mi, s;
    std::string v = Trim(argText);
    if (!v.empty() && v.front() == '"') v = v.substr(1, v.find('"', 1) - 1);
    char sep;
    std::tm tm{};
    if (std::sscanf(v.c_str(), "%d-%d-%d,%d:%d:%d", &y, &mo, &d, &h, &mi, &s) == 6) {
    } else if (std::sscanf(v.c_str(), "%d/%d/%d,%d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &sep) >= 6) {
      y += 2000;
    } else {
      return cme(50);
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || y < 1970 || h < 0 ||
        mi < 0 || s < 0)
      return cme(50);
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    m_clockBase = std::chrono::system_clock::from_time_t(timegm(&tm));
    m_clockSetAt = Clock::now();
    return ok();
  }

  // --- Network ---
  if (name == "+CREG" || name == "+CGREG") {
    bool packet = name == "+CGREG";
    int& mode = packet ? cgregMode : cregMode;
    int stat = packet ? cgreg : creg;
    std::string prefix = packet ? "+CGREG: " : "+CREG: ";
    if (query) {
      std::string line = prefix + num(mode) + "," + num(stat);
      if (mode == 2 && IsRegistered(stat)) line += ",\"" + lac + "\",\"" + cellId + "\"";
      return info(line);
    }
    if (test) return info(prefix + "(0-2)");
    if (!hasN0 || n0 < 0 || n0 > 2) return cme(50);
    mode = n0;
    return ok();
  }
  if (name == "*CNTI") {
    if (query || exec) return info("*CNTI: 0," + tech);
    if (test) return info("*CNTI: (0-2)");
    if (hasN0 && n0 == 2) return info("*CNTI: 2,GSM,GPRS,EDGE,UMTS,HSDPA,HSUPA");
    return hasN0 && n0 >= 0 && n0 <= 2 ? ok() : cme(50);
  }
  if (name == "+CNSMOD") {
    if (query) return info("+CNSMOD: " + std::string(techReports ? "1" : "0") + ",4");
    if (!hasN0 || n0 < 0 || n0 > 1) return cme(50);
    techReports = n0 == 1;
    return ok();
  }
  if (name == "+AUTOCSQ") {
    if (query) return info("+AUTOCSQ: " + std::string(autoCsq ? "1" : "0"));
    if (!hasN0 || n0 < 0 || n0 > 1) return cme(50);
    autoCsq = n0 == 1;
    return ok();
  }
  if (name == "+CSQ") {
    if (test) return info("+CSQ: (0-31,99),(0-7,99)");
    return info("+CSQ: " + num(rssi) + "," + num(ber));
  }
  if (name == "+COPS") {
    std::string gate = SimGateCme();
    if (!gate.empty()) return Answer(port, gate);
    if (test) {
      if (cfun != 1) return cme(30);
      searchPending = true;
      uint64_t gen = ++searchGeneration;
      if (config.operatorListDelayMs < 0) return {};  // the search never ends
      std::string list = "+COPS: ";
      for (const OperatorInfo& op : config.operators) {
        int status = op.numeric == currentOperator && IsRegistered(creg) ? 2 : op.status == 2 ? 1 : op.status;
        list += "(" + num(status) + ",\"" + op.longName + "\",\"" + op.shortName + "\",\"" +
                op.numeric + "\"," + num(op.act) + "),";
      }
      list += ",(0,1,2,3,4),(0,1,2)";
      Output later;
      later.delayMs = config.operatorListDelayMs;
      later.later = [this, gen, port, list]() -> Outputs {
        if (!searchPending || gen != searchGeneration) return {};
        searchPending = false;
        return Answer(port, Final(Line(list)));
      };
      return {later};
    }
    if (query) {
      if (!IsRegistered(creg)) return info("+COPS: " + num(copsMode));
      const OperatorInfo* cur = nullptr;
      for (const OperatorInfo& op : config.operators)
        if (op.numeric == currentOperator) cur = &op;
      std::string oper = !cur ? currentOperator
                         : copsFormat == 0 ? cur->longName
                         : copsFormat == 1 ? cur->shortName
                                           : cur->numeric;
      int act = cur ? cur->act : 2;
      return info("+COPS: " + num(copsMode) + "," + num(copsFormat) + ",\"" + oper + "\"," + num(act));
    }
    if (!hasN0) return cme(50);
    if (n0 == 3) {
      int f;
      if (args.size() < 2 || !ParseInt(args[1], &f) || f < 0 || f > 2) return cme(50);
      copsFormat = f;
      return ok();
    }
    if (n0 == 0) {
      copsMode = 0;
      for (const OperatorInfo& op : config.operators)
        if (op.status == 2) currentOperator = op.numeric;
      return ok();
    }
    if (n0 == 2) {
      copsMode = 2;
      creg = 0;
      Outputs out = ok();
      Outputs r = RegistrationReport(false);
      out.insert(out.end(), r.begin(), r.end());
      return out;
    }
    if (n0 == 1 || n0 == 4 || n0 == 5) {
      if (args.size() < 3) return cme(50);
      const std::string& wanted = args[2];
      for (const OperatorInfo& op : config.operators) {
        if (op.numeric == wanted || op.longName == wanted || op.shortName == wanted) {
          if (op.status == 3) return cme(3);
          currentOperator = op.numeric;
          copsMode = n0;
          return ok();
        }
      }
      return cme(30);
    }
    return cme(50);
  }
  if (name == "+CNMP") return simpleInt(&cnmp, "+CNMP:", 2, 71);
  if (name == "+CNAOP") return simpleInt(&cnaop, "+CNAOP:", 0, 4);
  if (name == "+CNSDP") return simpleInt(&cnsdp, "+CNSDP:", 0, 2);
  if (name == "+CNBP") {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%016llX", static_cast<unsigned long long>(cnbp));
    if (query) return info(std::string("+CNBP: ") + buf);
    std::string v = Trim(argText);
    if (v.size() < 3 || v.size() > 18 || Upper(v.substr(0, 2)) != "0X") return cme(50);
    uint64_t mask = 0;
    for (size_t i = 2; i < v.size(); ++i) {
      if (!std::isxdigit(static_cast<unsigned char>(v[i]))) return cme(50);
      mask = mask * 16 + static_cast<uint64_t>(std::stoi(v.substr(i, 1), nullptr, 16));
    }
    cnbp = mask;
    return ok();
  }
  if (name == "+CNRP") {
    if (query) return info(cnrp == 255 ? "+CNRP: FF" : "+CNRP: " + num(cnrp));
    if (Upper(Trim(argText)) == "FF") {
      cnrp = 255;
      return ok();
    }
    if (!hasN0 || n0 < 0 || n0 > 2) return cme(50);
    cnrp = n0;
    return ok();
  }
  if (name == "+CFUN") {
    if (query) return info("+CFUN: " + num(cfun));
    if (test) return info("+CFUN: (0,1,4),(0-1)");
    if (!hasN0 || (n0 != 0 && n0 != 1 && n0 != 4)) return cme(50);
    cfun = n0;
    int stat = cfun == 1 ? 1 : 0;
    Outputs out = ok();
    if (creg != stat) {
      creg = stat;
      Outputs r = RegistrationReport(false);
      out.insert(out.end(), r.begin(), r.end());
    }
    if (cgreg != stat) {
      cgreg = stat;
      Outputs r = RegistrationReport(true);
      out.insert(out.end(), r.begin(), r.end());
    }
    return out;
  }
  if (name == "+CPSI") {
    if (query) return info(CpsiLine());
    if (!hasN0 || n0 < 0 || n0 > 255) return cme(50);
    cpsiInterval = n0;
    ++m_cpsiGeneration;
    Outputs out = ok();
    if (n0 > 0) {
      Output first;
      first.delayMs = n0 * 1000;
      uint64_t gen = m_cpsiGeneration;
      first.later = [this, gen]() { return CpsiTick(gen); };
      out.push_back(first);
    }
    return out;
  }
  if (name == "+CHSDPACAT") {
    if (query) return info("+CHSDPACAT: " + num(hsdpaCat));
    if (!hasN0) return cme(50);
    if (n0 == 6 || n0 == 8 || n0 == 10 || n0 == 12) {
      hsdpaCat = n0;
      return info("+CHSDPACAT: SUCCESS");
    }
    return info("+CHSDPACAT: FAIL");
  }
  if (name == "+CSWITCHDM") {
    if (query) return info("+CSWITCHDM: " + num(diagMode));
    if (!hasN0 || args.size() < 2) return cme(50);
    if (args[1] != config.diagPassword) return info("+CSWITCHDM: INCORRECT PASSWORD");
    diagMode = n0;
    return info("+CSWITCHDM: SUCCEED");
  }
  if (name == "+AUTOANSWER") return simpleInt(&autoAnswer, "+AUTOANSWER:", 0, 1);
  if (name == "+CGATT") return query ? info("+CGATT: " + num(IsRegistered(cgreg) ? 1 : 0)) : ok();
  if (name == "+CGDCONT" || name == "+CGRMCONT" || name == "$QCPDPP" || name == "+CFTM" ||
      name == "+CLED" || name == "+DSWITCH" || name == "+SWITCHDC" || name == "+COMSWITCH" ||
      name == "+CLOOPBACK" || name == "+PCFULL" || name == "+CSMS") {
    if (query) return info(name + ": 0");
    return ok();
  }
  if (name == "+SWITCHMODEM") return query ? info("+SWITCHMODEM: 0") : ok();
  if (name == "+CPCMREG") {
    if (query) return info("+CPCMREG: " + num(pcmRegistered ? 1 : 0));
    if (!hasN0) return cme(50);
    bool wasOn = pcmRegistered;
    pcmRegistered = n0 != 0;
    Outputs out = ok();
    if (pcmRegistered && !wasOn) {
      uint64_t gen = ++m_pcmGeneration;
      Output tick;
      tick.delayMs = 100;
      tick.later = [this, gen]() { return PcmTick(gen); };
      out.push_back(tick);
    } else if (!pcmRegistered) {
      ++m_pcmGeneration;
    }
    return out;
  }

  // --- Calls ---
  if (name == "+CHUP") {
    if (call == CallState::kIdle) return ok();
    Outputs end = EndCall("chup");
    return Answer(port, end[0].bytes + kOk);
  }
  if (name == "+CLIP") {
    if (query) return info(std::string("+CLIP: ") + (clip ? "1" : "0") + ",1");
    if (!hasN0 || n0 < 0 || n0 > 1) return cme(50);
    clip = n0 == 1;
    return ok();
  }
  if (name == "+VTS") return call == CallState::kActive ? ok() : cme(3);
  if (name == "+CCWA") {
    if (test) return info("+CCWA: (0,1)");
    if (query) return info("+CCWA: 0");
    int mode = 0;
    if (args.size() < 2 || !ParseInt(args[1], &mode) || mode < 0 || mode > 2) return cme(50);
    if (mode == 2) return info(std::string("+CCWA: ") + (callWaiting ? "1" : "0") + ",1");
    callWaiting = mode == 1;
    return ok();
  }
  if (name == "+CCFC") {
    if (test) return info("+CCFC: (0-5)");
    int reason, mode;
    if (args.size() < 2 || !ParseInt(args[0], &reason) || !ParseInt(args[1], &mode) || reason < 0 ||
        reason > 5 || mode < 0 || mode > 4)
      return cme(50);
    Forward& f = forwards[reason];
    if (mode == 2) {
      if (!f.active) return info("+CCFC: 0,7");
      return info("+CCFC: 1,1,\"" + f.number + "\"," + num(f.type) + ",,," + num(f.time));
    }
    if (mode == 3 || mode == 1) {
      if (args.size() > 2 && !args[2].empty()) {
        if (!IsDialChars(args[2])) return cme(27);
        f.number = args[2];
        int type;
        f.type = (args.size() > 3 && ParseInt(args[3], &type)) ? type
                 : (f.number[0] == '+')                        ? 145
                                                               : 129;
        int time;
        if (args.size() > 7 && ParseInt(args[7], &time)) f.time = time;
      }
      if (f.number.empty()) return cme(50);
      f.active = true;
    } else {
      f.active = false;
      if (mode == 4) f.number.clear();
    }
    return ok();
  }
  if (name == "+VPINITIAL") return ok();
  if (name == "+VPMAKE") {
    if (videoCall != CallState::kIdle || call != CallState::kIdle) return cme(3);
    if (args.empty() || args[0].empty() || !IsDialChars(args[0])) return cme(27);
    videoCall = CallState::kDialling;
    videoNumber = args[0];
    uint64_t gen = ++callGeneration;
    Outputs out = ok();
    Outputs ringback = Unsolicited("VPRINGBACK", 100);
    out.insert(out.end(), ringback.begin(), ringback.end());
    Output connect;
    connect.delayMs = config.callAnswerDelayMs;
    connect.later = [this, gen]() -> Outputs {
      if (gen != callGeneration || videoCall != CallState::kDialling) return {};
      videoCall = CallState::kActive;
      return Unsolicited("VPCONNECTED");
    };
    out.push_back(connect);
    return out;
  }
  if (name == "+VPLOOPBACK") {
    if (videoCall != CallState::kIdle) return cme(3);
    videoCall = CallState::kActive;
    Outputs out = ok();
    Outputs c = Unsolicited("VPCONNECTED", 50);
    out.insert(out.end(), c.begin(), c.end());
    return out;
  }
  if (name == "+VPANSWER") {
    if (videoCall != CallState::kIncoming) return cme(3);
    videoCall = CallState::kActive;
    ++callGeneration;
    Outputs out = ok();
    Outputs c = Unsolicited("VPCONNECTED", 50);
    out.insert(out.end(), c.begin(), c.end());
    return out;
  }
  if (name == "+VPEND") {
    if (videoCall == CallState::kIdle) return ok();
    videoCall = CallState::kIdle;
    ++callGeneration;
    Outputs out = ok();
    Outputs c = Unsolicited("VPEND 16", 50);  // 16: normal call clearing (TS 24.008)
    out.insert(out.end(), c.begin(), c.end());
    return out;
  }

  // --- SMS ---
  bool smsCommand = name == "+CMGF" || name == "+CSCA" || name == "+CPMS" || name == "+CNMI" ||
                    name == "+CMGL" || name == "+CMGR" || name == "+CMGRO" || name == "+CMGRD" ||
                    name == "+CMGD" || name == "+CMGWO" || name == "+CMGWOD" || name == "+CMGW" ||
                    name == "+CMGS" || name == "+CMGSO" || name == "+CMSS" || name == "+CMGRF" ||
                    name == "+CMGWT" || name == "+CMGMT" || name == "+CGSMS" || name == "+CMVP";
  if (smsCommand) {
    if (sim == SimState::kAbsent) return cms(310);
    if (sim == SimState::kSimPin) return cms(311);
    if (sim == SimState::kSimPuk) return cms(316);
    if (sim == SimState::kBlocked) return cms(313);
  }
  if (name == "+CMGF") {
    if (query) return info("+CMGF: " + num(cmgf));
    if (test) return info("+CMGF: (0,1)");
    if (!hasN0 || n0 < 0 || n0 > 1) return cms(302);
    cmgf = n0;
    return ok();
  }
  if (smsCommand && cmgf != 0 && name != "+CSCA" && name != "+CPMS" && name != "+CNMI" &&
      name != "+CGSMS" && name != "+CMVP" && name != "+CMGRF")
    return cms(303);  // text mode is not offered
  if (name == "+CSCA") {
    if (query) {
      auto hex = Utf8ToUcs2Hex(smsCentre);
      int type = (!smsCentre.empty() && smsCentre[0] == '+') ? 145 : 129;
      return info("+CSCA: \"" + (hex ? *hex : "") + "\"," + num(type));
    }
    if (!set || args[0].empty()) return cms(302);
    auto plain = Ucs2HexToUtf8(args[0]);
    std::string number = plain ? *plain : args[0];
    if (!IsDialChars(number) || number.size() > 21) return cms(304);
    smsCentre = number;
    return ok();
  }
  if (name == "+CPMS") {
    auto used = [&](const std::string& m) { return num(static_cast<int>(Store(m).slots.size())); };
    auto total = [&](const std::string& m) { return num(Store(m).capacity); };
    if (query)
      return info("+CPMS: \"" + mem1 + "\"," + used(mem1) + "," + total(mem1) + ",\"" + mem2 +
                  "\"," + used(mem2) + "," + total(mem2) + ",\"" + mem3 + "\"," + used(mem3) + "," +
                  total(mem3));
    if (test) return info("+CPMS: (\"SM\",\"ME\"),(\"SM\",\"ME\"),(\"SM\",\"ME\")");
    std::string* mems[3] = {&mem1, &mem2, &mem3};
    std::string chosen[3] = {mem1, mem2, mem3};
    for (size_t i = 0; i < args.size() && i < 3; ++i) {
      std::string m = Upper(args[i]);
      if (m.empty()) continue;
      if (m == "MT") m = "ME";
      if (m != "SM" && m != "ME") return cms(302);
      chosen[i] = m;
    }
    for (int i = 0; i < 3; ++i) *mems[i] = chosen[i];
    return info("+CPMS: " + used(mem1) + "," + total(mem1) + "," + used(mem2) + "," + total(mem2) +
                "," + used(mem3) + "," + total(mem3));
  }
  if (name == "+CNMI") {
    if (query) return info("+CNMI: 1," + num(cnmiMt) + ",2," + num(cnmiDs) + ",0");
    if (test) return info("+CNMI: (0-2),(0-2),(0-3),(0,1),(0,1)");
    int mt = 0, ds = 0;
    if (!hasN0) return cms(302);
    if (args.size() > 1 && !args[1].empty() && !ParseInt(args[1], &mt)) return cms(302);
    if (args.size() > 3 && !args[3].empty() && !ParseInt(args[3], &ds)) return cms(302);
    if (mt < 0 || mt > 3 || ds < 0 || ds > 2) return cms(302);
    cnmiMt = n0 == 0 ? 0 : mt;
    cnmiDs = n0 == 0 ? 0 : ds;
    return ok();
  }
  if (name == "+CMGL") {
    if (test) return info("+CMGL: (0-4)");
    int stat = 0;
    if (set && (!hasN0 || n0 < 0 || n0 > 4)) return cms(302);
    if (set) stat = n0;
    SmsStore& store = Store(mem1);
    std::string out;
    for (auto& [idx, slot] : store.slots) {
      if (stat != 4 && slot.stat != stat) continue;
      out += SmsLine("+CMGL:", idx, slot, true);
      if (slot.stat == 0) slot.stat = 1;
    }
    return Answer(port, Final(out));
  }
  if (name == "+CMGR" || name == "+CMGRO" || name == "+CMGRD") {
    if (test) return ok();
    SmsStore& store = Store(mem1);
    auto it = hasN0 ? store.slots.find(n0) : store.slots.end();
    if (it == store.slots.end()) return cms(321);
    std::string out = SmsLine((name + ":").c_str(), it->first, it->second, false);
    if (name == "+CMGRD") {
      store.slots.erase(it);
    } else if (it->second.stat == 0) {
      it->second.stat = 1;
    }
    return Answer(port, Final(out));
  }
  if (name == "+CMGD") {
    SmsStore& store = Store(mem1);
    if (test) return info("+CMGD: (1-" + num(store.capacity) + "),(0-4)");
    int flag = 0;
    if (args.size() > 1 && !ParseInt(args[1], &flag)) return cms(302);
    if (flag < 0 || flag > 4) return cms(302);
    if (flag == 0) {
      if (!hasN0 || n0 < 1 || n0 > store.capacity) return cms(321);
      store.slots.erase(n0);
      return ok();
    }
    for (auto it = store.slots.begin(); it != store.slots.end();) {
      int s = it->second.stat;
      bool del = flag == 4 || (flag >= 1 && s == 1) || (flag >= 2 && s == 3) || (flag >= 3 && s == 2);
      it = del ? store.slots.erase(it) : std::next(it);
    }
    return ok();
  }
  if (name == "+CMGWO" || name == "+CMGWOD") {
    if (!hasN0 || args.size() < 2) return cms(302);
    std::string pdu = Upper(args[1]);
    std::string err;
    auto decoded = DecodePdu(pdu, true, &err);
    if (!decoded || TpduLength(pdu) != n0) return cms(304);
    SmsStore& store = Store(mem2);
    int index = store.FreeIndex();
    if (index < 0) return cms(322);
    int stat = decoded->type == DecodedPdu::Type::kDeliver ? 1 : 2;
    store.slots[index] = SmsSlot{stat, pdu, name == "+CMGWOD"};
    return info("+CMGWO: " + num(index));
  }
  if (name == "+CMGW" || name == "+CMGS") {
    if (!hasN0 || n0 < 7 || n0 > 176) return cms(302);
    PortInput& in = inputs[static_cast<int>(port)];
    in.promptPdu = true;
    // Sign of promptLength tells send (>= 0) from write (< 0).
    in.promptLength = name == "+CMGS" ? n0 : -n0 - 1;
    return Answer(port, "\r\n> ");
  }
  if (name == "+CMGSO") {
    if (!hasN0 || args.size() < 2) return cms(302);
    return SendSms(port, args[1], n0, "+CMGSO:");
  }
  if (name == "+CMSS") {
    SmsStore& store = Store(mem2);
    auto it = hasN0 ? store.slots.find(n0) : store.slots.end();
    if (it == store.slots.end()) return cms(321);
    std::string err;
    auto decoded = DecodePdu(it->second.pdu, true, &err);
    if (!decoded || decoded->type != DecodedPdu::Type::kSubmit) return cms(302);
    if (!IsRegistered(creg)) return cms(331);
    smsReference = (smsReference + 1) & 0xFF;
    sent.push_back(SentSms{smsReference, it->second.pdu, *decoded});
    it->second.stat = 3;
    return info("+CMSS: " + num(smsReference));
  }
  if (name == "+CMGRF") {
    if (query) return info("+CMGRF: " + num(smsReference));
    if (!hasN0 || n0 < 0 || n0 > 255) return cms(302);
    smsReference = n0;
    return ok();
  }
  if (name == "+CMGWT") {
    int tag;
    if (!hasN0 || args.size() < 2 || !ParseInt(args[1], &tag)) return cms(302);
    int stat = StatFromTagCode(tag);
    if (stat < 0) return cms(302);
    SmsStore& store = Store(mem1);
    auto it = store.slots.find(n0);
    if (it == store.slots.end()) return cms(321);
    it->second.stat = stat;
    it->second.draft = tag == 4;
    return info("+CMGWT: " + num(n0) + "," + num(tag));
  }
  if (name == "+CMGMT") {
    SmsStore& store = Store(mem1);
    auto it = hasN0 ? store.slots.find(n0) : store.slots.end();
    if (it == store.slots.end()) return cms(321);
    if (it->second.stat == 0) it->second.stat = 1;
    return ok();
  }
  if (name == "+CGSMS") return simpleInt(&cgsms, "+CGSMS:", 0, 3);
  if (name == "+CMVP") {
    if (query)
      return info("+CMVP: " + num(cmvp[0]) + "," + num(cmvp[1]) + "," + num(cmvp[2]) + "," + num(cmvp[3]));
    int v[4];
    if (args.size() != 4) return cms(302);
    for (int i = 0; i < 4; ++i)
      if (!ParseInt(args[static_cast<size_t>(i)], &v[i]) || v[i] < 0 || v[i] > (i == 0 ? 65535 : 255))
        return cms(302);
    std::copy(v, v + 4, cmvp);
    return ok();
  }

  // --- Phonebook ---
  if (name == "+CNUM") {
    int type = (!config.ownNumber.empty() && config.ownNumber[0] == '+') ? 145 : 129;
    return info("+CNUM: \"\",\"" + config.ownNumber + "\"," + num(type));
  }
  if (name == "+CPBS") {
    std::string gate = SimGateCme();
    if (!gate.empty()) return Answer(port, gate);
    if (query) {
      PhonebookStore& pb = Phonebook(pbStorage);
      return info("+CPBS: \"" + pbStorage + "\"," + num(static_cast<int>(pb.entries.size())) + "," +
                  num(pb.capacity));
    }
    if (test) return info("+CPBS: (\"DC\",\"MC\",\"RC\",\"SM\",\"ME\",\"FD\")");
    std::string st = Upper(args[0]);
    if (!phonebooks.count(st)) return cme(50);
    if (st == "FD" && args.size() > 1 && !args[1].empty()) {
      if (args[1] != pin2) return cme(16);
      pin2Verified = true;
    }
    pbStorage = st;
    return ok();
  }
  if (name == "+CPBR" || name == "+CPBRE") {
    bool ext = name == "+CPBRE";
    PhonebookStore& pb = Phonebook(pbStorage);
    if (test) {
      std::string line = (ext ? "+CPBRE: (1-" : "+CPBR: (1-") + num(pb.capacity) + ")," +
                         num(pb.maxNumber) + "," + num(pb.maxName);
      // Extended form: (support, length) of slots 2, 3, 4, 9, 8, 7, 5, 6.
      if (ext) line += pbStorage == "ME" ? ",1,20,1,60,3,21,0,0,0,0,1,30,1,20,1,40" : ",1,20,0,0,1,21";
      return info(line);
    }
    if (!set) return cme(50);
    return Pbr(args, ext);
  }
  if (name == "+CPBW" || name == "+CPBWE") {
    if (test) return info("+CPBW: (1-" + num(Phonebook(pbStorage).capacity) + "),40,(129,145),14");
    if (!set) return cme(50);
    return Pbw(args, name == "+CPBWE");
  }

  // --- SIM, PIN and locks ---
  if (name == "+CPIN") {
    if (query) {
      switch (sim) {
        case SimState::kReady: return info("+CPIN: READY");
        case SimState::kSimPin: return info("+CPIN: SIM PIN");
        case SimState::kSimPuk: return info("+CPIN: SIM PUK");
        case SimState::kSimPin2: return info("+CPIN: SIM PIN2");
        case SimState::kSimPuk2: return info("+CPIN: SIM PUK2");
        case SimState::kPhNetPin: return info("+CPIN: PH-NET PIN");
        case SimState::kBlocked: return cme(13);
        case SimState::kAbsent: return cme(10);
      }
    }
    if (!set || args[0].empty()) return cme(50);
    Outputs out = PinCommand(args);
    for (Output& o : out) o.port = port;
    if (config.simStateReports && !out.empty()) {
      bool pass = out[0].bytes == kOk;
      Outputs r = Unsolicited(std::string("+RLOCK: +CPIN: ") + (pass ? "PASS" : "FAIL"));
      out.insert(out.end(), r.begin(), r.end());
    }
    return out;
  }
  if (name == "+SPIC") {
    return info("+SPIC: " + num(pinLeft) + "," + num(pukLeft) + "," + num(pin2Left) + "," + num(puk2Left));
  }
  if (name == "+CLCK") {
    if (test) return info("+CLCK: (\"SC\",\"FD\",\"PN\",\"PU\",\"PP\",\"PC\",\"PF\")");
    if (!set) return cme(50);
    Outputs out = Clck(args, quoted);
    for (Output& o : out) o.port = port;
    return out;
  }
  if (name == "+CPWD") {
    if (!set || args.size() < 3) return cme(50);
    std::string gate = SimGateCme();
    if (!gate.empty()) return Answer(port, gate);
    std::string fac = Upper(args[0]);
    if (fac != "SC" && fac != "P2") return cme(4);
    std::string& code = fac == "SC" ? pin : pin2;
    int& left = fac == "SC" ? pinLeft : pin2Left;
    if (args[2].size() < 4 || args[2].size() > 8 || !IsDigits(args[2])) return cme(50);
    if (args[1] != code) {
      if (left > 0) --left;
      if (left == 0) {
        sim = fac == "SC" ? SimState::kSimPuk : SimState::kSimPuk2;
        return cme(fac == "SC" ? 12 : 18);
      }
      return cme(16);
    }
    left = 3;
    code = args[2];
    return ok();
  }
  if (name == "+CFDN") {
    if (query) return info("+CFDN: " + num(fdnEnabled ? 1 : 0));
    if (!hasN0 || n0 < 0 || n0 > 1) return cme(50);
    if (!pin2Verified) return Answer(port, Line("+CFDN: FAIL") + CmeError(17));
    fdnEnabled = n0 == 1;
    return info("+CFDN: SUCCESS");
  }
  if (name == "$QCPINSTAT") return info("$QCPINSTAT: " + num(pinEnabled ? 1 : 0) + "," + num(pinLeft));
  if (name == "+CSIMLOCK") {
    std::string statuses = num(simLock[0]);
    for (int i = 1; i < 5; ++i) statuses += "," + num(simLock[i]);
    if (query || exec) return info("+CSIMLOCK: " + statuses);
    if (args.size() < 2) return cme(50);
    std::string key = Upper(args[0]);
    int type = LockTypeIndex(args[1]);
    if ((key != "DCK" && key != "UCK") || type < 0) return cme(50);
    if (args.size() == 2) return info("+CSIMLOCK: " + config.simLockKey);
    if (args[2] != config.simLockKey) return Answer(port, Line("+CSIMLOCK: INCORRECT PASSWORD"));
    if (args.size() > 3 && !args[3].empty()) {
      if (!IsDigits(args[3]) || args[3].size() > 15) return cme(50);
      config.simLockKey = args[3];
    }
    if (key == "DCK") simLock[type] = 0;
    statuses = num(simLock[0]);
    for (int i = 1; i < 5; ++i) statuses += "," + num(simLock[i]);
    return info("+CSIMLOCK: " + statuses);
  }
  if (name == "+CSLWCODE" || name == "+CSLDCODE") {
    if (!set) return cme(50);
    int type = LockTypeIndex(args[0]);
    if (type < 0) return cme(50);
    std::string lockName = kLockTypes[type];
    auto it = simLockCodes.find(lockName);
    std::string prefix = name + ": ";
    if (name == "+CSLWCODE") {
      if (args.size() == 1) {
        if (it == simLockCodes.end()) return info(prefix + "IS EMPTY");
        return info(prefix + "1,\"" + it->second + "\"");
      }
      if (!IsDigits(args[1]) || args[1].size() > 15) return cme(50);
      if (it != simLockCodes.end()) return info(prefix + "IS EXIST");
      simLockCodes[lockName] = args[1];
      simLock[type] = 1;
      return info(prefix + "1,\"" + args[1] + "\"");
    }
    if (args.size() < 2) return cme(50);
    if (it == simLockCodes.end() || it->second != args[1]) return info(prefix + "IS NOT EXIST");
    simLockCodes.erase(it);
    simLock[type] = 0;
    return info(prefix + "IS EMPTY");
  }

  // --- Audio ---
  if (name == "+VGR") return simpleInt(&speaker, "+VGR:", 0, 4);
  if (name == "+MICG") {
    // The level is the fourth byte after the colon: a three-digit field.
    if (query) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "+MICG: %03d", mic);
      return info(buf);
    }
    return simpleInt(&mic, "+MICG:", 0, 4);
  }
  if (name == "+CMUT") return simpleInt(&mute, "+CMUT:", 0, 1);
  if (name == "+EARKEY") return info("+EARKEY: " + num(earKey));

  return error();
}

// ---------------------------------------------------------------------------
// Network-side events

Outputs Modem::SetSignal(int newRssi, int newBer) {
  rssi = newRssi;
  ber = newBer;
  if (!autoCsq) return {};
  return Unsolicited("+CSQ: " + std::to_string(rssi) + "," + std::to_string(ber));
}

Outputs Modem::SetRegistration(int stat) {
  if (creg == stat) return {};
  creg = stat;
  return RegistrationReport(false);
}

Outputs Modem::SetPacketRegistration(int stat) {
  if (cgreg == stat) return {};
  cgreg = stat;
  return RegistrationReport(true);
}

Outputs Modem::SetAccessTechnology(const std::string& name) {
  tech = name;
  if (!techReports) return {};
  return Unsolicited("*CNTI: 0," + tech);
}

Outputs Modem::SetModemState(const std::string& text) {
  modemState = text;
  return Unsolicited(text);
}

Outputs Modem::IncomingCall(const std::string& number) {
  if (call == CallState::kActive || call == CallState::kDialling) {
    if (!callWaiting) return {};
    int type = (!number.empty() && number[0] == '+') ? 145 : 129;
    return Unsolicited("+CCWA: \"" + number + "\"," + std::to_string(type) + ",1");
  }
  if (call != CallState::kIdle) return {};
  call = CallState::kIncoming;
  callNumber = number;
  uint64_t gen = ++callGeneration;
  return StartRinging(gen);
}

Outputs Modem::RemoteHangup() {
  if (call == CallState::kIncoming) {
    std::string number = callNumber;
    AddCallLog("MC", number);
    call = CallState::kIdle;
    callNumber.clear();
    ++callGeneration;
    std::string when = ClockText().substr(11, 5);
    return Unsolicited("MISSED_CALL: " + when + " " + number);
  }
  if (call != CallState::kIdle) return EndCall("remote");
  if (videoCall != CallState::kIdle) {
    videoCall = CallState::kIdle;
    ++callGeneration;
    return Unsolicited("VPEND 16");
  }
  return {};
}

Outputs Modem::IncomingVideoCall(const std::string& number) {
  if (videoCall != CallState::kIdle || call != CallState::kIdle) return {};
  videoCall = CallState::kIncoming;
  videoNumber = number;
  ++callGeneration;
  return Unsolicited("VPINCOM " + number);
}

Outputs Modem::DropCarrier() {
  Outputs out;
  if (dataConnected) {
    dataConnected = dataOnline = false;
    Output o;
    o.port = dualPort ? PortKind::kModem : PortKind::kAt;
    o.bytes = Line("NO CARRIER");
    out.push_back(o);
  }
  if (call != CallState::kIdle) {
    call = CallState::kIdle;
    callNumber.clear();
    ++callGeneration;
    Outputs u = Unsolicited("NO CARRIER");
    out.insert(out.end(), u.begin(), u.end());
  }
  return out;
}

Outputs Modem::ReportSimState() {
  const char* state = "+SIMREADY";
  switch (sim) {
    case SimState::kAbsent: state = "+NOSIM"; break;
    case SimState::kSimPin: state = "+SIMPIN"; break;
    case SimState::kSimPuk: state = "+SIMPUK"; break;
    case SimState::kPhNetPin: state = "+SIMLOCK"; break;
    case SimState::kBlocked: state = "+SIMBAD"; break;
    default: break;
  }
  return Unsolicited(std::string("+RLOCK: ") + state);
}

Outputs Modem::DeliverSms(const std::string& from, const std::string& text, SmsCoding coding,
                          int messageClass, std::vector<int>* indexes) {
  DeliverMessage m;
  m.serviceCentre = smsCentre;
  m.originator = from;
  m.coding = coding;
  m.messageClass = messageClass;
  m.text = text;
  std::string now = ClockText();  // yyyy-mm-dd,hh:mm:ss
  m.timestamp.year = std::stoi(now.substr(2, 2));
  m.timestamp.month = std::stoi(now.substr(5, 2));
  m.timestamp.day = std::stoi(now.substr(8, 2));
  m.timestamp.hour = std::stoi(now.substr(11, 2));
  m.timestamp.minute = std::stoi(now.substr(14, 2));
  m.timestamp.second = std::stoi(now.substr(17, 2));
  concatReference = (concatReference + 1) & 0xFF;
  std::vector<std::string> pdus = EncodeDeliverParts(m, concatReference);
  Outputs out;
  for (const std::string& pdu : pdus) {
    std::string len = std::to_string(TpduLength(pdu));
    if (messageClass == 0) {
      Outputs u = Unsolicited("+CLASS0: 0,," + len + kCrLf + pdu);
      out.insert(out.end(), u.begin(), u.end());
      continue;
    }
    if (cnmiMt == 2) {
      Outputs u = Unsolicited("+CMT: ," + len + kCrLf + pdu);
      out.insert(out.end(), u.begin(), u.end());
      continue;
    }
    SmsStore& store = Store(mem3);
    int index = store.FreeIndex();
    if (index < 0) {
      Outputs u = Unsolicited("+SMS_FULL");
      out.insert(out.end(), u.begin(), u.end());
      break;
    }
    store.slots[index] = SmsSlot{0, pdu, false};
    if (indexes) indexes->push_back(index);
    if (cnmiMt == 1) {
      Outputs u = Unsolicited("+CMTI: \"" + mem3 + "\"," + std::to_string(index));
      out.insert(out.end(), u.begin(), u.end());
    }
  }
  return out;
}

Outputs Modem::DeliverStatusReport(int reference, const std::string& recipient, int status) {
  if (cnmiDs != 1) return {};
  StatusReport r;
  r.serviceCentre = smsCentre;
  r.messageReference = reference;
  r.recipient = recipient.empty() ? "0" : recipient;
  std::string now = ClockText();
  SmsTimestamp t;
  t.year = std::stoi(now.substr(2, 2));
  t.month = std::stoi(now.substr(5, 2));
  t.day = std::stoi(now.substr(8, 2));
  t.hour = std::stoi(now.substr(11, 2));
  t.minute = std::stoi(now.substr(14, 2));
  t.second = std::stoi(now.substr(17, 2));
  r.serviceCentreTime = t;
  r.dischargeTime = t;
  r.status = status;
  auto pdu = EncodeStatusReport(r);
  if (!pdu) return {};
  return Unsolicited("+CDS: " + std::to_string(TpduLength(*pdu)) + kCrLf + *pdu);
}

}  // namespace cardsim
