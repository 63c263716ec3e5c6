// Network, call and status lines. Every handler that reads past its prefix
// first makes sure the line has ended in the data (else -1: the parser keeps
// the bytes for the next read) and then reads only within the line.
#include "modlink/responses/network_handlers.h"

#include <cstring>

#include "modlink/responses/parsing.h"
#include "modlink/responses/record_packing.h"
#include "modlink/textcoding/clock_record.h"

namespace modlink {
namespace {

uint8_t DigitValue(char c) { return static_cast<uint8_t>(static_cast<uint8_t>(c) - 48); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int32_t ModemHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("ModemHandler\n");
  struct State {
    const char* text;
    int32_t id;
  } states[] = {{"modem closed!", id}, {"modem background", 202}, {"modem active", 201}};
  for (const State& s : states) {
    const auto n = static_cast<int32_t>(std::strlen(s.text));
    if (available >= n && std::memcmp(text, s.text, static_cast<size_t>(n)) == 0) {
      link.PostByte(s.id, 0);
      return n;
    }
  }
  if (LineLength(text, available) < 0) return kIncomplete;
  return kMalformed;
}

int32_t RegistrationHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog(id == 109 ? "dll_NetworkServiceInd\n" : "dll_PsNetworkServiceInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.Skip(id == 109 ? 6 : 7);
  line.SkipOneBlank();
  uint8_t payload[2];
  const char first = line.Peek();
  const char after = line.Peek(1);
  int32_t used;
  if (after == ' ' || after == ',') {
    payload[0] = DigitValue(first);
    payload[1] = DigitValue(line.Peek(2));
    used = line.Pos() + 3;
  } else {
    payload[0] = 1;
    payload[1] = DigitValue(first);
    used = line.Pos() + 1;
  }
  link.Post(id, payload, 2);
  return used < end ? used : end;
}

int32_t TechnologyHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_NetworkModeInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  {
    char shown[300];
    LineCursor rest(text, end);
    rest.SetPos(9);
    rest.CopyUntil(shown, sizeof shown - 1, '\r');
    std::strcat(shown, "\n");
    TraceLog(shown);
  }
  LineCursor line(text, end);
  line.SetPos(9);
  line.SkipBlanks();
  static const char* const kNames[10][3] = {
      {"NONE"}, {"GSM"}, {"GPRS"}, {"EDGE"}, {"UMTS"},
      {"HSDPA+HSUPA", "HSUPA", "HSPA"}, {"HSDPA"}, {"CDMA"}, {"TDSCDMA"}, {"LTE"}};
  uint8_t code = 0;
  for (uint8_t c = 0; c < 10 && code == 0; ++c) {
    for (const char* name : kNames[c]) {
      if (name != nullptr && StartsWithNoCase(line, name)) {
        code = c;
        break;
      }
    }
  }
  link.m_b3GNetwork = (code >= 4 && code <= 9) ? 1 : 0;
  link.PostByte(id, code);
  // Through the carriage return; nothing after it.
  return text[end] == '\r' ? end + 1 : end;
}

int32_t ClockHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_timeInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.Skip(6);
  line.SkipBlanks();
  const uint16_t year = line.Decimal16();
  line.Skip();
  uint8_t fields[5];
  for (uint8_t& f : fields) {
    f = line.Decimal8();
    line.Skip();
  }
  uint8_t record[sizeof(ClockRecord)];
  RecordWriter w(record, sizeof record);
  w.U16(offsetof(ClockRecord, m_nYear), year);
  w.U8(offsetof(ClockRecord, m_nMonth), fields[0]);
  w.U8(offsetof(ClockRecord, m_nDay), fields[1]);
  w.U8(offsetof(ClockRecord, m_nHour), fields[2]);
  w.U8(offsetof(ClockRecord, m_nMinute), fields[3]);
  w.U8(offsetof(ClockRecord, m_nSecond), fields[4]);
  link.Post(id, record, sizeof record);
  return end;
}

namespace {
// One or two digits before `stop`: a single byte is its digit value, more
// give 10 x first + second.
uint8_t SmallNumber(LineCursor& line, char stop) {
  int32_t count = 0;
  while (line.Peek(count) != '\0' && line.Peek(count) != stop) ++count;
  if (count == 1) {
    const uint8_t v = DigitValue(line.Peek());
    line.Skip();
    return v;
  }
  const uint8_t v = static_cast<uint8_t>(DigitValue(line.Peek()) * 10 + DigitValue(line.Peek(1)));
  line.Skip(2);
  return v;
}
}  // namespace

int32_t SignalHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_SignalInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.SetPos(5);
  line.SkipOneBlank();
  uint8_t payload[2];
  payload[0] = SmallNumber(line, ',');
  line.SkipPast(',');
  payload[1] = SmallNumber(line, '\r');
  link.Post(id, payload, 2);
  return text[end] == '\r' ? end + 1 : end;
}

