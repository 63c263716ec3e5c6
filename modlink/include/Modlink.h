/* Modlink: the client interface of the USB 3G data card library.
 *
 * The client gives the library a notification handle (Dll_SetNotify), waits
 * on it, and on each wake-up calls Dll_ReadDate until it returns false; each
 * call yields one indication: its id and payload. Requests (Dll_...Req and
 * the others) only queue an AT command line and return at once; the card's
 * answer arrives later as indications.
 *
 * Types: pointers are native width; integers are 32 bits; booleans are
 * MODLINK_BOOL of which only the low byte is defined. On Windows every
 * export is __stdcall and the notification handle is an event HANDLE; on
 * POSIX it is a file descriptor (an eventfd) that the library signals by
 * writing the 8-byte value 1.
 */
#ifndef MODLINK_H
#define MODLINK_H

#include <stdint.h>

#ifdef _WIN32
#define MODLINK_CALL __stdcall
typedef void* MODLINK_NOTIFY_HANDLE; /* HANDLE */
#else
#define MODLINK_CALL
typedef int MODLINK_NOTIFY_HANDLE;
#endif

#if defined(MODLINK_BUILDING_LIBRARY) && !defined(_WIN32)
#define MODLINK_EXPORT __attribute__((visibility("default")))
#else
#define MODLINK_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t MODLINK_BOOL;

/* The 16-byte time record of Dll_GetLocalTime (the Windows SYSTEMTIME
 * layout): day of week 1 (Sunday) to 7 (Saturday). */
typedef struct ModlinkTime {
  uint16_t wYear;
  uint16_t wMonth;
  uint16_t wDayOfWeek;
  uint16_t wDay;
  uint16_t wHour;
  uint16_t wMinute;
  uint16_t wSecond;
  uint16_t wMilliseconds;
} ModlinkTime;

