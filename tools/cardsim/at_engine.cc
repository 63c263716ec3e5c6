// The simulated card's AT command engine; see at_engine.h.
// Runs on the card's service thread only.
#include "at_engine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "at_util.h"

namespace cardsim {
using namespace at;

const char* PortName(PortKind port) {
  switch (port) {
    case PortKind::kAt:
      return "at";
    case PortKind::kModem:
      return "modem";
    case PortKind::kVideo:
      return "video";
    case PortKind::kAudio:
      return "audio";
  }
  return "?";
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
    pb.capacity = std::string(name) == "SM"   ? config.pbSimCapacity
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
    case SimState::kReady:
      return "";
    case SimState::kAbsent:
      return CmeError(10);
    case SimState::kSimPin:
      return CmeError(11);
    case SimState::kSimPuk:
      return CmeError(12);
    case SimState::kBlocked:
      return CmeError(13);
    default:
      return "";  // PIN2 / network lock do not block ordinary commands
  }
}

std::string Modem::ClockText() const {
  auto now = m_clockBase + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                               Clock::now() - m_clockSetAt);
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d,%02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
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
      Outputs r =
          ruled ? (ruled->empty() ? Outputs{} : Answer(port, *ruled)) : HandleLine(port, line);
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
  if (first == '+' || first == '*' || first == '$' || first == '^')
    return HandleExtended(port, rest);
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
                     : tech == "LTE"                                   ? "LTE"
                     : tech == "NONE"                                  ? "NO SERVICE"
                                                                       : "WCDMA";
  std::string plmn = currentOperator.size() >= 5
                         ? currentOperator.substr(0, 3) + "-" + currentOperator.substr(3)
                         : currentOperator;
  return "+CPSI: " + mode + "," + (IsRegistered(creg) ? "Online" : "Offline") + "," + plmn + ",0x" +
         lac + "," + std::to_string(std::stoul(cellId, nullptr, 16)) + ",WCDMA IMT 2000,10713," +
         std::to_string(-113 + 2 * (rssi == 99 ? 0 : rssi));
}

Outputs Modem::RegistrationReport(bool packet) const {
  int mode = packet ? cgregMode : cregMode;
  int stat = packet ? cgreg : creg;
  if (mode == 0) return {};
  std::string line = std::string(packet ? "+CGREG: " : "+CREG: ") + std::to_string(stat);
  if (mode == 2 && IsRegistered(stat)) line += ",\"" + lac + "\",\"" + cellId + "\"";
  return Unsolicited(line);
}

Outputs Modem::HandleExtended(PortKind port, const std::string& cmd) {
  Cmd c;
  c.port = port;
  size_t p = cmd.find_first_of("=?");
  c.name = Upper(cmd.substr(0, p));
  if (p != std::string::npos) {
    if (cmd[p] == '?') {
      c.query = true;
    } else if (cmd.compare(p, 2, "=?") == 0) {
      c.test = true;
    } else {
      c.set = true;
      c.argText = cmd.substr(p + 1);
    }
  }
  c.exec = !c.query && !c.test && !c.set;
  c.args = SplitArgs(c.argText, &c.quoted);
  c.hasN0 = c.set && ParseInt(c.args[0], &c.n0);
  for (auto family :
       {&Modem::GeneralCommand, &Modem::NetworkCommand, &Modem::CallCommand, &Modem::SmsCommand,
        &Modem::PhonebookCommand, &Modem::SimCommand, &Modem::AudioCommand}) {
    if (std::optional<Outputs> out = (this->*family)(c)) return *out;
  }
  return Error(c);
}

// Answer helpers of the command families.
Outputs Modem::Ok(const Cmd& c) const { return Answer(c.port, kOk); }
Outputs Modem::Error(const Cmd& c) const { return Answer(c.port, kError); }
Outputs Modem::Info(const Cmd& c, const std::string& line) const {
  return Answer(c.port, Final(Line(line)));
}
Outputs Modem::Cme(const Cmd& c, int code) const { return Answer(c.port, CmeError(code)); }
Outputs Modem::Cms(const Cmd& c, int code) const { return Answer(c.port, CmsError(code)); }
Outputs Modem::SimpleInt(const Cmd& c, int* field, const char* prefix, int lo, int hi) {
  if (c.query) return Info(c, std::string(prefix) + " " + Num(*field));
  if (c.test) return Info(c, std::string(prefix) + " (" + Num(lo) + "-" + Num(hi) + ")");
  if (!c.hasN0 || c.n0 < lo || c.n0 > hi) return Cme(c, 50);
  *field = c.n0;
  return Ok(c);
}

std::optional<Outputs> Modem::GeneralCommand(const Cmd& c) {
  if (c.name == "+CMEE") return SimpleInt(c, &cmee, "+CMEE:", 0, 2);
  if (c.name == "+CSCS") {
    if (c.query) return Info(c, "+CSCS: \"" + charset + "\"");
    if (c.test) return Info(c, "+CSCS: (\"IRA\",\"GSM\",\"UCS2\")");
    std::string cs = Upper(c.args[0]);
    if (cs != "IRA" && cs != "GSM" && cs != "UCS2") return Cme(c, 50);
    charset = cs;
    return Ok(c);
  }
  if (c.name == "+CGMI") return Info(c, config.manufacturer);
  if (c.name == "+CGMM") return Info(c, config.model);
  if (c.name == "+CGMR") return Info(c, config.revision);
  if (c.name == "+CGSN") return c.test ? Ok(c) : Info(c, "+CGSN: " + config.imei);
  if (c.name == "+CIMI") {
    std::string gate = SimGateCme();
    if (!gate.empty()) return Answer(c.port, gate);
    return c.test ? Ok(c) : Info(c, "+CIMI: " + config.imsi);
  }
  if (c.name == "+CINQSWRV") return Info(c, "+CINQSWRV: " + config.firmware);
  if (c.name == "+CMODEMSTATE") return Info(c, modemState);
  if (c.name == "+CCLK") {
    if (c.query || c.exec) return Info(c, "+CCLK: " + ClockText());
    if (c.test) return Ok(c);
    int y, mo, d, h, mi, s;
    std::string v = Trim(c.argText);
    if (!v.empty() && v.front() == '"') v = v.substr(1, v.find('"', 1) - 1);
    char sep;
    std::tm tm{};
    if (std::sscanf(v.c_str(), "%d-%d-%d,%d:%d:%d", &y, &mo, &d, &h, &mi, &s) == 6) {
    } else if (std::sscanf(v.c_str(), "%d/%d/%d,%d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &sep) >= 6) {
      y += 2000;
    } else {
      return Cme(c, 50);
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || y < 1970 || h < 0 ||
        mi < 0 || s < 0)
      return Cme(c, 50);
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    m_clockBase = std::chrono::system_clock::from_time_t(timegm(&tm));
    m_clockSetAt = Clock::now();
    return Ok(c);
  }
  return std::nullopt;
}

std::optional<Outputs> Modem::AudioCommand(const Cmd& c) {
  if (c.name == "+VGR") return SimpleInt(c, &speaker, "+VGR:", 0, 4);
  if (c.name == "+MICG") {
    // The level is the fourth byte after the colon: a three-digit field.
    if (c.query) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "+MICG: %03d", mic);
      return Info(c, buf);
    }
    return SimpleInt(c, &mic, "+MICG:", 0, 4);
  }
  if (c.name == "+CMUT") return SimpleInt(c, &mute, "+CMUT:", 0, 1);
  if (c.name == "+EARKEY") return Info(c, "+EARKEY: " + Num(earKey));
  return std::nullopt;
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

}  // namespace cardsim
