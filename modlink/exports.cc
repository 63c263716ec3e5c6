// The exports table: every function the client calls, each a thin
// forwarder to the library's one link-layer object. Nothing here lets an
// exception escape into the client.
#define MODLINK_BUILDING_LIBRARY
#include "modlink/include/Modlink.h"

#include <ctime>
#include <exception>

#include "modlink/linklayer/linklayer.h"
#include "modlink/linklayer/local_time.h"
#include "modlink/textcoding/text_checks.h"

namespace {

// Constructed when the library is loaded, destroyed when it is unloaded.
modlink::linklayer g_link;

template <typename F>
auto Guard(F&& f, decltype(f()) failure) noexcept -> decltype(f()) {
  try {
    return f();
  } catch (...) {
    modlink::TraceLog("Err: exception stopped at the library boundary\n");
    return failure;
  }
}

}  // namespace

extern "C" {

MODLINK_BOOL MODLINK_CALL Dll_ReadDate(int32_t* id, void* buffer, int32_t* length) {
  return Guard([&] { return MODLINK_BOOL{g_link.ReadIndication(id, buffer, length)}; }, 0);
}

int32_t MODLINK_CALL Dll_SetNotify(MODLINK_NOTIFY_HANDLE handle) {
  g_link.SetNotify((intptr_t)(handle));
  return 1;
}

MODLINK_BOOL MODLINK_CALL Dll_IsWriting(void) {
  return Guard([] { return MODLINK_BOOL{!g_link.WriteQ.IsEmpty()}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_CTA(int32_t) { return 1; }

int32_t MODLINK_CALL Dll_GetLocalTime(ModlinkTime* time) {
  if (time == nullptr) return 0;
  static_assert(sizeof(ModlinkTime) == sizeof(modlink::LocalTimeRecord), "16 bytes");
  const modlink::LocalTimeRecord r = modlink::MakeLocalTimeRecord(std::time(nullptr));
  *time = ModlinkTime{r.year, r.month, r.dayOfWeek, r.day,
                      r.hour, r.minute, r.second, r.milliseconds};
  return 0;
}

MODLINK_BOOL MODLINK_CALL Dll_SetDynamicConfigModemReq(const char* list) {
  modlink::SetModemNameList(list);
  return 1;
}

MODLINK_BOOL MODLINK_CALL Dll_SearchPort(void) {
  return Guard([] { return MODLINK_BOOL{g_link.QueueJob(modlink::kRequestScanPorts)}; }, 1);
}

MODLINK_BOOL MODLINK_CALL Dll_SearchVideoPort(void) {
  return Guard([] { return MODLINK_BOOL{g_link.QueueJob(modlink::kRequestScanVideoPort)}; }, 1);
}

MODLINK_BOOL MODLINK_CALL Dll_Connect(int32_t, int32_t, int32_t) {
  return Guard([] { return MODLINK_BOOL{g_link.Connect()}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_Disconnect(int32_t) {
  return Guard([] {
    g_link.CloseComPort();
    return MODLINK_BOOL{1};
  }, 1);
}

int32_t MODLINK_CALL Dll_IsComPortOpen(void) { return g_link.m_nLinkState == 2 ? 1 : 0; }

uint8_t MODLINK_CALL Dll_IsDualPort(void) { return g_link.m_bDualPort.load(); }

MODLINK_BOOL MODLINK_CALL Dll_OpenVideoPort(void) {
  return Guard([] { return MODLINK_BOOL{g_link.OpenAndConfigureVideoPort()}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_CloseVideoPort(void) {
  return Guard([] {
    g_link.CloseVideoPort();
    return MODLINK_BOOL{1};
  }, 1);
}

int32_t MODLINK_CALL Dll_ReadVideoCom(void* buffer, int32_t size) {
  return Guard([&] { return g_link.ReadVideoCom(buffer, size); }, 0);
}

int32_t MODLINK_CALL Dll_WriteVideoCom(const void* buffer, int32_t size) {
  return Guard([&] { return g_link.WriteVideoCom(buffer, size); }, 0);
}

intptr_t MODLINK_CALL Dll_GetVideoCom(void) { return g_link.m_hVideoPort.Native(); }

MODLINK_BOOL MODLINK_CALL Dll_RawCommandReq(const char* bytes, int32_t length) {
  return Guard([&] { return MODLINK_BOOL{g_link.RawCommand(bytes, length)}; }, 0);
}

/* Text checks. */

int32_t MODLINK_CALL Dll_GetSMSLen(const char* text, int32_t length) {
  return Guard([&] { return modlink::GetSmsLen(text, length); }, 0);
}

int32_t MODLINK_CALL Dll_IsPureAsciiString(const char* text, int32_t length, int32_t* shiftFlag) {
  return Guard([&] { return modlink::IsPureAsciiString(text, length, shiftFlag); }, 0);
}

int32_t MODLINK_CALL Dll_IsPureAsciiString_PC(const char* text, int32_t length) {
  return Guard([&] { return modlink::IsPureAsciiStringPc(text, length); }, 0);
}

int32_t MODLINK_CALL Dll_IsGsmExtCode(uint32_t character) { return modlink::IsGsmExtCode(character); }

int32_t MODLINK_CALL Dll_IsExtShiftCode(uint32_t character) {
  return modlink::IsExtShiftCode(character);
}

}  // extern "C"
