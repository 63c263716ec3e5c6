// Network, call and video-call commands of the simulated card; see at_engine.h. Service thread
// only.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "at_engine.h"
#include "at_util.h"

namespace cardsim {

using namespace at;

std::optional<Outputs> Modem::NetworkCommand(const Cmd& c) {
  if (c.name == "+CREG" || c.name == "+CGREG") {
    bool packet = c.name == "+CGREG";
    int& mode = packet ? cgregMode : cregMode;
    int stat = packet ? cgreg : creg;
    std::string prefix = packet ? "+CGREG: " : "+CREG: ";
    if (c.query) {
      std::string line = prefix + Num(mode) + "," + Num(stat);
      if (mode == 2 && IsRegistered(stat)) line += ",\"" + lac + "\",\"" + cellId + "\"";
      return Info(c, line);
    }
    if (c.test) return Info(c, prefix + "(0-2)");
    if (!c.hasN0 || c.n0 < 0 || c.n0 > 2) return Cme(c, 50);
    mode = c.n0;
    return Ok(c);
  }
  if (c.name == "*CNTI") {
    if (c.query || c.exec) return Info(c, "*CNTI: 0," + tech);
    if (c.test) return Info(c, "*CNTI: (0-2)");
    if (c.hasN0 && c.n0 == 2) return Info(c, "*CNTI: 2,GSM,GPRS,EDGE,UMTS,HSDPA,HSUPA");
    return c.hasN0 && c.n0 >= 0 && c.n0 <= 2 ? Ok(c) : Cme(c, 50);
  }
  if (c.name == "+CNSMOD") {
    if (c.query) return Info(c, "+CNSMOD: " + std::string(techReports ? "1" : "0") + ",4");
    if (!c.hasN0 || c.n0 < 0 || c.n0 > 1) return Cme(c, 50);
    techReports = c.n0 == 1;
    return Ok(c);
  }
  if (c.name == "+AUTOCSQ") {
    if (c.query) return Info(c, "+AUTOCSQ: " + std::string(autoCsq ? "1" : "0"));
    if (!c.hasN0 || c.n0 < 0 || c.n0 > 1) return Cme(c, 50);
    autoCsq = c.n0 == 1;
    return Ok(c);
  }
  if (c.name == "+CSQ") {
    if (c.test) return Info(c, "+CSQ: (0-31,99),(0-7,99)");
    return Info(c, "+CSQ: " + Num(rssi) + "," + Num(ber));
  }
  if (c.name == "+COPS") {
    std::string gate = SimGateCme();
    if (!gate.empty()) return Answer(c.port, gate);
    if (c.test) {
      if (cfun != 1) return Cme(c, 30);
      searchPending = true;
      uint64_t gen = ++searchGeneration;
      if (config.operatorListDelayMs < 0) return Outputs{};  // the search never ends
      std::string list = "+COPS: ";
      for (const OperatorInfo& op : config.operators) {
        int status = op.numeric == currentOperator && IsRegistered(creg) ? 2
                     : op.status == 2                                    ? 1
                                                                         : op.status;
        list += "(" + Num(status) + ",\"" + op.longName + "\",\"" + op.shortName + "\",\"" +
                op.numeric + "\"," + Num(op.act) + "),";
      }
      list += ",(0,1,2,3,4),(0,1,2)";
      Output later;
      later.delayMs = config.operatorListDelayMs;
      PortKind port = c.port;
      later.later = [this, gen, port, list]() -> Outputs {
        if (!searchPending || gen != searchGeneration) return Outputs{};
        searchPending = false;
        return Answer(port, Final(Line(list)));
      };
      return Outputs{later};
    }
    if (c.query) {
      if (!IsRegistered(creg)) return Info(c, "+COPS: " + Num(copsMode));
      const OperatorInfo* cur = nullptr;
      for (const OperatorInfo& op : config.operators)
        if (op.numeric == currentOperator) cur = &op;
      std::string oper = !cur              ? currentOperator
                         : copsFormat == 0 ? cur->longName
                         : copsFormat == 1 ? cur->shortName
                                           : cur->numeric;
      int act = cur ? cur->act : 2;
      return Info(
          c, "+COPS: " + Num(copsMode) + "," + Num(copsFormat) + ",\"" + oper + "\"," + Num(act));
    }
    if (!c.hasN0) return Cme(c, 50);
    if (c.n0 == 3) {
      int f;
      if (c.args.size() < 2 || !ParseInt(c.args[1], &f) || f < 0 || f > 2) return Cme(c, 50);
      copsFormat = f;
      return Ok(c);
    }
    if (c.n0 == 0) {
      copsMode = 0;
      for (const OperatorInfo& op : config.operators)
        if (op.status == 2) currentOperator = op.numeric;
      return Ok(c);
    }
    if (c.n0 == 2) {
      copsMode = 2;
      creg = 0;
      Outputs out = Ok(c);
      Outputs r = RegistrationReport(false);
      out.insert(out.end(), r.begin(), r.end());
      return out;
    }
    if (c.n0 == 1 || c.n0 == 4 || c.n0 == 5) {
      if (c.args.size() < 3) return Cme(c, 50);
      const std::string& wanted = c.args[2];
      for (const OperatorInfo& op : config.operators) {
        if (op.numeric == wanted || op.longName == wanted || op.shortName == wanted) {
          if (op.status == 3) return Cme(c, 3);
          currentOperator = op.numeric;
          copsMode = c.n0;
          return Ok(c);
        }
      }
      return Cme(c, 30);
    }
    return Cme(c, 50);
  }
  if (c.name == "+CNMP") return SimpleInt(c, &cnmp, "+CNMP:", 2, 71);
  if (c.name == "+CNAOP") return SimpleInt(c, &cnaop, "+CNAOP:", 0, 4);
  if (c.name == "+CNSDP") return SimpleInt(c, &cnsdp, "+CNSDP:", 0, 2);
  if (c.name == "+CNBP") {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%016llX", static_cast<unsigned long long>(cnbp));
    if (c.query) return Info(c, std::string("+CNBP: ") + buf);
    std::string v = Trim(c.argText);
    if (v.size() < 3 || v.size() > 18 || Upper(v.substr(0, 2)) != "0X") return Cme(c, 50);
    uint64_t mask = 0;
    for (size_t i = 2; i < v.size(); ++i) {
      if (!std::isxdigit(static_cast<unsigned char>(v[i]))) return Cme(c, 50);
      mask = mask * 16 + static_cast<uint64_t>(std::stoi(v.substr(i, 1), nullptr, 16));
    }
    cnbp = mask;
    return Ok(c);
  }
  if (c.name == "+CNRP") {
    if (c.query) return Info(c, cnrp == 255 ? "+CNRP: FF" : "+CNRP: " + Num(cnrp));
    if (Upper(Trim(c.argText)) == "FF") {
      cnrp = 255;
      return Ok(c);
    }
    if (!c.hasN0 || c.n0 < 0 || c.n0 > 2) return Cme(c, 50);
    cnrp = c.n0;
    return Ok(c);
  }
  if (c.name == "+CFUN") {
    if (c.query) return Info(c, "+CFUN: " + Num(cfun));
    if (c.test) return Info(c, "+CFUN: (0,1,4),(0-1)");
    if (!c.hasN0 || (c.n0 != 0 && c.n0 != 1 && c.n0 != 4)) return Cme(c, 50);
    cfun = c.n0;
    int stat = cfun == 1 ? 1 : 0;
    Outputs out = Ok(c);
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
  if (c.name == "+CPSI") {
    if (c.query) return Info(c, CpsiLine());
    if (!c.hasN0 || c.n0 < 0 || c.n0 > 255) return Cme(c, 50);
    cpsiInterval = c.n0;
    ++m_cpsiGeneration;
    Outputs out = Ok(c);
    if (c.n0 > 0) {
      Output first;
      first.delayMs = c.n0 * 1000;
      uint64_t gen = m_cpsiGeneration;
      first.later = [this, gen]() { return CpsiTick(gen); };
      out.push_back(first);
    }
    return out;
  }
  if (c.name == "+CHSDPACAT") {
    if (c.query) return Info(c, "+CHSDPACAT: " + Num(hsdpaCat));
    if (!c.hasN0) return Cme(c, 50);
    if (c.n0 == 6 || c.n0 == 8 || c.n0 == 10 || c.n0 == 12) {
      hsdpaCat = c.n0;
      return Info(c, "+CHSDPACAT: SUCCESS");
    }
    return Info(c, "+CHSDPACAT: FAIL");
  }
  if (c.name == "+CSWITCHDM") {
    if (c.query) return Info(c, "+CSWITCHDM: " + Num(diagMode));
    if (!c.hasN0 || c.args.size() < 2) return Cme(c, 50);
    if (c.args[1] != config.diagPassword) return Info(c, "+CSWITCHDM: INCORRECT PASSWORD");
    diagMode = c.n0;
    return Info(c, "+CSWITCHDM: SUCCEED");
  }
  if (c.name == "+AUTOANSWER") return SimpleInt(c, &autoAnswer, "+AUTOANSWER:", 0, 1);
  if (c.name == "+CGATT")
    return c.query ? Info(c, "+CGATT: " + Num(IsRegistered(cgreg) ? 1 : 0)) : Ok(c);
  if (c.name == "+CGDCONT" || c.name == "+CGRMCONT" || c.name == "$QCPDPP" || c.name == "+CFTM" ||
      c.name == "+CLED" || c.name == "+DSWITCH" || c.name == "+SWITCHDC" ||
      c.name == "+COMSWITCH" || c.name == "+CLOOPBACK" || c.name == "+PCFULL" ||
      c.name == "+CSMS") {
    if (c.query) return Info(c, c.name + ": 0");
    return Ok(c);
  }
  if (c.name == "+SWITCHMODEM") return c.query ? Info(c, "+SWITCHMODEM: 0") : Ok(c);
  if (c.name == "+CPCMREG") {
    if (c.query) return Info(c, "+CPCMREG: " + Num(pcmRegistered ? 1 : 0));
    if (!c.hasN0) return Cme(c, 50);
    bool wasOn = pcmRegistered;
    pcmRegistered = c.n0 != 0;
    Outputs out = Ok(c);
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
  return std::nullopt;
}

std::optional<Outputs> Modem::CallCommand(const Cmd& c) {
  if (c.name == "+CHUP") {
    if (call == CallState::kIdle) return Ok(c);
    Outputs end = EndCall("chup");
    return Answer(c.port, end[0].bytes + kOk);
  }
  if (c.name == "+CLIP") {
    if (c.query) return Info(c, std::string("+CLIP: ") + (clip ? "1" : "0") + ",1");
    if (!c.hasN0 || c.n0 < 0 || c.n0 > 1) return Cme(c, 50);
    clip = c.n0 == 1;
    return Ok(c);
  }
  if (c.name == "+VTS") return call == CallState::kActive ? Ok(c) : Cme(c, 3);
  if (c.name == "+CCWA") {
    if (c.test) return Info(c, "+CCWA: (0,1)");
    if (c.query) return Info(c, "+CCWA: 0");
    int mode = 0;
    if (c.args.size() < 2 || !ParseInt(c.args[1], &mode) || mode < 0 || mode > 2) return Cme(c, 50);
    if (mode == 2) return Info(c, std::string("+CCWA: ") + (callWaiting ? "1" : "0") + ",1");
    callWaiting = mode == 1;
    return Ok(c);
  }
  if (c.name == "+CCFC") {
    if (c.test) return Info(c, "+CCFC: (0-5)");
    int reason, mode;
    if (c.args.size() < 2 || !ParseInt(c.args[0], &reason) || !ParseInt(c.args[1], &mode) ||
        reason < 0 || reason > 5 || mode < 0 || mode > 4)
      return Cme(c, 50);
    Forward& f = forwards[reason];
    if (mode == 2) {
      if (!f.active) return Info(c, "+CCFC: 0,7");
      return Info(c, "+CCFC: 1,1,\"" + f.number + "\"," + Num(f.type) + ",,," + Num(f.time));
    }
    if (mode == 3 || mode == 1) {
      if (c.args.size() > 2 && !c.args[2].empty()) {
        if (!IsDialChars(c.args[2])) return Cme(c, 27);
        f.number = c.args[2];
        int type;
        f.type = (c.args.size() > 3 && ParseInt(c.args[3], &type)) ? type
                 : (f.number[0] == '+')                            ? 145
                                                                   : 129;
        int time;
        if (c.args.size() > 7 && ParseInt(c.args[7], &time)) f.time = time;
      }
      if (f.number.empty()) return Cme(c, 50);
      f.active = true;
    } else {
      f.active = false;
      if (mode == 4) f.number.clear();
    }
    return Ok(c);
  }
  if (c.name == "+VPINITIAL") return Ok(c);
  if (c.name == "+VPMAKE") {
    if (videoCall != CallState::kIdle || call != CallState::kIdle) return Cme(c, 3);
    if (c.args.empty() || c.args[0].empty() || !IsDialChars(c.args[0])) return Cme(c, 27);
    videoCall = CallState::kDialling;
    videoNumber = c.args[0];
    uint64_t gen = ++callGeneration;
    Outputs out = Ok(c);
    Outputs ringback = Unsolicited("VPRINGBACK", 100);
    out.insert(out.end(), ringback.begin(), ringback.end());
    Output connect;
    connect.delayMs = config.callAnswerDelayMs;
    connect.later = [this, gen]() -> Outputs {
      if (gen != callGeneration || videoCall != CallState::kDialling) return Outputs{};
      videoCall = CallState::kActive;
      return Unsolicited("VPCONNECTED");
    };
    out.push_back(connect);
    return out;
  }
  if (c.name == "+VPLOOPBACK") {
    if (videoCall != CallState::kIdle) return Cme(c, 3);
    videoCall = CallState::kActive;
    Outputs out = Ok(c);
    Outputs event = Unsolicited("VPCONNECTED", 50);
    out.insert(out.end(), event.begin(), event.end());
    return out;
  }
  if (c.name == "+VPANSWER") {
    if (videoCall != CallState::kIncoming) return Cme(c, 3);
    videoCall = CallState::kActive;
    ++callGeneration;
    Outputs out = Ok(c);
    Outputs event = Unsolicited("VPCONNECTED", 50);
    out.insert(out.end(), event.begin(), event.end());
    return out;
  }
  if (c.name == "+VPEND") {
    if (videoCall == CallState::kIdle) return Ok(c);
    videoCall = CallState::kIdle;
    ++callGeneration;
    Outputs out = Ok(c);
    Outputs event = Unsolicited("VPEND 16", 50);  // 16: normal call clearing (TS 24.008)
    out.insert(out.end(), event.begin(), event.end());
    return out;
  }
  return std::nullopt;
}

}  // namespace cardsim
