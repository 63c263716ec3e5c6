#include "commands.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "sms_text.h"

namespace modlink_cli {
namespace {

// Export signatures of the request functions (all arguments 32 bits wide).
using ReqVoid = MODLINK_BOOL MODLINK_CALL();
using ReqInt = MODLINK_BOOL MODLINK_CALL(int32_t);
using ReqIntInt = MODLINK_BOOL MODLINK_CALL(int32_t, int32_t);
using ReqText = MODLINK_BOOL MODLINK_CALL(const char*);
using ReqTextText = MODLINK_BOOL MODLINK_CALL(const char*, const char*);

bool Accepted(MODLINK_BOOL result) { return (result & 0xFF) != 0; }

bool ParseInt(const std::string& text, int32_t* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

int UsageError(CommandContext& c, const std::string& message) {
  Failure f;
  f.exit = kExitUsage;
  f.reason = "usage";
  f.message = message;
  return Report(c.out, f);
}

// The result of a request: ok, plus the decoded fields of the indications the
// command is about (one: an object; several: a list).
Value Collect(const std::vector<Indication>& answer, const std::vector<int32_t>& wanted) {
  Value result = Value::Object();
  result.Set("ok", Value::Bool(true));
  for (int32_t id : wanted) {
    std::vector<Value> found;
    for (const auto& ind : answer) {
      if (ind.id == id) found.push_back(DecodeIndication(ind));
    }
    const std::string key = IndicationName(id);
    if (found.size() == 1) {
      result.Set(key, found[0]);
    } else if (!found.empty()) {
      Value list = Value::Array();
      for (auto& v : found) list.Push(std::move(v));
      result.Set(key, std::move(list));
    }
  }
  return result;
}

// One request through an export, its answer printed, its result reported.
int Simple(CommandContext& c, const char* command, const std::string& what,
           const std::function<bool(ModlinkLibrary&)>& send, int finals,
           const std::vector<int32_t>& wanted, int timeoutMs = -1) {
  std::vector<Indication> answer;
  Failure failure;
  ModlinkLibrary& lib = c.session.Library();
  if (!c.session.Request(what, [&] { return send(lib); }, finals,
                         timeoutMs < 0 ? c.session.Limits().requestMs : timeoutMs, &answer,
                         &failure)) {
    return Report(c.out, failure);
  }
  c.out.Result(command, Collect(answer, wanted));
  return kExitOk;
}

template <class Fn, class... A>
std::function<bool(ModlinkLibrary&)> Call(const char* name, A... args) {
  return [=](ModlinkLibrary& lib) { return Accepted(lib.Find<Fn>(name)(args...)); };
}

// --- Ports.

int RunSearch(CommandContext& c) {
  Failure failure;
  bool dual = false;
  if (!c.session.CheckDevice(&failure) || !c.session.SearchPorts(&failure, &dual)) {
    return Report(c.out, failure);
  }
  Value result = Value::Object();
  result.Set("found", Value::Bool(true));
  result.Set("dual_port", Value::Bool(dual));
  if (c.options.video) {
    bool found = false;
    int port = -1;
    if (!c.session.SearchVideoPort(&failure, &found, &port)) return Report(c.out, failure);
    result.Set("video_found", Value::Bool(found));
    if (found) result.Set("video_port", Value::Int(port));
  }
  c.out.Result("search", result);
  return kExitOk;
}

int RunConnect(CommandContext& c) {
  std::vector<Indication> answer;
  Failure failure;
  if (!RawRequest(c.session, "AT", &answer, &failure)) return Report(c.out, failure);
  ModlinkLibrary& lib = c.session.Library();
  Value result = Value::Object();
  result.Set("connected", Value::Bool(true));
  if (auto* open = lib.Find<decltype(Dll_IsComPortOpen)>("Dll_IsComPortOpen")) {
    result.Set("port_open", Value::Bool(open() != 0));
  }
  if (auto* dual = lib.Find<decltype(Dll_IsDualPort)>("Dll_IsDualPort")) {
    result.Set("dual_port", Value::Bool(dual() != 0));
  }
  c.out.Result("connect", result);
  return kExitOk;
}

int RunAt(CommandContext& c) {
  const std::string& line = c.args[0];
  std::vector<Indication> answer;
  Failure failure;
  if (!RawRequest(c.session, line, &answer, &failure)) return Report(c.out, failure);
  Value result = Value::Object();
  result.Set("line", Value::Text(line));
  result.Set("answer", Value::Text("OK"));
  result.Set("indications", Value::Int(static_cast<int64_t>(answer.size())));
  c.out.Result("at", result);
  return kExitOk;
}

int RunWatch(CommandContext& c) {
  c.out.Note(c.options.durationMs < 0 && c.options.count < 0
                 ? "Watching indications; Ctrl-C ends."
                 : "Watching indications.");
  const int read = c.session.Watch(c.options.durationMs, c.options.count);
  Value result = Value::Object();
  result.Set("indications", Value::Int(read));
  c.out.Result("watch", result);
  return kExitOk;
}

// Queries whose export may be missing from the library in hand: asked when
// present, listed when not.
struct StatusQuery {
  const char* exportName;
  const char* what;
  int finals;
  std::function<bool(ModlinkLibrary&)> send;
  std::vector<int32_t> wanted;
};

int RunStatus(CommandContext& c) {
  ModlinkLibrary& lib = c.session.Library();
  Value result = Value::Object();
  if (auto* open = lib.Find<decltype(Dll_IsComPortOpen)>("Dll_IsComPortOpen")) {
    result.Set("port_open", Value::Bool(open() != 0));
  }
  if (auto* dual = lib.Find<decltype(Dll_IsDualPort)>("Dll_IsDualPort")) {
    result.Set("dual_port", Value::Bool(dual() != 0));
  }
  const StatusQuery queries[] = {
      {"Dll_GetSingalLevel", "the signal query", 1, Call<ReqInt>("Dll_GetSingalLevel", 0), {111}},
      {"Dll_QueryNetworkService", "the registration query", 3,
       Call<ReqVoid>("Dll_QueryNetworkService"), {109, 142, 178}},
      {"Dll_QueryCurrentOperator", "the operator query", 2,
       Call<ReqVoid>("Dll_QueryCurrentOperator"), {155}},
  };
  Value missing = Value::Array();
  for (const auto& q : queries) {
    if (!lib.Find<ReqVoid>(q.exportName)) {
      missing.Push(Value::Text(q.exportName));
      continue;
    }
    std::vector<Indication> answer;
    Failure failure;
    if (!c.session.Request(q.what, [&] { return q.send(lib); }, q.finals,
                           c.session.Limits().requestMs, &answer, &failure)) {
      return Report(c.out, failure);
    }
    const Value found = Collect(answer, q.wanted);
    for (const auto& member : found.Members()) {
      if (member.first != "ok") result.Set(member.first, member.second);
    }
  }
  if (!missing.Items().empty()) {
    c.out.Note("Not in this library yet: " + missing.ToText());
    result.Set("unavailable", missing);
  }
  c.out.Result("status", result);
  return kExitOk;
}

// --- Requests through their own exports.

int RunSignal(CommandContext& c) {
  return Simple(c, "signal", "the signal query", Call<ReqInt>("Dll_GetSingalLevel", 0), 1, {111});
}

int RunRegistration(CommandContext& c) {
  return Simple(c, "registration", "the registration query",
                Call<ReqVoid>("Dll_QueryNetworkService"), 3, {109, 142, 178});
}

int RunOperator(CommandContext& c) {
  return Simple(c, "operator", "the operator query", Call<ReqVoid>("Dll_QueryCurrentOperator"), 2,
                {155, 168});
}

int RunOperators(CommandContext& c) {
  return Simple(c, "operators", "the operator search", Call<ReqVoid>("Dll_QueryOperatorList"), 1,
                {154}, c.session.Limits().operatorSearchMs);
}

int RunInfo(CommandContext& c) {
  return Simple(c, "info", "the identification query", Call<ReqVoid>("Dll_VersionReq"), 1, {153});
}

int RunDial(CommandContext& c) {
  const std::string number = c.args[0];
  return Simple(c, "dial", "the call to " + number,
                [number](ModlinkLibrary& lib) {
                  return Accepted(lib.Find<ReqText>("Dll_CallMoReq")(number.c_str()));
                },
                1, {106, 108});
}

int RunHangup(CommandContext& c) {
  return Simple(c, "hangup", "the hang-up", Call<ReqVoid>("Dll_CallRel"), 1, {105});
}

int RunSmsList(CommandContext& c) {
  int32_t status = 4;  // all messages
  if (!c.args.empty() && (!ParseInt(c.args[0], &status) || status < 0 || status > 4)) {
    return UsageError(c, "sms list: STATUS is 0 (unread), 1 (read), 2 (unsent), 3 (sent) or 4 (all)");
  }
  return Simple(c, "sms list", "the message list", Call<ReqInt>("DLL_SmsListReq", status), 1,
                {126});
}

int IndexArg(CommandContext& c, const char* command, int32_t* index) {
  if (!ParseInt(c.args[0], index) || *index < 0 || *index > 999) {
    return UsageError(c, std::string(command) + ": INDEX is a number from 0 to 999");
  }
  return kExitOk;
}

int RunSmsRead(CommandContext& c) {
  int32_t index;
  if (int rc = IndexArg(c, "sms read", &index)) return rc;
  return Simple(c, "sms read", "the message read", Call<ReqInt>("Dll_SMSReadMtReq", index), 1,
                {115});
}

int RunSmsDelete(CommandContext& c) {
  int32_t index;
  if (int rc = IndexArg(c, "sms delete", &index)) return rc;
  return Simple(c, "sms delete", "the message delete", Call<ReqInt>("Dll_SMSDelMtReq", index), 1,
                {});
}

int RunSmsStorage(CommandContext& c) {
  int32_t storage = 2;  // query
  if (!c.args.empty()) {
    if (c.args[0] == "sim") {
      storage = 0;
    } else if (c.args[0] == "phone") {
      storage = 1;
    } else {
      return UsageError(c, "sms storage: choose sim or phone, or nothing to ask");
    }
  }
  return Simple(c, "sms storage", "the storage request", Call<ReqInt>("Dll_SMSStorageReq", storage),
                1, {123});
}

int RunSmsSend(CommandContext& c) {
  const std::string& number = c.args[0];
  if (number.empty() || number.size() > 20 ||
      number.find_first_not_of("+0123456789") != std::string::npos) {
    return UsageError(c, "sms send: NUMBER is up to 20 digits, with an optional leading +");
  }
  SmsParts split;
  std::string error;
  if (!SplitSmsText(c.args[1], 10, &split, &error)) return UsageError(c, "sms send: " + error);
  // One reference for all parts of this message; it only has to differ from
  // the messages sent just before.
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  const int32_t reference = static_cast<int32_t>((static_cast<uint64_t>(now) ^ static_cast<uint64_t>(getpid())) & 0xFF);
  auto* send = c.session.Library().Find<decltype(Dll_SMSMoReq)>("Dll_SMSMoReq");
  const int32_t total = static_cast<int32_t>(split.parts.size());
  std::vector<Indication> answer;
  for (int32_t i = 0; i < total; ++i) {
    ModlinkSmsPart part;
    std::memset(&part, 0, sizeof part);
    part.reference = reference;
    part.total = total;
    part.sequence = i + 1;
    const std::string text = split.coding == 0 ? WithGsmEscapes(split.parts[static_cast<size_t>(i)])
                                               : split.parts[static_cast<size_t>(i)];
    // At most 268 bytes (67 four-byte characters) or 153 (septets with escapes).
    std::memcpy(part.text, text.data(), text.size());
    const std::string what = total > 1 ? "part " + std::to_string(i + 1) + " of " +
                                             std::to_string(total) + " of the message"
                                       : "the message";
    Failure failure;
    if (!c.session.Request(what,
                           [&] {
                             return Accepted(send(number.c_str(), &part,
                                                  static_cast<int32_t>(text.size()), 0,
                                                  split.coding, 0));
                           },
                           1, c.session.Limits().requestMs, &answer, &failure)) {
      return Report(c.out, failure);
    }
  }
  Value result = Collect(answer, {113});
  result.Set("parts", Value::Int(total));
  result.Set("coding", Value::Text(split.coding == 0 ? "gsm7" : "ucs2"));
  c.out.Result("sms send", result);
  return kExitOk;
}

// --- The dial-up data connection and its traffic.

int RunConnectData(CommandContext& c) {
  std::vector<Indication> answer;
  Failure failure;
  auto* connect = c.session.Library().Find<ReqVoid>("Dll_ConnectNetWork");
  const bool ok = c.session.Await(
      "the data connection", [&] { return Accepted(connect()); },
      [](const Indication& ind, Failure* f) {
        if (ind.id == 171 && ind.payload.size() == 1 && ind.payload[0] == 9) return 1;
        if (ind.id == 170 || ind.id == 157 || ind.id == kIndPortClosed) {
          f->exit = ind.id == 170 ? kExitRefused : kExitPort;
          f->reason = ind.id == 170 ? "dial-failed" : "port-closed";
          f->message = ind.id == 170 ? "the data connection failed: " + DecodeIndication(ind).ToText()
                                     : "the data connection lost the card's AT port";
          return -1;
        }
        return 0;
      },
      c.session.Limits().dialMs, &answer, &failure);
  if (!ok) return Report(c.out, failure);
  Value result = Value::Object();
  result.Set("connected", Value::Bool(true));
  c.out.Result("connect-data", result);
  // The connection belongs to this process: stay until the user ends it,
  // then hang up before the library is unloaded.
  c.out.Note("Connected; Ctrl-C hangs up.");
  c.session.Watch(-1, -1);
  auto* disconnect = c.session.Library().Find<ReqVoid>("Dll_DisConnectNetWork");
  if (disconnect) {
    Failure ignored;
    ResetInterrupt();
    c.session.Await(
        "the hang-up", [&] { return Accepted(disconnect()); },
        [](const Indication& ind, Failure*) { return ind.id == 172 ? 1 : 0; },
        c.session.Limits().dialMs, nullptr, &ignored);
  }
  return kExitOk;
}

// The three FlowRecords of Dll_GetFlowStatics: 28 bytes of unsigned 32-bit
// counters each.
Value FlowRecordValue(const uint8_t* r) {
  auto u32 = [r](size_t off) {
    return static_cast<int64_t>(static_cast<uint32_t>(r[off]) | static_cast<uint32_t>(r[off + 1]) << 8 |
                                static_cast<uint32_t>(r[off + 2]) << 16 |
                                static_cast<uint32_t>(r[off + 3]) << 24);
  };
  Value v = Value::Object();
  v.Set("rx_2g", Value::Int(u32(0))).Set("tx_2g", Value::Int(u32(4))).Set("seconds_2g", Value::Int(u32(8)));
  v.Set("rx_3g", Value::Int(u32(12))).Set("tx_3g", Value::Int(u32(16))).Set("seconds_3g", Value::Int(u32(20)));
  v.Set("day", Value::Int(u32(24)));
  return v;
}

int RunStats(CommandContext& c) {
  using GetFlow = MODLINK_BOOL MODLINK_CALL(void*, void*, void*);
  uint8_t earlier[28] = {}, later[28] = {}, today[28] = {};
  auto* get = c.session.Library().Find<GetFlow>("Dll_GetFlowStatics");
  if (!Accepted(get(earlier, later, today))) {
    return Report(c.out, Failure{kExitRefused, "refused", "the library gave no traffic statistics"});
  }
  Value result = Value::Object();
  result.Set("earlier", FlowRecordValue(earlier));
  result.Set("later", FlowRecordValue(later));
  result.Set("today", FlowRecordValue(today));
  c.out.Result("stats", result);
  return kExitOk;
}

int RunPinStatus(CommandContext& c) {
  return Simple(c, "pin status", "the PIN query", Call<ReqVoid>("Dll_GetPinVerifyStatusReq"), 1,
                {127});
}

int RunPinEnter(CommandContext& c) {
  const std::string pin = c.args[0];
  return Simple(c, "pin enter", "the PIN entry",
                [pin](ModlinkLibrary& lib) {
                  return Accepted(lib.Find<ReqTextText>("Dll_VerifyPinReq")(pin.c_str(), nullptr));
                },
                1, {127});
}

int RunPinChange(CommandContext& c) {
  const std::string oldPin = c.args[0];
  const std::string newPin = c.args[1];
  return Simple(c, "pin change", "the PIN change",
                [oldPin, newPin](ModlinkLibrary& lib) {
                  return Accepted(
                      lib.Find<ReqTextText>("Dll_ChangePin1Req")(oldPin.c_str(), newPin.c_str()));
                },
                1, {});
}

int RunPbList(CommandContext& c) {
  int32_t first = 1;
  int32_t last = 50;
  if ((c.args.size() > 0 && !ParseInt(c.args[0], &first)) ||
      (c.args.size() > 1 && !ParseInt(c.args[1], &last)) || first < 1 || last < first) {
    return UsageError(c, "pb list: FIRST and LAST are entry numbers, FIRST <= LAST");
  }
  if (c.args.size() == 1) last = first;
  return Simple(c, "pb list", "the phonebook read", Call<ReqIntInt>("Dll_ReadPBItem", first, last),
                1, {130});
}

int RunPbWrite(CommandContext& c) {
  const std::string& number = c.args[0];
  const std::string& name = c.args[1];
  int32_t index = 0;
  const bool firstFree = c.args.size() < 3;
  if (!firstFree && (!ParseInt(c.args[2], &index) || index < 1)) {
    return UsageError(c, "pb write: INDEX is an entry number from 1");
  }
  // The entry record's number field holds 20 characters, its name 74 bytes.
  if (number.empty() || number.size() > 20 ||
      number.find_first_not_of("+0123456789*#") != std::string::npos) {
    return UsageError(c, "pb write: NUMBER is up to 20 digits, * or #, with an optional leading +");
  }
  if (name.size() > 74 || name.find('"') != std::string::npos) {
    return UsageError(c, "pb write: NAME is at most 74 bytes, without double quotes");
  }
  uint8_t entry[708] = {};
  const auto put32 = [&entry](size_t off, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (size_t i = 0; i < 4; ++i) entry[off + i] = static_cast<uint8_t>(u >> (8 * i));
  };
  put32(0, index);
  put32(4, number[0] == '+' ? 145 : 129);
  std::memcpy(entry + 8, number.data(), number.size());
  std::memcpy(entry + 30, name.data(), name.size());
  using WriteEntry = MODLINK_BOOL MODLINK_CALL(const void*, MODLINK_BOOL);
  return Simple(c, "pb write", "the phonebook write",
                [&entry, firstFree](ModlinkLibrary& lib) {
                  return Accepted(lib.Find<WriteEntry>("Dll_WritePBItem")(entry, firstFree ? 1 : 0));
                },
                1, {});
}

const std::vector<Command> kCommands = {
    {"search", "[--video]", "search the card's ports (and its video port)", {"Dll_SearchPort"},
     false, 0, 0, RunSearch},
    {"connect", "", "search, open the AT port and check that the card answers",
     {"Dll_RawCommandReq"}, true, 0, 0, RunConnect},
    {"status", "", "port state, and signal, registration and operator where available", {}, true,
     0, 0, RunStatus},
    {"at", "COMMAND", "send one AT command line and print its answer", {"Dll_RawCommandReq"},
     true, 1, 1, RunAt},
    {"watch", "[--duration S] [--count N] [--no-connect]", "print indications as they arrive", {},
     true, 0, 0, RunWatch},
    {"signal", "", "signal strength and bit error rate", {"Dll_GetSingalLevel"}, true, 0, 0,
     RunSignal},
    {"registration", "", "circuit and packet registration, access technology",
     {"Dll_QueryNetworkService"}, true, 0, 0, RunRegistration},
    {"operator", "", "the current operator", {"Dll_QueryCurrentOperator"}, true, 0, 0,
     RunOperator},
    {"operators", "", "search the operators in range (slow)", {"Dll_QueryOperatorList"}, true, 0,
     0, RunOperators},
    {"info", "", "manufacturer, model, revision, IMEI", {"Dll_VersionReq"}, true, 0, 0, RunInfo},
    {"dial", "NUMBER", "start a voice call", {"Dll_CallMoReq"}, true, 1, 1, RunDial},
    {"hangup", "", "end the voice call", {"Dll_CallRel"}, true, 0, 0, RunHangup},
    {"sms list", "[STATUS]", "list stored messages (4: all)", {"DLL_SmsListReq"}, true, 0, 1,
     RunSmsList},
    {"sms read", "INDEX", "read one stored message", {"Dll_SMSReadMtReq"}, true, 1, 1,
     RunSmsRead},
    {"sms delete", "INDEX", "delete one stored message", {"Dll_SMSDelMtReq"}, true, 1, 1,
     RunSmsDelete},
    {"sms send", "NUMBER TEXT", "send a message (long texts in up to 10 parts)", {"Dll_SMSMoReq"},
     true, 2, 2, RunSmsSend},
    {"sms storage", "[sim|phone]", "message storage in use, or choose it", {"Dll_SMSStorageReq"},
     true, 0, 1, RunSmsStorage},
    {"connect-data", "", "start the dial-up data connection; Ctrl-C hangs up",
     {"Dll_ConnectNetWork", "Dll_DisConnectNetWork"}, true, 0, 0, RunConnectData},
    {"stats", "", "traffic statistics: the billing windows and today", {"Dll_GetFlowStatics"},
     false, 0, 0, RunStats},
    {"pin status", "", "SIM PIN state", {"Dll_GetPinVerifyStatusReq"}, true, 0, 0, RunPinStatus},
    {"pin enter", "PIN", "enter the SIM PIN", {"Dll_VerifyPinReq"}, true, 1, 1, RunPinEnter},
    {"pin change", "OLD NEW", "change the SIM PIN", {"Dll_ChangePin1Req"}, true, 2, 2,
     RunPinChange},
    {"pb list", "[FIRST [LAST]]", "read phonebook entries (1 to 50)", {"Dll_ReadPBItem"}, true, 0,
     2, RunPbList},
    {"pb write", "NUMBER NAME [INDEX]", "write a phonebook entry (first free place without INDEX)",
     {"Dll_WritePBItem"}, true, 2, 3, RunPbWrite},
};

}  // namespace

const std::vector<Command>& Commands() { return kCommands; }

const Command* FindCommand(const std::vector<std::string>& words, size_t* used) {
  const Command* best = nullptr;
  size_t bestWords = 0;
  for (const auto& cmd : kCommands) {
    // Split the command's words and compare them with the start of |words|.
    std::vector<std::string> parts;
    std::string w;
    for (const char* p = cmd.words;; ++p) {
      if (*p == ' ' || *p == '\0') {
        parts.push_back(w);
        w.clear();
        if (*p == '\0') break;
      } else {
        w += *p;
      }
    }
    if (parts.size() > words.size() || parts.size() <= bestWords) continue;
    bool match = true;
    for (size_t i = 0; i < parts.size() && match; ++i) match = parts[i] == words[i];
    if (match) {
      best = &cmd;
      bestWords = parts.size();
    }
  }
  *used = bestWords;
  return best;
}

int Report(Console& out, const Failure& failure) {
  out.Error(failure.exit, failure.reason, failure.message);
  return failure.exit;
}

bool RawRequest(Session& session, const std::string& line, std::vector<Indication>* answer,
                Failure* failure) {
  auto* raw = session.Library().Find<decltype(Dll_RawCommandReq)>("Dll_RawCommandReq");
  if (!raw) {
    failure->exit = kExitLibrary;
    failure->reason = "missing-export";
    failure->message = "this library has no Dll_RawCommandReq";
    return false;
  }
  // With the CR LF the queue adds, a line must fit the library's 4096-byte record.
  if (line.empty() || line.size() > 4000 || line.find_first_of("\r\n") != std::string::npos) {
    failure->exit = kExitUsage;
    failure->reason = "usage";
    failure->message = "an AT command is one non-empty line of at most 4000 bytes";
    return false;
  }
  return session.Request(
      line,
      [&] { return Accepted(raw(line.data(), static_cast<int32_t>(line.size()))); }, 1,
      session.Limits().requestMs, answer, failure);
}

}  // namespace modlink_cli
