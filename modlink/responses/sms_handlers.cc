// SMS response handlers; reader thread only (see sms_handlers.h).
#include "modlink/responses/sms_handlers.h"

#include <cstring>

#include "modlink/responses/parsing.h"
#include "modlink/responses/record_packing.h"
#include "modlink/textcoding/charset.h"
#include "modlink/textcoding/pdu_decoder.h"

namespace modlink {

std::atomic<int32_t> SmsStorage{0};
std::atomic<int32_t> SmsReadIndex{0};

namespace {

// ---- Little-endian packing ----


template <typename Record>
void PostRecord(linklayer& link, int32_t id, const Record& record) {
  uint8_t bytes[sizeof(Record)];
  PackRecord(record, bytes);
  link.Post(id, bytes, static_cast<int32_t>(sizeof bytes));
}

void PostI32(linklayer& link, int32_t id, int32_t value) {
  uint8_t bytes[4];
  RecordWriter(bytes).AppendI32(value);
  link.Post(id, bytes, 4);
}

// ---- Lines ----

constexpr int32_t kMaxErrorText = 259;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Where the PDU line after a message header lies.
struct PduLine {
  int32_t start = 0;
  int32_t length = 0;
  int32_t end = 0;  // bytes used: through the CRs and LFs after the PDU line
  bool present = false;
};

enum class PduState { kComplete, kIncomplete, kAbsent };

// The header starts at text[0]; the PDU is the next non-empty line. It is
// complete once its own line end has arrived. A next line that is not all
// hexadecimal digits (a final "OK", "ERROR", another answer) means the card
// sent no PDU: then only the header line is used.
PduState LocatePdu(const char* text, int32_t available, PduLine* pdu) {
  LineCursor c(text, available);
  const int32_t headerEnd = c.LineEnd(true);
  if (headerEnd < 0) return PduState::kIncomplete;
  c.SetPos(headerEnd);
  while (!c.AtEnd() && (c.Peek() == '\r' || c.Peek() == '\n')) c.Skip();
  if (c.AtEnd()) return PduState::kIncomplete;
  if (!IsHexDigit(c.Peek())) {
    pdu->end = c.Pos();
    return PduState::kAbsent;
  }
  pdu->start = c.Pos();
  const int32_t pduEnd = c.LineEnd(true);
  if (pduEnd < 0) return PduState::kIncomplete;
  for (int32_t i = pdu->start; i < pduEnd; ++i) {
    if (!IsHexDigit(text[i])) {
      pdu->end = pdu->start;
      return PduState::kAbsent;
    }
  }
  pdu->length = pduEnd - pdu->start;
  c.SetPos(pduEnd);
  while (!c.AtEnd() && (c.Peek() == '\r' || c.Peek() == '\n')) c.Skip();
  pdu->end = c.Pos();
  pdu->present = true;
  return PduState::kComplete;
}

// Decodes the PDU into a zero-filled record; returns DecodePdu's result.
int32_t DecodeInto(const char* pdu, int32_t length, SmsRecord* record) {
  DecodedSms sms;
  const int32_t result = DecodePdu(pdu, static_cast<size_t>(length), &sms);
  record->m_nAddressType = sms.m_nAddressType;
  static_assert(sizeof record->m_strAddress > sizeof sms.m_strAddress, "address fits");
  static_assert(sizeof record->m_strText > sizeof sms.m_strText, "text fits");
  std::memcpy(record->m_strAddress, sms.m_strAddress, sizeof sms.m_strAddress);
  std::memcpy(record->m_strText, sms.m_strText, sizeof sms.m_strText);
  record->m_strAddress[sizeof sms.m_strAddress - 1] = '\0';
  record->m_nConcatRef = sms.m_nConcatRef;
  record->m_nConcatTotal = sms.m_nConcatTotal;
  record->m_nConcatSeq = sms.m_nConcatSeq;
  TimeStampToClock(&record->m_Time, sms.m_strTimeStamp);
  return result;
}

// The common part of the read, list and report answers: waits for the PDU
// line, decodes it into *record and returns the bytes used; -1 while
// incomplete. A header without a PDU line posts nothing (*posted false).
int32_t DecodeMessage(const char* text, int32_t available, SmsRecord* record,
                      int32_t* decodeResult, bool* posted) {
  PduLine pdu;
  switch (LocatePdu(text, available, &pdu)) {
    case PduState::kIncomplete:
      return kIncomplete;
    case PduState::kAbsent:
      TraceLog("Err: SMS header without PDU line\n");
      *posted = false;
      return pdu.end;
    case PduState::kComplete:
      break;
  }
  *decodeResult = DecodeInto(text + pdu.start, pdu.length, record);
  *posted = true;
  return pdu.end;
}

}  // namespace

// ---- Packing ----

void PackRecord(const SmsRecord& r, uint8_t (&out)[sizeof(SmsRecord)]) {
  RecordWriter p(out);
  p.AppendI32(r.m_nIndex);
  p.AppendU8(r.m_nStatus);
  p.AppendU8(r.m_nAddressType);
  p.AppendU8(r.m_bReport);
  p.AppendU8(0);
  p.AppendClock(r.m_Time);
  p.AppendBytes(r.m_strAddress, sizeof r.m_strAddress);
  p.AppendI32(r.m_nConcatRef);
  p.AppendI32(r.m_nConcatTotal);
  p.AppendI32(r.m_nConcatSeq);
  p.AppendBytes(r.m_strText, sizeof r.m_strText);
}

void PackRecord(const NewSmsRecord& r, uint8_t (&out)[sizeof(NewSmsRecord)]) {
  RecordWriter p(out);
  p.AppendI32(r.m_nStorage);
  p.AppendI32(r.m_nIndex);
}

void PackRecord(const SmsMemoryRecord& r, uint8_t (&out)[sizeof(SmsMemoryRecord)]) {
  RecordWriter p(out);
  for (const SmsMemoryRecord::Memory& m : r.m_Memory) {
    p.AppendI32(m.m_bPhone);
    p.AppendI32(m.m_nUsed);
    p.AppendI32(m.m_nTotal);
  }
}

void PackRecord(const ValidityRecord& r, uint8_t (&out)[sizeof(ValidityRecord)]) {
  RecordWriter p(out);
  p.AppendU16(r.m_nFirst);
  p.AppendU8(r.m_nSecond);
  p.AppendU8(r.m_nThird);
  p.AppendU8(r.m_nFourth);
}

// ---- Messages ----

namespace {

// The header's record completed from the PDU line and posted; the bytes
// used, or kIncomplete until the PDU line is whole.
int32_t DecodeAndPost(linklayer& link, int32_t id, const char* text, int32_t available,
                      SmsRecord& record) {
  int32_t decoded = 0;
  bool posted = false;
  const int32_t used = DecodeMessage(text, available, &record, &decoded, &posted);
  if (used < 0) return kIncomplete;
  if (posted) PostRecord(link, id, record);
  return used;
}

}  // namespace

int32_t SmsReadHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_SmsMtReadInd\n");
  const int32_t lineLength = LineLength(text, available);
  if (lineLength < 0) return kIncomplete;
  LineCursor header(text, lineLength);
  header.Skip(id == 136 ? 8 : 7);  // "+CLASS0:" or "+CMGRO:" / "+CMGRD:"
  header.SkipBlanks();
  SmsRecord record{};
  record.m_nStatus = 255;
  const char c = header.Peek();
  if (c >= '0' && c <= '9') record.m_nStatus = static_cast<uint8_t>(c - '0');
  record.m_nIndex = SmsReadIndex.load();
  return DecodeAndPost(link, id, text, available, record);
}

