// Phonebook commands of the simulated card; see at_engine.h. Service thread only.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "at_engine.h"
#include "at_util.h"

namespace cardsim {

using namespace at;

std::optional<Outputs> Modem::PhonebookCommand(const Cmd& c) {
  if (c.name == "+CNUM") {
    int type = (!config.ownNumber.empty() && config.ownNumber[0] == '+') ? 145 : 129;
    return Info(c, "+CNUM: \"\",\"" + config.ownNumber + "\"," + Num(type));
  }
  if (c.name == "+CPBS") {
    std::string gate = SimGateCme();
    if (!gate.empty()) return Answer(c.port, gate);
    if (c.query) {
      PhonebookStore& pb = Phonebook(pbStorage);
      return Info(c, "+CPBS: \"" + pbStorage + "\"," + Num(static_cast<int>(pb.entries.size())) +
                         "," + Num(pb.capacity));
    }
    if (c.test) return Info(c, "+CPBS: (\"DC\",\"MC\",\"RC\",\"SM\",\"ME\",\"FD\")");
    std::string st = Upper(c.args[0]);
    if (!phonebooks.count(st)) return Cme(c, 50);
    if (st == "FD" && c.args.size() > 1 && !c.args[1].empty()) {
      if (c.args[1] != pin2) return Cme(c, 16);
      pin2Verified = true;
    }
    pbStorage = st;
    return Ok(c);
  }
  if (c.name == "+CPBR" || c.name == "+CPBRE") {
    bool ext = c.name == "+CPBRE";
    PhonebookStore& pb = Phonebook(pbStorage);
    if (c.test) {
      std::string line = (ext ? "+CPBRE: (1-" : "+CPBR: (1-") + Num(pb.capacity) + ")," +
                         Num(pb.maxNumber) + "," + Num(pb.maxName);
      // Extended form: (support, length) of slots 2, 3, 4, 9, 8, 7, 5, 6.
      if (ext)
        line += pbStorage == "ME" ? ",1,20,1,60,3,21,0,0,0,0,1,30,1,20,1,40" : ",1,20,0,0,1,21";
      return Info(c, line);
    }
    if (!c.set) return Cme(c, 50);
    return Pbr(c.args, ext);
  }
  if (c.name == "+CPBW" || c.name == "+CPBWE") {
    if (c.test)
      return Info(c, "+CPBW: (1-" + Num(Phonebook(pbStorage).capacity) + "),40,(129,145),14");
    if (!c.set) return Cme(c, 50);
    return Pbw(c.args, c.name == "+CPBWE");
  }
  return std::nullopt;
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
  if (e.number.size() > static_cast<size_t>(pb.maxNumber))
    return Answer(PortKind::kAt, CmeError(26));
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
  if (e.nameHex.size() / 4 > static_cast<size_t>(pb.maxName))
    return Answer(PortKind::kAt, CmeError(24));
  if (extended) {
    e.extended.assign(
        args.begin() + std::min<std::ptrdiff_t>(4, static_cast<std::ptrdiff_t>(args.size())),
        args.end());
    if (e.extended.size() > 6 && e.extended[6].empty()) e.extended[6] = "0000/00/00";
  }
  pb.entries[index] = e;
  return Answer(PortKind::kAt, kOk);
}

PhonebookStore& Modem::Phonebook(const std::string& name) { return phonebooks[name]; }

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

}  // namespace cardsim
