#include "catalogue.h"

#include <cstdio>
#include <cstring>

namespace modlink_cli {
namespace {

// --- Reading packed little-endian records, bounds-checked by the callers' size
// tests (every decoder checks the size before it reads).

int32_t I32(const uint8_t* p) {
  const uint32_t u = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                     static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  int32_t v;
  std::memcpy(&v, &u, sizeof v);
  return v;
}

uint16_t U16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// Zero-terminated text of a fixed field; a field without a terminator ends at
// the field's end.
std::string Field(const uint8_t* p, size_t width) {
  size_t n = 0;
  while (n < width && p[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

std::string Bytes(const uint8_t* p, size_t size) {
  return std::string(reinterpret_cast<const char*>(p), size);
}

Value Raw(const uint8_t* data, size_t size) {
  Value v = Value::Object();
  v.Set("length", Value::Int(static_cast<int64_t>(size)));
  v.Set("hex", Value::Text(Hex(data, size)));
  return v;
}

// A payload whose size does not match its record: say so and show the bytes.
Value WrongSize(const uint8_t* data, size_t size, const std::string& expected) {
  Value v = Value::Object();
  v.Set("problem", Value::Text("expected " + expected + ", got " + std::to_string(size) +
                               (size == 1 ? " byte" : " bytes")));
  v.Set("hex", Value::Text(Hex(data, size)));
  return v;
}

Value Single(const char* key, Value value) {
  Value v = Value::Object();
  v.Set(key, std::move(value));
  return v;
}

// --- Generic shapes.

Value DecodeText(const uint8_t* d, size_t n) { return Single("text", Value::Text(Bytes(d, n))); }

// Text that carries its terminating zero: the text ends at the first zero.
Value DecodeTextZ(const uint8_t* d, size_t n) { return Single("text", Value::Text(Field(d, n))); }

Value DecodeNumber(const uint8_t* d, size_t n) { return Single("number", Value::Text(Bytes(d, n))); }

Value DecodeEmpty(const uint8_t* d, size_t n) {
  if (n != 0) return WrongSize(d, n, "no payload");
  return Value::Object();
}

Value DecodeByte(const uint8_t* d, size_t n) {
  if (n != 1) return WrongSize(d, n, "1 byte");
  return Single("value", Value::Int(d[0]));
}

// Payloads whose layout the tool passes through as numbers.
Value DecodeByteList(const uint8_t* d, size_t n) {
  if (n > 32) return Raw(d, n);
  Value list = Value::Array();
  for (size_t i = 0; i < n; ++i) list.Push(Value::Int(d[i]));
  return Single("bytes", std::move(list));
}

Value DecodeInt32(const char* key, const uint8_t* d, size_t n) {
  if (n != 4) return WrongSize(d, n, "4 bytes");
  return Single(key, Value::Int(I32(d)));
}

Value DecodeStoredIndex(const uint8_t* d, size_t n) { return DecodeInt32("index", d, n); }
Value DecodeReference32(const uint8_t* d, size_t n) { return DecodeInt32("reference", d, n); }

// --- Generic indications and ports.

Value DecodePortClosed(const uint8_t* d, size_t n) {
  if (n != 1) return WrongSize(d, n, "1 byte");
  Value v = Single("reason", Value::Int(d[0]));
  v.Set("meaning", Value::Text(d[0] == 2 ? "AT port taken by the dial-up connection"
                                         : "AT port closed"));
  return v;
}

Value DecodeDeviceCheck(const uint8_t* d, size_t n) {
  if (n != 1) return WrongSize(d, n, "1 byte");
  Value v = Single("present", Value::Bool(d[0] != 0));
  v.Set("meaning", Value::Text(d[0] ? "card ports present, search them" : "no card port present"));
  return v;
}

Value DecodePortSearch(const uint8_t* d, size_t n) {
  if (n != 1) return WrongSize(d, n, "1 byte");
  return Single("found", Value::Bool(d[0] != 0));
}

Value DecodeVideoPortSearch(const uint8_t* d, size_t n) {
  if (n != 5) return WrongSize(d, n, "5 bytes");
  Value v = Single("found", Value::Bool(d[0] != 0));
  v.Set("port", Value::Int(I32(d + 1)));
  return v;
}

// --- Network and calls.

const char* RegistrationName(int state) {
  static const char* const kNames[] = {"not-registered", "home", "searching",
                                       "denied",         "unknown", "roaming"};
  return state >= 0 && state < 6 ? kNames[state] : "other";
}

Value DecodeRegistration(const uint8_t* d, size_t n) {
  if (n != 2) return WrongSize(d, n, "2 bytes");
  Value v = Single("mode", Value::Int(d[0]));
  v.Set("state", Value::Int(d[1]));
  v.Set("meaning", Value::Text(RegistrationName(d[1])));
  return v;
}

Value DecodeTechnology(const uint8_t* d, size_t n) {
  static const char* const kNames[] = {"NONE", "GSM",   "GPRS", "EDGE",    "UMTS",
                                       "HSPA", "HSDPA", "CDMA", "TDSCDMA", "LTE"};
  if (n != 1) return WrongSize(d, n, "1 byte");
  Value v = Single("code", Value::Int(d[0]));
  v.Set("name", Value::Text(d[0] < 10 ? kNames[d[0]] : "unknown"));
  return v;
}

Value ClockValue(const uint8_t* d) {
  char text[40];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", U16(d), d[2], d[3], d[4],
                d[5], d[6]);
  return Value::Text(text);
}

Value DecodeClock(const uint8_t* d, size_t n) {
  if (n != 8) return WrongSize(d, n, "8 bytes");
  return Single("time", ClockValue(d));
}

Value DecodeSignal(const uint8_t* d, size_t n) {
  if (n != 2) return WrongSize(d, n, "2 bytes");
  Value v = Single("rssi", Value::Int(d[0]));
  v.Set("ber", Value::Int(d[1]));
  // 27.007 +CSQ: 0 is -113 dBm or less, 31 is -51 dBm or more, 99 unknown.
  if (d[0] <= 31) v.Set("dbm", Value::Int(-113 + 2 * d[0]));
  return v;
}

Value DecodeDeviceInfo(const uint8_t* d, size_t n) {
  if (n != 240) return WrongSize(d, n, "240 bytes");
  Value v = Single("manufacturer", Value::Text(Field(d, 60)));
  v.Set("model", Value::Text(Field(d + 60, 60)));
  v.Set("revision", Value::Text(Field(d + 120, 60)));
  v.Set("imei", Value::Text(Field(d + 180, 60)));
  return v;
}

Value DecodeOperatorList(const uint8_t* d, size_t n) {
  if (n % 104 != 0) return WrongSize(d, n, "a multiple of 104 bytes");
  Value list = Value::Array();
  for (size_t off = 0; off < n; off += 104) {
    const uint8_t* e = d + off;
    Value entry = Value::Object();
    entry.Set("status", Value::Int(I32(e)));
    entry.Set("long", Value::Text(Field(e + 4, 64)));
    entry.Set("short", Value::Text(Field(e + 68, 20)));
    entry.Set("numeric", Value::Text(Field(e + 88, 12)));
    entry.Set("act", Value::Int(I32(e + 100)));
    list.Push(std::move(entry));
  }
  return Single("operators", std::move(list));
}

Value DecodeOperator(const uint8_t* d, size_t n) {
  if (n != 76) return WrongSize(d, n, "76 bytes");
  Value v = Single("mode", Value::Int(I32(d)));
  v.Set("format", Value::Int(I32(d + 4)));
  v.Set("operator", Value::Text(Field(d + 8, 64)));
  v.Set("act", Value::Int(I32(d + 72)));
  return v;
}

Value DecodeServiceState(const uint8_t* d, size_t n) {
  if (n != 1) return WrongSize(d, n, "1 byte");
  return Single("in_service", Value::Bool(d[0] != 0));
}

Value DecodeBandMask(const uint8_t* d, size_t n) {
  if (n != 8) return WrongSize(d, n, "8 bytes");
  uint8_t be[8];
  for (int i = 0; i < 8; ++i) be[i] = d[7 - i];
  return Single("mask", Value::Text("0x" + Hex(be, 8)));
}

Value DecodeDiagInfo(const uint8_t* d, size_t n) {
  if (n != 128) return WrongSize(d, n, "128 bytes");
  Value list = Value::Array();
  for (size_t i = 0; i < 8; ++i) {
    std::string f = Field(d + 16 * i, 16);
    if (f.empty()) break;
    list.Push(Value::Text(std::move(f)));
  }
  return Single("fields", std::move(list));
}

Value DecodeCallForward(const uint8_t* d, size_t n) {
  if (n != 36) return WrongSize(d, n, "36 bytes");
  Value v = Single("status", Value::Int(I32(d)));
  v.Set("number", Value::Text(Field(d + 4, 24)));
  v.Set("type", Value::Int(I32(d + 28)));
  v.Set("time", Value::Int(I32(d + 32)));
  return v;
}

Value DecodeTemperature(const uint8_t* d, size_t n) {
  if (n != 1) return WrongSize(d, n, "1 byte");
  return Single("high", Value::Bool(d[0] != 0));
}

// --- SMS.

Value DecodeSmsRecord(const uint8_t* d, size_t n) {
  if (n != 732) return WrongSize(d, n, "732 bytes");
  Value v = Single("index", Value::Int(I32(d)));
  v.Set("status", Value::Int(d[4]));
  v.Set("address_type", Value::Int(d[5]));
  if (d[6]) v.Set("report", Value::Bool(true));
  v.Set("time", ClockValue(d + 8));
  v.Set("address", Value::Text(Field(d + 16, 36)));
  const int32_t total = I32(d + 56);
  if (total > 1) {
    v.Set("part", Value::Int(I32(d + 60)));
    v.Set("parts", Value::Int(total));
    v.Set("reference", Value::Int(I32(d + 52)));
  }
  v.Set("text", Value::Text(Field(d + 64, 668)));
  return v;
}

Value DecodeSmsReference(const uint8_t* d, size_t n) {
  if (n != 1) return WrongSize(d, n, "1 byte");
  return Single("reference", Value::Int(d[0]));
}

Value DecodeNewSms(const uint8_t* d, size_t n) {
  if (n != 16) return WrongSize(d, n, "16 bytes");
  const int32_t storage = I32(d);
  Value v = Single("storage", Value::Text(storage == 0 ? "SM" : storage == 1 ? "ME" : "other"));
  v.Set("index", Value::Int(I32(d + 4)));
  return v;
}

Value DecodeSmsMemory(const uint8_t* d, size_t n) {
  if (n != 36) return WrongSize(d, n, "36 bytes");
  Value list = Value::Array();
  for (int i = 0; i < 3; ++i) {
    const uint8_t* s = d + 12 * i;
    // The record says only whether the storage is phone memory ("ME"/"MT").
    Value mem = Single("phone", Value::Bool(I32(s) != 0));
    mem.Set("used", Value::Int(I32(s + 4)));
    mem.Set("total", Value::Int(I32(s + 8)));
    list.Push(std::move(mem));
  }
  return Single("memories", std::move(list));
}

Value DecodeValidity(const uint8_t* d, size_t n) {
  if (n != 8) return WrongSize(d, n, "8 bytes");
  Value list = Value::Array();
  list.Push(Value::Int(U16(d))).Push(Value::Int(d[2])).Push(Value::Int(d[3])).Push(Value::Int(d[4]));
  return Single("values", std::move(list));
}

Value DecodeSmsTag(const uint8_t* d, size_t n) {
  if (n != 2) return WrongSize(d, n, "2 bytes");
  return Single("index", Value::Int(U16(d)));
}

// --- Phonebook.

const char* PbStorageName(int32_t index) {
  static const char* const kNames[] = {"DC", "MC", "RC", "SM", "ME", "FD"};
  return index >= 0 && index < 6 ? kNames[index] : "other";
}

Value DecodePbEntry(const uint8_t* d, size_t n) {
  if (n != 708) return WrongSize(d, n, "708 bytes");
  Value v = Single("index", Value::Int(I32(d)));
  v.Set("type", Value::Int(I32(d + 4)));
  v.Set("number", Value::Text(Field(d + 8, 22)));
  v.Set("name", Value::Text(Field(d + 30, 75)));
  // The extended form's further fields, shown only when present.
  const struct {
    const char* key;
    size_t offset, width;
  } extra[] = {{"number1", 191, 22}, {"number2", 169, 22}, {"number3", 213, 22},
               {"slot2", 105, 42},   {"slot3", 400, 122}, {"slot5", 235, 21},
               {"slot6", 256, 82},   {"slot7", 338, 62},  {"date", 522, 21}};
  for (const auto& e : extra) {
    std::string text = Field(d + e.offset, e.width);
    if (!text.empty()) v.Set(e.key, Value::Text(std::move(text)));
  }
  return v;
}

Value DecodePbStorage(const uint8_t* d, size_t n) {
  if (n != 12) return WrongSize(d, n, "12 bytes");
  Value v = Single("storage", Value::Text(PbStorageName(I32(d))));
  v.Set("used", Value::Int(I32(d + 4)));
  v.Set("total", Value::Int(I32(d + 8)));
  return v;
}

Value DecodePbSizes(const uint8_t* d, size_t n) {
  if (n != 2) return WrongSize(d, n, "2 bytes");
  Value v = Single("max_number", Value::Int(d[0]));
  v.Set("max_name", Value::Int(d[1]));
  return v;
}

// --- SIM, PIN and locks.

Value DecodePinState(const uint8_t* d, size_t n) {
  if (n != 2) return WrongSize(d, n, "2 bytes");
  const char* name;
  switch (d[0]) {
    case 0: name = "READY"; break;
    case 1: name = "SIM PIN"; break;
    case 2: name = "SIM PUK"; break;
    case 3: name = "PH-SIM PIN"; break;
    case 5: name = "SIM PIN2"; break;
    case 6: name = "SIM PUK2"; break;
    case 7: name = "PH-NET PIN"; break;
    case 9: name = "PH-FSIM PIN"; break;
    case 11: name = "PH-NETSUB PIN"; break;
    case 13: name = "PH-SP PIN"; break;
    case 15: name = "PH-CORP PIN"; break;
    default: name = "other"; break;
  }
  Value v = Single("state", Value::Int(d[0]));
  v.Set("meaning", Value::Text(name));
  v.Set("attempts", Value::Int(d[1]));
  return v;
}

Value DecodePinAttempts(const uint8_t* d, size_t n) {
  if (n == 1) return Single("attempts", Value::Int(d[0]));
  if (n != 4) return WrongSize(d, n, "1 or 4 bytes");
  return DecodeByteList(d, n);
}

Value DecodeSimState(const uint8_t* d, size_t n) {
  static const char* const kNames[] = {"ready", "no SIM", "SIM PIN", "SIM PUK",
                                       "SIM bad", "SIM lock", "pass", "fail"};
  if (n != 1) return WrongSize(d, n, "1 byte");
  Value v = Single("state", Value::Int(d[0]));
  v.Set("meaning", Value::Text(d[0] < 8 ? kNames[d[0]] : "other"));
  return v;
}

Value DecodeSimLockCode(const uint8_t* d, size_t n) {
  if (n == 0) return Value::Object();
  if (n != 20) return WrongSize(d, n, "0 or 20 bytes");
  Value v = Single("value", Value::Int(I32(d)));
  v.Set("digits", Value::Text(Field(d + 4, 16)));
  return v;
}

// --- Dial-up connection and traffic.

Value DecodeDialFailed(const uint8_t* d, size_t n) {
  if (n != 4) return WrongSize(d, n, "4 bytes");
  const auto code = static_cast<uint32_t>(I32(d));
  Value v = Single("error", Value::Int(code));
  // 608: the dial-up service's "device does not exist": no card modem found.
  if (code == 608) v.Set("meaning", Value::Text("no modem of the card found"));
  return v;
}

Value DecodeDialProgress(const uint8_t* d, size_t n) {
  static const char* const kNames[] = {
      "open port",     "port opened",       "connect device",
      "device connected", "authenticate",   "authentication notify",
      "authentication projection", "projected", "authenticated",
      "connected",     "disconnected"};
  if (n != 1) return WrongSize(d, n, "1 byte");
  Value v = Single("code", Value::Int(d[0]));
  v.Set("meaning", Value::Text(d[0] <= 10 ? kNames[d[0]] : "other"));
  return v;
}

Value DecodeTrafficAlert(const uint8_t* d, size_t n) {
  if (n != 1) return WrongSize(d, n, "1 byte");
  return Single("percent", Value::Int(d[0]));
}

// --- The card's own state lines.

// One zero byte; the id carries the meaning.
Value DecodeModemState(const uint8_t* d, size_t n) {
  if (n != 1) return WrongSize(d, n, "1 byte");
  return Value::Object();
}

const std::vector<IndicationInfo> kCatalogue = {
    {100, "ok", "final result OK", DecodeText},
    {101, "error", "final result ERROR", DecodeText},
    {103, "caller-number", "number of the calling party", DecodeNumber},
    {104, "ring", "incoming call is ringing", DecodeByte},
    {105, "call-end", "voice call ended", DecodeByte},
    {106, "call-begin", "voice call connected", DecodeByte},
    {107, "missed-call", "missed call", DecodeByte},
    {108, "no-carrier", "call or data connection ended (NO CARRIER)", DecodeByte},
    {109, "registration", "network registration (+CREG)", DecodeRegistration},
    {110, "clock", "card clock (+CCLK)", DecodeClock},
    {111, "signal", "signal strength and bit error rate (+CSQ)", DecodeSignal},
    {113, "sms-sent", "message sent: reference", DecodeSmsReference},
    {115, "sms-read", "message read from storage", DecodeSmsRecord},
    {116, "sms-new", "new message stored", DecodeNewSms},
    {117, "sms-list-support", "supported message-list states", DecodeText},
    {118, "sms-full", "message storage full", DecodeByte},
    {119, "cms-error", "SMS request failed (+CMS ERROR)", DecodeText},
    {120, "sms-format", "message format (0 PDU, 1 text)", DecodeByte},
    {121, "sms-centre", "service-centre number", DecodeNumber},
    {123, "sms-storage", "message storages: used and total", DecodeSmsMemory},
    {124, "sms-stored", "message stored at index", DecodeStoredIndex},
    {125, "sms-sent-stored", "stored message sent: reference", DecodeReference32},
    {126, "sms-list-entry", "one message of a message list", DecodeSmsRecord},
    {127, "pin-state", "SIM PIN state and attempts left (+CPIN)", DecodePinState},
    {128, "lock-status", "facility lock status (+CLCK)", DecodeByte},
    {129, "sim-state", "SIM state report (+RLOCK)", DecodeSimState},
    {130, "pb-entry", "phonebook entry", DecodePbEntry},
    {131, "own-number", "own number (+CNUM)", DecodeText},
    {132, "pb-storage", "phonebook storage: used and total", DecodePbStorage},
    {133, "pb-sizes", "phonebook number and name lengths", DecodePbSizes},
    {134, "sms-channel", "SMS bearer (+CGSMS)", DecodeByte},
    {135, "sms-validity", "SMS validity period (+CMVP)", DecodeValidity},
    {136, "sms-class0", "class-0 (flash) message", DecodeSmsRecord},
    {137, "imei", "IMEI (+CGSN)", DecodeText},
    {138, "simlock-status", "SIM-lock status digits", DecodeText},
    {139, "simlock-code", "SIM-lock code", DecodeText},
    {140, "call-forward", "call forwarding state (+CCFC)", DecodeCallForward},
    {141, "call-waiting", "call waiting state (+CCWA)", DecodeByte},
    {142, "access-technology", "access technology (*CNTI)", DecodeTechnology},
    {143, "auto-answer", "auto-answer setting", DecodeByte},
    {144, "fdn-state", "fixed dialling state (+CFDN)", DecodeByte},
    {145, "lock-change", "result of a PIN lock or fixed-dialling change", DecodeByte},
    {146, "traffic-alert", "traffic or time reached a warning or limit percentage", DecodeTrafficAlert},
    {147, "imsi", "IMSI (+CIMI)", DecodeText},
    {148, "hook-key", "hook key pressed", DecodeByte},
    {149, "hsdpa-category", "HSDPA category", DecodeByte},
    {150, "speaker-volume", "speaker volume (+VGR)", DecodeByte},
    {151, "mic-volume", "microphone volume (+MICG)", DecodeByte},
    {152, "ear-key", "ear key state", DecodeByte},
    {153, "device-info", "manufacturer, model, revision, IMEI (ATI)", DecodeDeviceInfo},
    {154, "operator-list", "operators found by a search (+COPS=?)", DecodeOperatorList},
    {155, "operator", "current operator (+COPS?)", DecodeOperator},
    {156, "rf-function", "radio function level (+CFUN)", DecodeByte},
    {157, "dialup-port-lost", "the AT port could not be reopened after the data call", DecodeEmpty},
    {158, "pin-attempts", "PIN and PUK attempts left (+SPIC, +CPIN)", DecodePinAttempts},
    {159, "diagnostics", "serving-cell diagnostics (+CPSI)", DecodeDiagInfo},
    {160, "temperature", "card temperature alarm", DecodeTemperature},
    {161, "port-closed", "a request was dropped: the AT port is closed", DecodePortClosed},
    {162, "device-check", "card ports re-checked", DecodeDeviceCheck},
    {163, "switch", "switch report", DecodeByte},
    {164, "video-ringback", "video call ringing at the far end", DecodeByte},
    {165, "video-connected", "video call connected", DecodeByte},
    {166, "video-incoming", "incoming video call", DecodeTextZ},
    {167, "video-end", "video call ended", DecodeTextZ},
    {168, "service-state", "network service state", DecodeServiceState},
    {170, "dialup-failed", "the data connection failed: dial-up error code", DecodeDialFailed},
    {171, "dialup-progress", "data connection progress; code 9: connected", DecodeDialProgress},
    {172, "dialup-ended", "the data connection has ended", DecodeByte},
    {173, "net-mode-pref", "network mode preference (+CNMP)", DecodeByte},
    {174, "band-pref", "band preference mask (+CNBP)", DecodeBandMask},
    {175, "roaming-pref", "roaming preference (+CNRP)", DecodeByte},
    {176, "acquisition-order", "acquisition order preference (+CNAOP)", DecodeByte},
    {177, "traffic-domain", "traffic domain preference (+CNSDP)", DecodeByte},
    {178, "packet-registration", "packet network registration (+CGREG)", DecodeRegistration},
    {180, "cme-error", "request failed (+CME ERROR)", DecodeText},
    {181, "firmware", "firmware version", DecodeTextZ},
    {182, "diag-port", "diagnostics port state", DecodeByte},
    {183, "diag-port-result", "diagnostics port switch result", DecodeByte},
    {184, "simlock-code-query", "SIM-lock code", DecodeSimLockCode},
    {185, "simlock-code-exists", "SIM-lock code already exists", DecodeEmpty},
    {186, "simlock-code-missing", "SIM-lock code does not exist", DecodeEmpty},
    {195, "port-search", "result of the AT port search", DecodePortSearch},
    {196, "video-port-search", "result of the video port search", DecodeVideoPortSearch},
    {197, "sms-reference", "SMS reference counter", DecodeByte},
    {198, "sms-tag", "message tagged", DecodeSmsTag},
    {199, "sms-status-report", "delivery report", DecodeSmsRecord},
    {200, "modem-closed", "card reports: modem closed", DecodeModemState},
    {201, "modem-active", "card reports: modem active", DecodeModemState},
    {202, "modem-background", "card reports: modem background", DecodeModemState},
};

}  // namespace

const std::vector<IndicationInfo>& Catalogue() { return kCatalogue; }

const IndicationInfo* FindIndication(int32_t id) {
  for (const auto& row : kCatalogue) {
    if (row.id == id) return &row;
  }
  return nullptr;
}

std::string IndicationName(int32_t id) {
  const IndicationInfo* row = FindIndication(id);
  return row ? row->name : "unknown-" + std::to_string(id);
}

Value DecodeIndication(const Indication& ind) {
  const IndicationInfo* row = FindIndication(ind.id);
  const uint8_t* data = ind.payload.empty() ? nullptr : ind.payload.data();
  static const uint8_t kNothing = 0;
  if (!data) data = &kNothing;
  return row ? row->decode(data, ind.payload.size()) : Raw(data, ind.payload.size());
}

bool IsFinalResult(int32_t id) {
  return id == kIndOk || IsFailureResult(id);
}

bool IsFailureResult(int32_t id) {
  return id == kIndError || id == kIndCmsError || id == kIndCmeError;
}

}  // namespace modlink_cli
