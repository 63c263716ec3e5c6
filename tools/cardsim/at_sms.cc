// SMS commands of the simulated card; see at_engine.h. Service thread only.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "at_engine.h"
#include "at_util.h"

namespace cardsim {

using namespace at;

std::optional<Outputs> Modem::SmsCommand(const Cmd& c) {
  bool smsCommand =
      c.name == "+CMGF" || c.name == "+CSCA" || c.name == "+CPMS" || c.name == "+CNMI" ||
      c.name == "+CMGL" || c.name == "+CMGR" || c.name == "+CMGRO" || c.name == "+CMGRD" ||
      c.name == "+CMGD" || c.name == "+CMGWO" || c.name == "+CMGWOD" || c.name == "+CMGW" ||
      c.name == "+CMGS" || c.name == "+CMGSO" || c.name == "+CMSS" || c.name == "+CMGRF" ||
      c.name == "+CMGWT" || c.name == "+CMGMT" || c.name == "+CGSMS" || c.name == "+CMVP";
  if (smsCommand) {
    if (sim == SimState::kAbsent) return Cms(c, 310);
    if (sim == SimState::kSimPin) return Cms(c, 311);
    if (sim == SimState::kSimPuk) return Cms(c, 316);
    if (sim == SimState::kBlocked) return Cms(c, 313);
  }
  if (c.name == "+CMGF") {
    if (c.query) return Info(c, "+CMGF: " + Num(cmgf));
    if (c.test) return Info(c, "+CMGF: (0,1)");
    if (!c.hasN0 || c.n0 < 0 || c.n0 > 1) return Cms(c, 302);
    cmgf = c.n0;
    return Ok(c);
  }
  if (smsCommand && cmgf != 0 && c.name != "+CSCA" && c.name != "+CPMS" && c.name != "+CNMI" &&
      c.name != "+CGSMS" && c.name != "+CMVP" && c.name != "+CMGRF")
    return Cms(c, 303);  // text mode is not offered
  if (c.name == "+CSCA") {
    if (c.query) {
      auto hex = Utf8ToUcs2Hex(smsCentre);
      int type = (!smsCentre.empty() && smsCentre[0] == '+') ? 145 : 129;
      return Info(c, "+CSCA: \"" + (hex ? *hex : "") + "\"," + Num(type));
    }
    if (!c.set || c.args[0].empty()) return Cms(c, 302);
    auto plain = Ucs2HexToUtf8(c.args[0]);
    std::string number = plain ? *plain : c.args[0];
    if (!IsDialChars(number) || number.size() > 21) return Cms(c, 304);
    smsCentre = number;
    return Ok(c);
  }
  if (c.name == "+CPMS") {
    auto used = [&](const std::string& m) { return Num(static_cast<int>(Store(m).slots.size())); };
    auto total = [&](const std::string& m) { return Num(Store(m).capacity); };
    if (c.query)
      return Info(c, "+CPMS: \"" + mem1 + "\"," + used(mem1) + "," + total(mem1) + ",\"" + mem2 +
                         "\"," + used(mem2) + "," + total(mem2) + ",\"" + mem3 + "\"," +
                         used(mem3) + "," + total(mem3));
    if (c.test) return Info(c, "+CPMS: (\"SM\",\"ME\"),(\"SM\",\"ME\"),(\"SM\",\"ME\")");
    std::string* mems[3] = {&mem1, &mem2, &mem3};
    std::string chosen[3] = {mem1, mem2, mem3};
    for (size_t i = 0; i < c.args.size() && i < 3; ++i) {
      std::string m = Upper(c.args[i]);
      if (m.empty()) continue;
      if (m == "MT") m = "ME";
      if (m != "SM" && m != "ME") return Cms(c, 302);
      chosen[i] = m;
    }
    for (int i = 0; i < 3; ++i) *mems[i] = chosen[i];
    return Info(c, "+CPMS: " + used(mem1) + "," + total(mem1) + "," + used(mem2) + "," +
                       total(mem2) + "," + used(mem3) + "," + total(mem3));
  }
  if (c.name == "+CNMI") {
    if (c.query) return Info(c, "+CNMI: 1," + Num(cnmiMt) + ",2," + Num(cnmiDs) + ",0");
    if (c.test) return Info(c, "+CNMI: (0-2),(0-2),(0-3),(0,1),(0,1)");
    int mt = 0, ds = 0;
    if (!c.hasN0) return Cms(c, 302);
    if (c.args.size() > 1 && !c.args[1].empty() && !ParseInt(c.args[1], &mt)) return Cms(c, 302);
    if (c.args.size() > 3 && !c.args[3].empty() && !ParseInt(c.args[3], &ds)) return Cms(c, 302);
    if (mt < 0 || mt > 3 || ds < 0 || ds > 2) return Cms(c, 302);
    cnmiMt = c.n0 == 0 ? 0 : mt;
    cnmiDs = c.n0 == 0 ? 0 : ds;
    return Ok(c);
  }
  if (c.name == "+CMGL") {
    if (c.test) return Info(c, "+CMGL: (0-4)");
    int stat = 0;
    if (c.set && (!c.hasN0 || c.n0 < 0 || c.n0 > 4)) return Cms(c, 302);
    if (c.set) stat = c.n0;
    SmsStore& store = Store(mem1);
    std::string out;
    for (auto& [idx, slot] : store.slots) {
      if (stat != 4 && slot.stat != stat) continue;
      out += SmsLine("+CMGL:", idx, slot, true);
      if (slot.stat == 0) slot.stat = 1;
    }
    return Answer(c.port, Final(out));
  }
  if (c.name == "+CMGR" || c.name == "+CMGRO" || c.name == "+CMGRD") {
    if (c.test) return Ok(c);
    SmsStore& store = Store(mem1);
    auto it = c.hasN0 ? store.slots.find(c.n0) : store.slots.end();
    if (it == store.slots.end()) return Cms(c, 321);
    std::string out = SmsLine((c.name + ":").c_str(), it->first, it->second, false);
    if (c.name == "+CMGRD") {
      store.slots.erase(it);
    } else if (it->second.stat == 0) {
      it->second.stat = 1;
    }
    return Answer(c.port, Final(out));
  }
  if (c.name == "+CMGD") {
    SmsStore& store = Store(mem1);
    if (c.test) return Info(c, "+CMGD: (1-" + Num(store.capacity) + "),(0-4)");
    int flag = 0;
    if (c.args.size() > 1 && !ParseInt(c.args[1], &flag)) return Cms(c, 302);
    if (flag < 0 || flag > 4) return Cms(c, 302);
    if (flag == 0) {
      if (!c.hasN0 || c.n0 < 1 || c.n0 > store.capacity) return Cms(c, 321);
      store.slots.erase(c.n0);
      return Ok(c);
    }
    for (auto it = store.slots.begin(); it != store.slots.end();) {
      int s = it->second.stat;
      bool del =
          flag == 4 || (flag >= 1 && s == 1) || (flag >= 2 && s == 3) || (flag >= 3 && s == 2);
      it = del ? store.slots.erase(it) : std::next(it);
    }
    return Ok(c);
  }
  if (c.name == "+CMGWO" || c.name == "+CMGWOD") {
    if (!c.hasN0 || c.args.size() < 2) return Cms(c, 302);
    std::string pdu = Upper(c.args[1]);
    std::string err;
    auto decoded = DecodePdu(pdu, true, &err);
    if (!decoded || TpduLength(pdu) != c.n0) return Cms(c, 304);
    SmsStore& store = Store(mem2);
    int index = store.FreeIndex();
    if (index < 0) return Cms(c, 322);
    int stat = decoded->type == DecodedPdu::Type::kDeliver ? 1 : 2;
    store.slots[index] = SmsSlot{stat, pdu, c.name == "+CMGWOD"};
    return Info(c, "+CMGWO: " + Num(index));
  }
  if (c.name == "+CMGW" || c.name == "+CMGS") {
    if (!c.hasN0 || c.n0 < 7 || c.n0 > 176) return Cms(c, 302);
    PortInput& in = inputs[static_cast<int>(c.port)];
    in.promptPdu = true;
    // Sign of promptLength tells send (>= 0) from write (< 0).
    in.promptLength = c.name == "+CMGS" ? c.n0 : -c.n0 - 1;
    return Answer(c.port, "\r\n> ");
  }
  if (c.name == "+CMGSO") {
    if (!c.hasN0 || c.args.size() < 2) return Cms(c, 302);
    return SendSms(c.port, c.args[1], c.n0, "+CMGSO:");
  }
  if (c.name == "+CMSS") {
    SmsStore& store = Store(mem2);
    auto it = c.hasN0 ? store.slots.find(c.n0) : store.slots.end();
    if (it == store.slots.end()) return Cms(c, 321);
    std::string err;
    auto decoded = DecodePdu(it->second.pdu, true, &err);
    if (!decoded || decoded->type != DecodedPdu::Type::kSubmit) return Cms(c, 302);
    if (!IsRegistered(creg)) return Cms(c, 331);
    smsReference = (smsReference + 1) & 0xFF;
    sent.push_back(SentSms{smsReference, it->second.pdu, *decoded});
    it->second.stat = 3;
    return Info(c, "+CMSS: " + Num(smsReference));
  }
  if (c.name == "+CMGRF") {
    if (c.query) return Info(c, "+CMGRF: " + Num(smsReference));
    if (!c.hasN0 || c.n0 < 0 || c.n0 > 255) return Cms(c, 302);
    smsReference = c.n0;
    return Ok(c);
  }
  if (c.name == "+CMGWT") {
    int tag;
    if (!c.hasN0 || c.args.size() < 2 || !ParseInt(c.args[1], &tag)) return Cms(c, 302);
    int stat = StatFromTagCode(tag);
    if (stat < 0) return Cms(c, 302);
    SmsStore& store = Store(mem1);
    auto it = store.slots.find(c.n0);
    if (it == store.slots.end()) return Cms(c, 321);
    it->second.stat = stat;
    it->second.draft = tag == 4;
    return Info(c, "+CMGWT: " + Num(c.n0) + "," + Num(tag));
  }
  if (c.name == "+CMGMT") {
    SmsStore& store = Store(mem1);
    auto it = c.hasN0 ? store.slots.find(c.n0) : store.slots.end();
    if (it == store.slots.end()) return Cms(c, 321);
    if (it->second.stat == 0) it->second.stat = 1;
    return Ok(c);
  }
  if (c.name == "+CGSMS") return SimpleInt(c, &cgsms, "+CGSMS:", 0, 3);
  if (c.name == "+CMVP") {
    if (c.query)
      return Info(c, "+CMVP: " + Num(cmvp[0]) + "," + Num(cmvp[1]) + "," + Num(cmvp[2]) + "," +
                         Num(cmvp[3]));
    int v[4];
    if (c.args.size() != 4) return Cms(c, 302);
    for (int i = 0; i < 4; ++i)
      if (!ParseInt(c.args[static_cast<size_t>(i)], &v[i]) || v[i] < 0 ||
          v[i] > (i == 0 ? 65535 : 255))
        return Cms(c, 302);
    std::copy(v, v + 4, cmvp);
    return Ok(c);
  }
  return std::nullopt;
}

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
  if (!decoded || TpduLength(Upper(pdu)) != -in.promptLength - 1)
    return Answer(port, CmsError(304));
  SmsStore& store = Store(mem2);
  int index = store.FreeIndex();
  if (index < 0) return Answer(port, CmsError(322));
  store.slots[index] = SmsSlot{2, Upper(pdu), false};
  return Answer(port, Final(Line("+CMGW: " + std::to_string(index))));
}

SmsStore& Modem::Store(const std::string& name) {
  SmsStore& s = sms[name];
  if (s.capacity <= 0) s.capacity = 20;
  return s;
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

int SmsStore::FreeIndex() const {
  for (int i = 1; i <= capacity; ++i)
    if (!slots.count(i)) return i;
  return -1;
}

}  // namespace cardsim