namespace {

// Copies up to the next double quote (within the line) into a field and
// passes the closing quote.
void QuotedField(LineCursor& line, char* field, size_t size) {
  if (line.Peek() == '"') line.Skip();
  line.CopyUntil(field, size, '"');
  if (line.Peek() == '"') line.Skip();
}

void PassIf(LineCursor& line, char c) {
  if (line.Peek() == c) line.Skip();
}

}  // namespace

int32_t OperatorHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_PLMNListInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  const int32_t used = ThroughLineEndFrom(text, available, end);
  LineCursor line(text, end);
  line.Skip(6);
  line.SkipBlanks();
  const char first = line.Peek();
  if (first == ',') {
    link.Post(id, nullptr, 0);
    return used;
  }
  if (IsLetter(first)) {
    link.PostByte(168, StartsWithNoCase(line, "IN SERVICE") ? 1 : 0);
    return used;
  }
  if (first == '(') {
    uint8_t list[kOperatorEntrySize * kMaxOperators];
    int count = 0;
    while (count < kMaxOperators && !line.AtEnd()) {
      PassIf(line, '(');
      PassIf(line, ',');
      int32_t status = 0, technology = 0;
      if (IsDigit(line.Peek())) {
        status = DigitValue(line.Peek());
        line.Skip();
      }
      PassIf(line, ',');
      char longName[64], shortName[20], numeric[12];
      QuotedField(line, longName, sizeof longName);
      PassIf(line, ',');
      QuotedField(line, shortName, sizeof shortName);
      PassIf(line, ',');
      QuotedField(line, numeric, sizeof numeric);
      PassIf(line, ',');
      if (IsDigit(line.Peek())) technology = DigitValue(line.Peek());
      RecordWriter w(list + kOperatorEntrySize * static_cast<size_t>(count), kOperatorEntrySize);
      w.I32(0, status);
      w.Text(4, 64, longName, sizeof longName);
      w.Text(68, 20, shortName, sizeof shortName);
      w.Text(88, 12, numeric, sizeof numeric);
      w.I32(100, technology);
      ++count;
      if (!line.SkipPast(')')) break;
      PassIf(line, ',');
      if (line.Peek() == ',') break;  // ",," ends the list
    }
    link.Post(id, list, static_cast<int32_t>(kOperatorEntrySize) * count);
    return used;
  }
  // The current operator: mode[,format,"operator"[,technology]].
  int32_t mode = 0, format = 0, technology = 0;
  if (IsDigit(first)) {
    mode = DigitValue(first);
    line.Skip();
  }
  if (line.Peek() == ',') {
    line.Skip();
    if (IsDigit(line.Peek())) {
      format = DigitValue(line.Peek());
      line.Skip();
    }
    PassIf(line, ',');
    char name[64];
    QuotedField(line, name, sizeof name);
    PassIf(line, ',');
    if (IsDigit(line.Peek())) technology = DigitValue(line.Peek());
    uint8_t record[kOperatorRecordSize];
    RecordWriter w(record, sizeof record);
    w.I32(0, mode);
    w.I32(4, format);
    w.Text(8, 64, name, sizeof name);
    w.I32(72, technology);
    link.Post(155, record, sizeof record);
  }
  return used;
}

int32_t DecimalPrefHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  switch (id) {
    case 173: TraceLog("dll_NetModePrefInd\n"); break;
    case 176: TraceLog("dll_NetAcqSeqPrefInd\n"); break;
    case 177: TraceLog("dll_NetTrafficDomainPrefInd\n"); break;
    default: TraceLog("dll_PhoneFuncInd\n"); break;
  }
  return PostDecimalByte(link, id, text, available);
}

int32_t BandPrefHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_NetBandPrefInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.Skip(6);
  line.SkipBlanks();
  uint64_t mask = 0;
  int32_t used = line.Pos();
  if (line.Peek() == '0' && line.Peek(1) == 'x') {
    line.Skip(2);
    for (int i = 0; i < 16; ++i) {
      const int v = HexValue(line.Peek(i));
      mask = (mask << 4) | static_cast<uint64_t>(v < 0 ? 0 : v);
    }
    used = line.Pos() + 16 < end ? line.Pos() + 16 : end;
  }
  uint8_t payload[8];
  RecordWriter w(payload, sizeof payload);
  w.U64(0, mask);
  link.Post(id, payload, 8);
  return used;
}

int32_t RoamPrefHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_NetRoamPrefInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.Skip(6);
  line.SkipBlanks();
  uint8_t value = 0;
  for (int v; (v = HexValue(line.Peek())) >= 0; line.Skip())
    value = static_cast<uint8_t>(value * 16 + v);
  link.PostByte(id, value);
  return line.Pos();
}

int32_t DiagInfoHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_PhoneDiagInfoInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.Skip(6);
  line.SkipOneBlank();
  uint8_t record[kDiagInfoRecordSize];
  RecordWriter w(record, sizeof record);
  for (int field = 0; field < 8; ++field) {
    char value[16];
    line.CopyUntil(value, sizeof value, ',');
    w.Text(static_cast<size_t>(field) * 16, 16, value, sizeof value);
    if (line.AtEnd()) break;
    line.Skip();  // the comma
  }
  link.Post(id, record, sizeof record);
  return line.Pos();
}