int32_t SmsListHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_SmsMtListInd\n");
  const int32_t lineLength = LineLength(text, available);
  if (lineLength < 0) return kIncomplete;
  LineCursor header(text, lineLength);
  header.Skip(6);  // "+CMGL:"
  header.SkipBlanks();
  SmsRecord record{};
  record.m_nIndex = static_cast<int32_t>(header.Decimal32());
  header.Skip();
  const char c = header.Peek();
  if (c >= '0' && c <= '9') record.m_nStatus = static_cast<uint8_t>(c - '0');
  return DecodeAndPost(link, id, text, available, record);
}

int32_t SmsReportHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("SmsCDSInd\n");
  SmsRecord record{};
  int32_t status = 0;
  bool posted = false;
  const int32_t used = DecodeMessage(text, available, &record, &status, &posted);
  if (used < 0) return kIncomplete;
  if (posted) {
    record.m_nIndex = 0;
    record.m_nStatus = status == 0 ? 7 : 8;
    record.m_bReport = 1;
    PostRecord(link, id, record);
  }
  return used;
}

int32_t SmsListInfoHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("SmsListInfoInd\n");
  const int32_t lineLength = LineLength(text, available);
  if (lineLength < 0) return kIncomplete;
  LineCursor line(text, lineLength);
  line.Skip(6);  // "+CMGL:"
  line.SkipBlanks();
  if (line.Peek() == '(') line.Skip();
  const int32_t start = line.Pos();
  const int32_t length = line.CopyUntil(nullptr, 0, ')');
  link.Post(id, text + start, length < kMaxErrorText ? length : kMaxErrorText);
  if (line.Peek() == ')') line.Skip();
  return line.Pos();
}

