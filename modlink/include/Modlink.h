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

#ifdef __cplusplus
}
#endif

#endif /* MODLINK_H */
