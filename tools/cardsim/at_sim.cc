// SIM, PIN and lock commands of the simulated card; see at_engine.h. Service thread only.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "at_engine.h"
#include "at_util.h"

namespace cardsim {

using namespace at;

std::optional<Outputs> Modem::SimCommand(const Cmd& c) {
  if (c.name == "+CPIN") {
    if (c.query) {
      switch (sim) {
        case SimState::kReady:
          return Info(c, "+CPIN: READY");
        case SimState::kSimPin:
          return Info(c, "+CPIN: SIM PIN");
        case SimState::kSimPuk:
          return Info(c, "+CPIN: SIM PUK");
        case SimState::kSimPin2:
          return Info(c, "+CPIN: SIM PIN2");
        case SimState::kSimPuk2:
          return Info(c, "+CPIN: SIM PUK2");
        case SimState::kPhNetPin:
          return Info(c, "+CPIN: PH-NET PIN");
        case SimState::kBlocked:
          return Cme(c, 13);
        case SimState::kAbsent:
          return Cme(c, 10);
      }
    }
    if (!c.set || c.args[0].empty()) return Cme(c, 50);
    Outputs out = PinCommand(c.args);
    for (Output& o : out) o.port = c.port;
    if (config.simStateReports && !out.empty()) {
      bool pass = out[0].bytes == kOk;
      Outputs r = Unsolicited(std::string("+RLOCK: +CPIN: ") + (pass ? "PASS" : "FAIL"));
      out.insert(out.end(), r.begin(), r.end());
    }
    return out;
  }
  if (c.name == "+SPIC") {
    return Info(c, "+SPIC: " + Num(pinLeft) + "," + Num(pukLeft) + "," + Num(pin2Left) + "," +
                       Num(puk2Left));
  }
  if (c.name == "+CLCK") {
    if (c.test) return Info(c, "+CLCK: (\"SC\",\"FD\",\"PN\",\"PU\",\"PP\",\"PC\",\"PF\")");
    if (!c.set) return Cme(c, 50);
    Outputs out = Clck(c.args, c.quoted);
    for (Output& o : out) o.port = c.port;
    return out;
  }
  if (c.name == "+CPWD") {
    if (!c.set || c.args.size() < 3) return Cme(c, 50);
    std::string gate = SimGateCme();
    if (!gate.empty()) return Answer(c.port, gate);
    std::string fac = Upper(c.args[0]);
    if (fac != "SC" && fac != "P2") return Cme(c, 4);
    std::string& code = fac == "SC" ? pin : pin2;
    int& left = fac == "SC" ? pinLeft : pin2Left;
    if (c.args[2].size() < 4 || c.args[2].size() > 8 || !IsDigits(c.args[2])) return Cme(c, 50);
    if (c.args[1] != code) {
      if (left > 0) --left;
      if (left == 0) {
        sim = fac == "SC" ? SimState::kSimPuk : SimState::kSimPuk2;
        return Cme(c, fac == "SC" ? 12 : 18);
      }
      return Cme(c, 16);
    }
    left = 3;
    code = c.args[2];
    return Ok(c);
  }
  if (c.name == "+CFDN") {
    if (c.query) return Info(c, "+CFDN: " + Num(fdnEnabled ? 1 : 0));
    if (!c.hasN0 || c.n0 < 0 || c.n0 > 1) return Cme(c, 50);
    if (!pin2Verified) return Answer(c.port, Line("+CFDN: FAIL") + CmeError(17));
    fdnEnabled = c.n0 == 1;
    return Info(c, "+CFDN: SUCCESS");
  }
  if (c.name == "$QCPINSTAT")
    return Info(c, "$QCPINSTAT: " + Num(pinEnabled ? 1 : 0) + "," + Num(pinLeft));
  if (c.name == "+CSIMLOCK") {
    std::string statuses = Num(simLock[0]);
    for (int i = 1; i < 5; ++i) statuses += "," + Num(simLock[i]);
    if (c.query || c.exec) return Info(c, "+CSIMLOCK: " + statuses);
    if (c.args.size() < 2) return Cme(c, 50);
    std::string key = Upper(c.args[0]);
    int type = LockTypeIndex(c.args[1]);
    if ((key != "DCK" && key != "UCK") || type < 0) return Cme(c, 50);
    if (c.args.size() == 2) return Info(c, "+CSIMLOCK: " + config.simLockKey);
    if (c.args[2] != config.simLockKey)
      return Answer(c.port, Line("+CSIMLOCK: INCORRECT PASSWORD"));
    if (c.args.size() > 3 && !c.args[3].empty()) {
      if (!IsDigits(c.args[3]) || c.args[3].size() > 15) return Cme(c, 50);
      config.simLockKey = c.args[3];
    }
    if (key == "DCK") simLock[type] = 0;
    statuses = Num(simLock[0]);
    for (int i = 1; i < 5; ++i) statuses += "," + Num(simLock[i]);
    return Info(c, "+CSIMLOCK: " + statuses);
  }
  if (c.name == "+CSLWCODE" || c.name == "+CSLDCODE") {
    if (!c.set) return Cme(c, 50);
    int type = LockTypeIndex(c.args[0]);
    if (type < 0) return Cme(c, 50);
    std::string lockName = kLockTypes[type];
    auto it = simLockCodes.find(lockName);
    std::string prefix = c.name + ": ";
    if (c.name == "+CSLWCODE") {
      if (c.args.size() == 1) {
        if (it == simLockCodes.end()) return Info(c, prefix + "IS EMPTY");
        return Info(c, prefix + "1,\"" + it->second + "\"");
      }
      if (!IsDigits(c.args[1]) || c.args[1].size() > 15) return Cme(c, 50);
      if (it != simLockCodes.end()) return Info(c, prefix + "IS EXIST");
      simLockCodes[lockName] = c.args[1];
      simLock[type] = 1;
      return Info(c, prefix + "1,\"" + c.args[1] + "\"");
    }
    if (c.args.size() < 2) return Cme(c, 50);
    if (it == simLockCodes.end() || it->second != c.args[1])
      return Info(c, prefix + "IS NOT EXIST");
    simLockCodes.erase(it);
    simLock[type] = 0;
    return Info(c, prefix + "IS EMPTY");
  }
  return std::nullopt;
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
    if (mode == 2)
      return Answer(PortKind::kAt, Final(Line(std::string("+CLCK: ") + (pinEnabled ? "1" : "0"))));
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
    if (mode == 2)
      return Answer(PortKind::kAt, Final(Line(std::string("+CLCK: ") + (fdnEnabled ? "1" : "0"))));
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
  if (mode == 2)
    return Answer(PortKind::kAt, Final(Line(std::string("+CLCK: ") + (it->second ? "1" : "0"))));
  if (password != config.persoPassword) return fail(16);
  it->second = mode == 1;
  return success();
}

Outputs Modem::ReportSimState() {
  const char* state = "+SIMREADY";
  switch (sim) {
    case SimState::kAbsent:
      state = "+NOSIM";
      break;
    case SimState::kSimPin:
      state = "+SIMPIN";
      break;
    case SimState::kSimPuk:
      state = "+SIMPUK";
      break;
    case SimState::kPhNetPin:
      state = "+SIMLOCK";
      break;
    case SimState::kBlocked:
      state = "+SIMBAD";
      break;
    default:
      break;
  }
  return Unsolicited(std::string("+RLOCK: ") + state);
}

}  // namespace cardsim