int32_t SmsNewHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  const int32_t lineLength = LineLength(text, available);
  if (lineLength < 0) return kIncomplete;
  TraceLogf("SmsMtNewInd%.*s\n", static_cast<int>(lineLength), text);
  LineCursor line(text, lineLength);
  line.Skip(6);  // "+CMTI:"
  line.SkipBlanks();
  NewSmsRecord record{};
  if (StartsWithNoCase(line, "\"SM\"")) {
    record.m_nStorage = 0;
  } else if (StartsWithNoCase(line, "\"ME\"")) {
    record.m_nStorage = 1;
  } else {
    return lineLength;
  }
  while (!line.AtEnd() && !(line.Peek() >= '0' && line.Peek() <= '9')) line.Skip();
  record.m_nIndex = static_cast<int32_t>(line.Decimal32());
  PostRecord(link, id, record);
  return line.Pos();
}

int32_t SmsFullHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("SmsFullInd\n");
  const int32_t lineLength = LineLength(text, available);
  if (lineLength < 0) return kIncomplete;
  link.PostByte(id, 0);
  return lineLength;
}

int32_t SmsErrorHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("SmsFailInd\n");
  // The error is only complete with its line end; the writer is released
  // then, once, so a second run cannot release it for a later command.
  const int32_t lineLength = LineLength(text, available);
  if (lineLength < 0) return kIncomplete;
  link.m_hAnswerEvent.Set();
  LineCursor line(text, lineLength);
  line.Skip(11);  // "+CMS ERROR:"
  line.SkipBlanks();
  const int32_t start = line.Pos();
  const int32_t length = lineLength - start;
  link.Post(id, text + start, length < kMaxErrorText ? length : kMaxErrorText);
  return lineLength;
}

int32_t SmsFormatHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("SmsFormatInd\n");
  const int32_t lineLength = LineLength(text, available);
  if (lineLength < 0) return kIncomplete;
  LineCursor line(text, lineLength);
  line.Skip(6);  // "+CMGF:"
  line.SkipBlanks();
  uint8_t format = 0;
  if (line.Peek() >= '0' && line.Peek() <= '9') {
    format = static_cast<uint8_t>(line.Peek() - '0');
    line.Skip();
  }
  link.PostByte(id, format);
  return line.Pos();
}

int32_t SmsCentreHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("SmsCenterInd\n");
  const int32_t lineLength = LineLength(text, available);
  if (lineLength < 0) return kIncomplete;
  LineCursor line(text, lineLength);
  line.Skip(6);  // "+CSCA:"
  while (line.Peek() == ' ' || line.Peek() == '"') line.Skip();
  const int32_t start = line.Pos();
  while ((line.Peek() >= '0' && line.Peek() <= '9') || (line.Peek() >= 'A' && line.Peek() <= 'F'))
    line.Skip();
  char number[161];
  const size_t n = Ucs2HexToAnsi(text + start, static_cast<size_t>(line.Pos() - start), number,
                                 sizeof number);
  link.Post(id, number, static_cast<int32_t>(n));
  return line.Pos();
}