int32_t CallBeginHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_CallstateInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  link.PostByte(id, 1);
  // The prefix and the byte after it, normally the carriage return.
  return end >= 17 ? 18 : end + 1;
}

int32_t CallEndHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_CallrelInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  if (available <= 16) return kMalformed;
  LineCursor line(text, end);
  line.SetPos(16);
  PassIf(line, ' ');
  PassIf(line, ':');
  PassIf(line, ' ');
  link.PostByte(id, 0);
  // The six-digit call duration is consumed, never the next line.
  const int32_t used = line.Pos() + 6;
  return used < end ? used : end;
}

int32_t CallingNumberHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_CallingNumInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.Skip(6);
  while (line.Peek() == ' ' || line.Peek() == '"') line.Skip();
  char number[260];
  size_t n = 0;
  while (!line.AtEnd() && line.Peek() != '"' && line.Peek() != ',' && n < 259) {
    number[n++] = line.Peek();
    line.Skip();
  }
  link.Post(id, number, static_cast<int32_t>(n));
  return end;
}

int32_t RingHandler(linklayer& link, int32_t id, const char*, int32_t) {
  TraceLog("dll_IncomingcallInd\n");
  link.PostByte(id, 4);
  return 4;
}

int32_t ZeroByteLineHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  switch (id) {
    case 107: TraceLog("dll_MissedcallInd\n"); break;
    case 164: TraceLog("dll_VpRingBackInd\n"); break;
    default: TraceLog("dll_VpConnectedInd\n"); break;
  }
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  link.PostByte(id, 0);
  return end;
}

int32_t NoCarrierHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_NoCarrierInd\n");
  const int32_t end = LineLength(text, available);
  // The answer event is set once the line is whole, so the same line seen
  // again on a later read cannot release the writer a second time.
  if (end < 0) return kIncomplete;
  link.m_hAnswerEvent.Set();
  link.PostByte(id, 0);
  return end;
}

int32_t VideoTextHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog(id == 166 ? "dll_VpIncomingInd\n" : "dll_VpCallEndInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.Skip(id == 166 ? 7 : 5);
  line.SkipBlanks();
  char value[260];
  line.CopyUntil(value, sizeof value, '\r');
  link.Post(id, value, static_cast<int32_t>(std::strlen(value)) + 1);
  return end;
}

int32_t CallForwardHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_CallForwardStateInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  link.m_hAnswerEvent.Set();
  LineCursor line(text, end);
  line.Skip(6);
  line.SkipBlanks();
  if (line.Peek() == '(') return end;  // the test command's answer
  const int32_t status = static_cast<int32_t>(line.Peek()) - 48;
  line.Skip();
  enum class Field { Skipping, Number, Type, Subaddress, SubaddressType, Time } state = Field::Skipping;
  char number[24] = {};
  size_t digits = 0;
  // Fields keep their 32-bit width: overlong digit runs wrap.
  uint32_t type = 0, time = 0;
  while (!line.AtEnd()) {
    const char b = line.Peek();
    if (IsDigit(b) || b == '+') {
      const auto digit = static_cast<uint32_t>(static_cast<int32_t>(b) - 48);
      if (state == Field::Number && digits < 23) number[digits++] = b;
      if (state == Field::Type) type = type * 10u + digit;
      if (state == Field::Time) time = time * 10u + digit;
      line.Skip();
      continue;
    }
    if (state == Field::Number) {
      number[digits] = '\0';
      line.Skip();
      if (line.AtEnd()) break;
    }
    const char now = line.Peek();
    if (now == ',') {
      switch (state) {
        case Field::Number: state = Field::Type; break;
        case Field::Type: state = Field::Subaddress; break;
        case Field::Subaddress: state = Field::SubaddressType; break;
        case Field::SubaddressType: state = Field::Time; break;
        default: break;
      }
    } else if (now == '"') {
      state = Field::Number;
    }
    line.Skip();
  }
  uint8_t record[kCallForwardRecordSize];
  RecordWriter w(record, sizeof record);
  w.I32(0, status);
  w.Text(4, 24, number, sizeof number);
  w.I32(28, static_cast<int32_t>(type));
  w.I32(32, static_cast<int32_t>(time));
  link.Post(id, record, sizeof record);
  return end;
}

int32_t CallWaitHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_CallWaitStateInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  link.m_hAnswerEvent.Set();
  LineCursor line(text, end);
  line.Skip(6);
  line.SkipBlanks();
  if (line.Peek() != '(') link.PostByte(id, DigitValue(line.Peek()));
  return end;
}

int32_t AutoAnswerHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_AutoAnswerInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.Skip(12);
  line.SkipOneBlank();
  link.PostByte(id, line.Decimal8());
  return line.Pos();
}

}  // namespace modlink