/* Indications and notification. */
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_ReadDate(int32_t* id, void* buffer, int32_t* length);
MODLINK_EXPORT int32_t MODLINK_CALL Dll_SetNotify(MODLINK_NOTIFY_HANDLE handle);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_IsWriting(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_CTA(int32_t ignored);
MODLINK_EXPORT int32_t MODLINK_CALL Dll_GetLocalTime(ModlinkTime* time);
/* list: up to 10 slots of 128 bytes, each a zero-terminated modem device
 * name, ended by an empty slot; the library keeps the pointer. */
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetDynamicConfigModemReq(const char* list);

/* Ports. */
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SearchPort(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SearchVideoPort(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_Connect(int32_t a, int32_t b, int32_t c);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_Disconnect(int32_t ignored);
MODLINK_EXPORT int32_t MODLINK_CALL Dll_IsComPortOpen(void);
MODLINK_EXPORT uint8_t MODLINK_CALL Dll_IsDualPort(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_OpenVideoPort(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_CloseVideoPort(void);
MODLINK_EXPORT int32_t MODLINK_CALL Dll_ReadVideoCom(void* buffer, int32_t size);
MODLINK_EXPORT int32_t MODLINK_CALL Dll_WriteVideoCom(const void* buffer, int32_t size);
MODLINK_EXPORT intptr_t MODLINK_CALL Dll_GetVideoCom(void);

/* Raw AT command line (without line ending). */
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_RawCommandReq(const char* bytes, int32_t length);

/* Text checks on message text in the client's code page (length -1: up to
 * the terminating zero). */
MODLINK_EXPORT int32_t MODLINK_CALL Dll_GetSMSLen(const char* text, int32_t length);
MODLINK_EXPORT int32_t MODLINK_CALL Dll_IsPureAsciiString(const char* text, int32_t length, int32_t* shiftFlag);
MODLINK_EXPORT int32_t MODLINK_CALL Dll_IsPureAsciiString_PC(const char* text, int32_t length);
MODLINK_EXPORT int32_t MODLINK_CALL Dll_IsGsmExtCode(uint32_t character);
MODLINK_EXPORT int32_t MODLINK_CALL Dll_IsExtShiftCode(uint32_t character);

/* Requests: each queues one AT command line (or a few) and returns at once;
 * the card's answer arrives as indications. Booleans are read from their low
 * byte. The clock record of Dll_SetModemTime and of indication 110. */
typedef struct ModlinkClock {
  uint16_t year;
  uint8_t month, day, hour, minute, second, reserved;
} ModlinkClock;

/* Calls. */
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_CallMoReq(const char* number);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_CallReceive(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_CallRel(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_DTMF(int32_t tone);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_CallEcho(MODLINK_BOOL on);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_EnableCallIDReq(MODLINK_BOOL enable);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_AutoAnswerReq(uint32_t mode);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetAutoRx(int32_t rings);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_CallForwardStateReq(uint32_t reason, uint32_t mode, const char* number);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_CallWaitStateReq(uint32_t mode);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetCallNum(const char* number);
/* Video calls. */
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_QVPInitReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_QVPMoReq(const char* number);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_QVPMoReqLoopback(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_QVPAnswerReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_QVPEndReq(void);
/* Network and packet data. */
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetNetworkService(int32_t ignored);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_QueryNetworkService(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetSingalLevel(int32_t ignored);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_QueryCurrentOperator(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_QueryOperatorList(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SelectOperator(MODLINK_BOOL manual, const char* op, int32_t technology);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_CancelSearchOperator(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_NetworkModePreferenceReq(int32_t mode);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_BandPreferenceReq(uint32_t low, uint32_t high);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_RoamingPreferenceReq(int32_t mode);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_AcquireSequencePreferenceReq(int32_t order);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_TrafficDomainPreferenceReq(int32_t domain);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_HsdpaCategoryReq(int32_t category);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetRFFuncReq(int32_t level);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetPdpProfileReq(int32_t profile, const char* type, const char* apn);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetRmProfileReq(int32_t profile, const char* first, const char* second);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetPdpAuthTypeReq(int32_t profile, int32_t auth, const char* user, const char* password);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_ConnectNetWork(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_DisConnectNetWork(void);
/* Device, diagnostics and ports. */
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_VersionReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetAmssVerReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetMeIMEIReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetSimIMSIReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetModemState(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetModemTime(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetModemTime(const ModlinkClock* clock);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetDiagnosticInfoReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetDiagnosticInfoRptReq(int32_t interval);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_TurnDiagnosticOnOffReq(int32_t mode, const char* first, const char* second);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetFactoryModeReq(MODLINK_BOOL on);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetLedStateReq(int32_t state);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetSwitchModemReq(int32_t mode);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetSwitchModemReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SwitchAuxChannelReq(int32_t channel);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SwitchDualChannelReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SwitchMultiPortReq(int32_t mode);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetCharSetReq(int32_t set);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_PCMRegReq(int32_t value, int32_t ignored);
/* Audio. */
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetSpeakerVol(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetSpeakerVol(uint32_t level);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetMicVol(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetMicVol(uint32_t level);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetMicMute(MODLINK_BOOL mute);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetMicLoopbackReq(MODLINK_BOOL on);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetEarKeyState(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_EableEarKey(int32_t ignored);

/* SMS. Messages are composed from a part record and a text length; the
 * time-stamped requests take the clock record by value (a store or draft
 * with a valid time gets an absolute validity period). Coding: 0 GSM 7-bit,
 * 8 UCS-2, anything else 8-bit data. Language 1 adds the national-language
 * single shift. Indications: 115/126/136/199 ModlinkSmsRecord, 116
 * ModlinkNewSmsRecord, 123 ModlinkSmsMemoryRecord, 135 ModlinkValidityRecord,
 * 117 and 119 text, 113/118/120/134/197 one byte, 124/125 int32_t, 198
 * uint16_t message index. */
typedef struct ModlinkSmsPart {
  int32_t reference; /* concatenation reference (low byte used) */
  int32_t total;     /* parts; above 1 makes this a concatenated part */
  int32_t sequence;  /* this part's number (low byte used) */
  char text[330];    /* client's code page; at most 330 bytes are read */
} ModlinkSmsPart;

typedef struct ModlinkSmsRecord {
  int32_t index;      /* storage index; 0 for a delivery report */
  uint8_t status;     /* stored status; report: 7 delivered, 8 failed */
  uint8_t addressType; /* 145 international, 129 unknown, 208 alphanumeric */
  uint8_t report;     /* 1 for a delivery report */
  uint8_t reserved;
  ModlinkClock time;
  char address[36];
  int32_t concatReference;
  int32_t concatTotal;
  int32_t concatSequence;
  char text[668];
} ModlinkSmsRecord;

typedef struct ModlinkNewSmsRecord {
  int32_t storage; /* 0 SIM ("SM"), 1 phone ("ME") */
  int32_t index;
  uint8_t reserved[8];
} ModlinkNewSmsRecord;

typedef struct ModlinkSmsMemoryRecord {
  struct {
    int32_t phone; /* 1 phone memory ("ME"/"MT"), 0 otherwise */
    int32_t used;
    int32_t total;
  } memory[3];
} ModlinkSmsMemoryRecord;

typedef struct ModlinkValidityRecord {
  uint16_t first;
  uint8_t second, third, fourth;
  uint8_t reserved[3];
} ModlinkValidityRecord;

MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSMoRawReq(const char* destination, const ModlinkSmsPart* part, int32_t length, int32_t ignored, int32_t send, int32_t coding, int32_t language);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSMoReq(const char* destination, const ModlinkSmsPart* part, int32_t length, int32_t ignored, int32_t coding, int32_t language);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSSaveReq(const char* destination, const ModlinkSmsPart* part, int32_t length, int32_t coding, int32_t language);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSTimeMoRawReq(ModlinkClock clock, const char* destination, const ModlinkSmsPart* part, int32_t length, int32_t ignored, int32_t send, int32_t ignored2, int32_t coding, int32_t language);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSTimeSaveReq(ModlinkClock clock, const char* destination, const ModlinkSmsPart* part, int32_t length, int32_t ignored, int32_t coding, int32_t language);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSTimeWToDraftReq(ModlinkClock clock, const char* destination, const ModlinkSmsPart* part, int32_t length, int32_t coding, int32_t language);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL DLL_SetNewSmsIndicatorReq(MODLINK_BOOL on);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL DLL_SmsInfoReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL DLL_SmsListReq(uint32_t status);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetSMSCenterReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSCenterReq(const char* number);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSFormatReq(int32_t mode);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSStorageReq(int32_t storage);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_NewSMSStorageReq(int32_t storage);
MODLINK_EXPORT int32_t MODLINK_CALL Dll_GetSmsStorage(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SelectSMSChannelReq(int32_t channel);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetSmsValidatePeriodReq(const ModlinkValidityRecord* record);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetSmsValidatePeriodReq(void);
MODLINK_EXPORT int32_t MODLINK_CALL Dll_SetSMSValidityPeriod(int32_t code);
MODLINK_EXPORT int32_t MODLINK_CALL Dll_GetSMSValidityPeriod(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL DLL_SetSmsReportSwitch(int32_t on);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetSMSRefReq(int32_t reference);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_GetSMSRefReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetSMSTagReq(int32_t index, int32_t tag);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSModifyTagReq(int32_t index);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSReadMtReq(int32_t index);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSReadAndDelMtReq(int32_t index);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSDelMtReq(int32_t index);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SMSAllDelReq(void);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SendSavedSMSReq(int32_t index);
MODLINK_EXPORT MODLINK_BOOL MODLINK_CALL Dll_SetPcSmsFullReq(int32_t full);

#ifdef __cplusplus
}
#endif

#endif /* MODLINK_H */