int32_t SmsStorageHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("SmsStroageInd\n");
  const int32_t lineLength = LineLength(text, available);
  if (lineLength < 0) return kIncomplete;
  LineCursor line(text, lineLength);
  line.Skip(6);  // "+CPMS:"
  line.SkipBlanks();
  SmsMemoryRecord record{};
  auto number = [&line] { return static_cast<int32_t>(line.Decimal32()); };
  if (line.Peek() == '"') {
    // The query answer: "MEM",used,total three times.
    for (int i = 0; i < 3; ++i) {
      if (i > 0) {
        if (line.Peek() != '"') break;
      }
      line.Skip();  // the opening quote
      const bool phone = line.Peek() == 'M' && (line.Peek(1) == 'E' || line.Peek(1) == 'T');
      record.m_Memory[i].m_bPhone = phone ? 1 : 0;
      if (i == 0) SmsStorage.store(record.m_Memory[i].m_bPhone);
      line.Skip(4);  // name, quote, comma
      record.m_Memory[i].m_nUsed = number();
      line.Skip();
      record.m_Memory[i].m_nTotal = number();
      if (i < 2) line.Skip();
    }
  } else {
    // The answer to a set command: six numbers.
    for (int i = 0; i < 3; ++i) {
      record.m_Memory[i].m_nUsed = number();
      line.Skip();
      record.m_Memory[i].m_nTotal = number();
      if (i < 2) line.Skip();
    }
  }
  PostRecord(link, id, record);
  return line.Pos();
}

int32_t SmsPromptHandler(linklayer& link, int32_t, const char* text, int32_t available) {
  TraceLog("SmsNewLineInd\n");
  link.m_hAnswerEvent.Set();
  // "> ": no line end follows the prompt.
  return available >= 2 && text[1] == ' ' ? 2 : 1;
}

int32_t SmsSaveHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("SmsSaveInd\n");
  const int32_t lineLength = LineLength(text, available);
  if (lineLength < 0) return kIncomplete;
  LineCursor line(text, lineLength);
  line.Skip(id == 124 ? 7 : 6);  // "+CMGWO:" or "+CMSS:"
  line.SkipBlanks();
  PostI32(link, id, static_cast<int32_t>(line.Decimal32()));
  return line.Pos();
}

int32_t SmsByteHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  switch (id) {
    case 113:
      TraceLog("dll_SmsMorspInd\n");
      break;
    case 134:
      TraceLog("SmsChannelInd\n");
      break;
    case 197:
      TraceLog("Dll_GetSMSRefReq\n");
      break;
    default:
      break;
  }
  return PostDecimalByte(link, id, text, available);
}

int32_t SmsValidityHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("SmsValidatePeriodInd\n");
  const int32_t lineLength = LineLength(text, available);
  if (lineLength < 0) return kIncomplete;
  LineCursor line(text, lineLength);
  line.Skip(6);  // "+CMVP:"
  while (line.Peek() == ' ' || line.Peek() == '"') line.Skip();
  ValidityRecord record{};
  record.m_nFirst = line.Decimal16();
  line.Skip();
  record.m_nSecond = line.Decimal8();
  line.Skip();
  record.m_nThird = line.Decimal8();
  line.Skip();
  record.m_nFourth = line.Decimal8();
  line.Skip();
  PostRecord(link, id, record);
  return line.Pos();
}

int32_t SmsTagHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("Dll_SetSMSTagReq\n");
  const int32_t lineLength = LineLength(text, available);
  if (lineLength < 0) return kIncomplete;
  LineCursor line(text, lineLength);
  line.Skip(7);  // "+CMGWT:"
  line.SkipBlanks();
  const uint32_t index = line.Decimal32();
  line.Skip();
  line.Decimal32();  // the tag, not delivered
  uint8_t bytes[2];
  RecordWriter(bytes).AppendU16(static_cast<uint16_t>(index & 0xFFFF));
  link.Post(id, bytes, 2);
  return line.Pos();
}

}  // namespace modlink
