// SMS answers and notices of the card: messages read from storage, message
// lists, delivery reports, new-message notices, store full, SMS errors, the
// message format, the service centre, the storage counters, the results of
// sending, storing and tagging, the packet-domain SMS preference, the
// validity period and the reference counter.
//
// Threads: every handler runs on the reader thread. The stored settings
// SmsStorage and SmsReadIndex are also written by the SMS requests on client
// threads: single 32-bit atomics, last writer wins.
//
// Messages arrive in PDU mode as two lines, a header and a line of
// hexadecimal PDU text. A handler of such a pair answers -1 until both lines
// have fully arrived (the parser keeps the bytes for the next read), so a
// message is never posted from half a PDU. Every single-line handler also
// waits for its line end and scans only inside its line.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "modlink/linklayer/linklayer.h"
#include "modlink/textcoding/clock_record.h"

namespace modlink {

// ---- Records posted to the client (packed little-endian by PackRecord) ----

constexpr size_t kSmsRecordSize = 732;
constexpr size_t kSmsRecordAddress = 36;
constexpr size_t kSmsRecordText = 668;

// IndicationIds 115, 126, 136 and 199.
struct SmsRecord {
  int32_t m_nIndex;       // SmsReadIndex (115, 136), list index (126), 0 (199)
  uint8_t m_nStatus;
  uint8_t m_nAddressType;  // 145 international, 129 unknown, 208 alphanumeric
  uint8_t m_bReport;       // 1 for a delivery report
  uint8_t m_nReserved;
  ClockRecord m_Time;
  char m_strAddress[kSmsRecordAddress];
  int32_t m_nConcatRef;
  int32_t m_nConcatTotal;
  int32_t m_nConcatSeq;
  char m_strText[kSmsRecordText];
};
static_assert(sizeof(SmsRecord) == kSmsRecordSize, "SmsRecord is 732 bytes");
static_assert(offsetof(SmsRecord, m_nStatus) == 4, "SmsRecord layout");
static_assert(offsetof(SmsRecord, m_nAddressType) == 5, "SmsRecord layout");
static_assert(offsetof(SmsRecord, m_bReport) == 6, "SmsRecord layout");
static_assert(offsetof(SmsRecord, m_Time) == 8, "SmsRecord layout");
static_assert(offsetof(SmsRecord, m_strAddress) == 16, "SmsRecord layout");
static_assert(offsetof(SmsRecord, m_nConcatRef) == 52, "SmsRecord layout");
static_assert(offsetof(SmsRecord, m_nConcatTotal) == 56, "SmsRecord layout");
static_assert(offsetof(SmsRecord, m_nConcatSeq) == 60, "SmsRecord layout");
static_assert(offsetof(SmsRecord, m_strText) == 64, "SmsRecord layout");

// IndicationId 116.
struct NewSmsRecord {
  int32_t m_nStorage;  // 0 "SM", 1 "ME"
  int32_t m_nIndex;
  uint8_t m_nReserved[8];
};
static_assert(sizeof(NewSmsRecord) == 16, "NewSmsRecord is 16 bytes");
static_assert(offsetof(NewSmsRecord, m_nIndex) == 4, "NewSmsRecord layout");

// IndicationId 123: per storage, whether it is phone memory ("ME"/"MT"),
// then used and total.
struct SmsMemoryRecord {
  struct Memory {
    int32_t m_bPhone;
    int32_t m_nUsed;
    int32_t m_nTotal;
  } m_Memory[3];
};
static_assert(sizeof(SmsMemoryRecord) == 36, "SmsMemoryRecord is 36 bytes");

// IndicationId 135; its first five bytes are also what
// Dll_SetSmsValidatePeriodReq reads. The values of "AT+CMVP=a,b,c,d".
struct ValidityRecord {
  uint16_t m_nFirst;
  uint8_t m_nSecond;
  uint8_t m_nThird;
  uint8_t m_nFourth;
  uint8_t m_nReserved[3];
};
static_assert(sizeof(ValidityRecord) == 8, "ValidityRecord is 8 bytes");
static_assert(offsetof(ValidityRecord, m_nSecond) == 2, "ValidityRecord layout");
static_assert(offsetof(ValidityRecord, m_nFourth) == 4, "ValidityRecord layout");

// The little-endian bytes the client receives.
void PackRecord(const SmsRecord& record, uint8_t (&out)[sizeof(SmsRecord)]);
void PackRecord(const NewSmsRecord& record, uint8_t (&out)[sizeof(NewSmsRecord)]);
void PackRecord(const SmsMemoryRecord& record, uint8_t (&out)[sizeof(SmsMemoryRecord)]);
void PackRecord(const ValidityRecord& record, uint8_t (&out)[sizeof(ValidityRecord)]);

// ---- Stored settings (one instance each, for the life of the library) ----

// The selected message storage: 0 SIM, 1 phone. Written by a quoted "+CPMS:"
// answer and by Dll_SMSStorageReq.
extern std::atomic<int32_t> SmsStorage;
// The index of the last read request; the read answer carries it.
extern std::atomic<int32_t> SmsReadIndex;

// ---- Handlers (rows of the response table) ----

// "+CMGSO:" (113), "+CGSMS:" (134), "+CMGRF:" (197): one byte.
int32_t SmsByteHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+CMGRO:", "+CMGRD:" (115), "+CLASS0:" (136): a message read.
int32_t SmsReadHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+CMGL:" (126): one message of a list.
int32_t SmsListHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+CMGL: (" (117): the supported status values of "AT+CMGL=?".
int32_t SmsListInfoHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+CDS:" (199): a delivery report.
int32_t SmsReportHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+CMTI:" (116): a new message was stored.
int32_t SmsNewHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+SMS_FULL" (118).
int32_t SmsFullHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+CMS ERROR:" (119): ends the command.
int32_t SmsErrorHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+CMGF:" (120).
int32_t SmsFormatHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+CSCA:" (121).
int32_t SmsCentreHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+CPMS:" (123).
int32_t SmsStorageHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// ">" (122): the card's prompt; ends the command, posts nothing.
int32_t SmsPromptHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+CMGWO:" (124), "+CMSS:" (125): a 32-bit number.
int32_t SmsSaveHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+CMVP:" (135).
int32_t SmsValidityHandler(linklayer& link, int32_t id, const char* text, int32_t available);
// "+CMGWT:" (198).
int32_t SmsTagHandler(linklayer& link, int32_t id, const char* text, int32_t available);

}  // namespace modlink
