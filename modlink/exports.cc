// The exports table: every function the client calls, each a thin
// forwarder to the library's one link-layer object. Nothing here lets an
// exception escape into the client.
#define MODLINK_BUILDING_LIBRARY
#include "modlink/include/Modlink.h"

#include <ctime>
#include <exception>

#include "modlink/linklayer/linklayer.h"
#include "modlink/linklayer/local_time.h"
#include "modlink/requests/device_requests.h"
#include "modlink/requests/sms_requests.h"
#include "modlink/responses/sms_handlers.h"
#include "modlink/textcoding/text_checks.h"
#include "platform/system.h"

namespace {

// Constructed when the library is loaded, destroyed when it is unloaded.
// Not when a Windows process exits: the OS has already ended the object's
// threads in the middle of whatever they were doing, so nothing they hold
// may be waited for; the process's end releases everything.
struct LinkHolder {
  modlink::linklayer* link = new modlink::linklayer();
  ~LinkHolder() {
    if (!plat::ProcessIsExiting()) delete link;
  }
};
LinkHolder g_holder;
modlink::linklayer& g_link = *g_holder.link;

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

/* Requests: calls, video calls, network, device, audio. */

MODLINK_BOOL MODLINK_CALL Dll_CallMoReq(const char* number) {
  return Guard([&] { return MODLINK_BOOL{modlink::CallMoReq(g_link, number)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_CallReceive(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::CallReceive(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_CallRel(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::CallRel(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_DTMF(int32_t tone) {
  return Guard([&] { return MODLINK_BOOL{modlink::Dtmf(g_link, tone)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_CallEcho(MODLINK_BOOL on) {
  return Guard([&] { return MODLINK_BOOL{modlink::CallEcho(g_link, on)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_EnableCallIDReq(MODLINK_BOOL enable) {
  return Guard([&] { return MODLINK_BOOL{modlink::EnableCallIdReq(g_link, enable)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_AutoAnswerReq(uint32_t mode) {
  return Guard([&] { return MODLINK_BOOL{modlink::AutoAnswerReq(g_link, mode)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetAutoRx(int32_t rings) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetAutoRx(g_link, rings)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_CallForwardStateReq(uint32_t reason, uint32_t mode, const char* number) {
  return Guard([&] { return MODLINK_BOOL{modlink::CallForwardStateReq(g_link, reason, mode, number)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_CallWaitStateReq(uint32_t mode) {
  return Guard([&] { return MODLINK_BOOL{modlink::CallWaitStateReq(g_link, mode)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetCallNum(const char* number) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetCallNum(g_link, number)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_QVPInitReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::QvpInitReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_QVPMoReq(const char* number) {
  return Guard([&] { return MODLINK_BOOL{modlink::QvpMoReq(g_link, number)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_QVPMoReqLoopback(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::QvpMoReqLoopback(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_QVPAnswerReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::QvpAnswerReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_QVPEndReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::QvpEndReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetNetworkService(int32_t) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetNetworkService(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_QueryNetworkService(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::QueryNetworkService(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetSingalLevel(int32_t) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetSignalLevel(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_QueryCurrentOperator(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::QueryCurrentOperator(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_QueryOperatorList(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::QueryOperatorList(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SelectOperator(MODLINK_BOOL manual, const char* op, int32_t technology) {
  return Guard([&] { return MODLINK_BOOL{modlink::SelectOperator(g_link, manual, op, technology)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_CancelSearchOperator(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::CancelSearchOperator(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_NetworkModePreferenceReq(int32_t mode) {
  return Guard([&] { return MODLINK_BOOL{modlink::NetworkModePreferenceReq(g_link, mode)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_BandPreferenceReq(uint32_t low, uint32_t high) {
  return Guard([&] { return MODLINK_BOOL{modlink::BandPreferenceReq(g_link, low, high)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_RoamingPreferenceReq(int32_t mode) {
  return Guard([&] { return MODLINK_BOOL{modlink::RoamingPreferenceReq(g_link, mode)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_AcquireSequencePreferenceReq(int32_t order) {
  return Guard([&] { return MODLINK_BOOL{modlink::AcquireSequencePreferenceReq(g_link, order)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_TrafficDomainPreferenceReq(int32_t domain) {
  return Guard([&] { return MODLINK_BOOL{modlink::TrafficDomainPreferenceReq(g_link, domain)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_HsdpaCategoryReq(int32_t category) {
  return Guard([&] { return MODLINK_BOOL{modlink::HsdpaCategoryReq(g_link, category)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetRFFuncReq(int32_t level) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetRfFuncReq(g_link, level)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetPdpProfileReq(int32_t profile, const char* type, const char* apn) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetPdpProfileReq(g_link, profile, type, apn)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetRmProfileReq(int32_t profile, const char* first, const char* second) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetRmProfileReq(g_link, profile, first, second)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetPdpAuthTypeReq(int32_t profile, int32_t auth, const char* user, const char* password) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetPdpAuthTypeReq(g_link, profile, auth, user, password)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_ConnectNetWork(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::ConnectNetwork(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_DisConnectNetWork(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::DisconnectNetwork(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_VersionReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::VersionReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetAmssVerReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetAmssVerReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetMeIMEIReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetMeImeiReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetSimIMSIReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetSimImsiReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetModemState(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetModemState(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetModemTime(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetModemTime(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetModemTime(const ModlinkClock* clock) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetModemTime(g_link, clock)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetDiagnosticInfoReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetDiagnosticInfoReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetDiagnosticInfoRptReq(int32_t interval) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetDiagnosticInfoRptReq(g_link, interval)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_TurnDiagnosticOnOffReq(int32_t mode, const char* first, const char* second) {
  return Guard([&] { return MODLINK_BOOL{modlink::TurnDiagnosticOnOffReq(g_link, mode, first, second)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetFactoryModeReq(MODLINK_BOOL on) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetFactoryModeReq(g_link, on)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetLedStateReq(int32_t state) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetLedStateReq(g_link, state)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetSwitchModemReq(int32_t mode) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetSwitchModemReq(g_link, mode)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetSwitchModemReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetSwitchModemReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SwitchAuxChannelReq(int32_t channel) {
  return Guard([&] { return MODLINK_BOOL{modlink::SwitchAuxChannelReq(g_link, channel)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SwitchDualChannelReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::SwitchDualChannelReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SwitchMultiPortReq(int32_t mode) {
  return Guard([&] { return MODLINK_BOOL{modlink::SwitchMultiPortReq(g_link, mode)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetCharSetReq(int32_t set) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetCharSetReq(g_link, set)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_PCMRegReq(int32_t value, int32_t) {
  return Guard([&] { return MODLINK_BOOL{modlink::PcmRegReq(g_link, value)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetSpeakerVol(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetSpeakerVol(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetSpeakerVol(uint32_t level) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetSpeakerVol(g_link, level)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetMicVol(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetMicVol(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetMicVol(uint32_t level) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetMicVol(g_link, level)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetMicMute(MODLINK_BOOL mute) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetMicMute(g_link, mute)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetMicLoopbackReq(MODLINK_BOOL on) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetMicLoopbackReq(g_link, on)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetEarKeyState(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetEarKeyState(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_EableEarKey(int32_t) { return 1; }

/* SMS. */

static_assert(sizeof(ModlinkSmsRecord) == sizeof(modlink::SmsRecord), "732 bytes");
static_assert(offsetof(ModlinkSmsRecord, time) == offsetof(modlink::SmsRecord, m_Time), "layout");
static_assert(offsetof(ModlinkSmsRecord, address) == offsetof(modlink::SmsRecord, m_strAddress),
              "layout");
static_assert(offsetof(ModlinkSmsRecord, concatReference) ==
                  offsetof(modlink::SmsRecord, m_nConcatRef),
              "layout");
static_assert(offsetof(ModlinkSmsRecord, text) == offsetof(modlink::SmsRecord, m_strText),
              "layout");
static_assert(sizeof(ModlinkNewSmsRecord) == sizeof(modlink::NewSmsRecord), "16 bytes");
static_assert(sizeof(ModlinkSmsMemoryRecord) == sizeof(modlink::SmsMemoryRecord), "36 bytes");
static_assert(sizeof(ModlinkValidityRecord) == sizeof(modlink::ValidityRecord), "8 bytes");
static_assert(offsetof(ModlinkValidityRecord, fourth) == 4, "layout");
static_assert(offsetof(ModlinkSmsPart, text) == 12, "layout");
static_assert(sizeof(ModlinkClock) == sizeof(modlink::ClockRecord), "8 bytes");

namespace {

modlink::ClockRecord ToClockRecord(const ModlinkClock& c) {
  modlink::ClockRecord r{};
  r.m_nYear = c.year;
  r.m_nMonth = c.month;
  r.m_nDay = c.day;
  r.m_nHour = c.hour;
  r.m_nMinute = c.minute;
  r.m_nSecond = c.second;
  return r;
}

}  // namespace

MODLINK_BOOL MODLINK_CALL Dll_SMSMoRawReq(const char* destination, const ModlinkSmsPart* part,
                                          int32_t length, int32_t, int32_t send, int32_t coding,
                                          int32_t language) {
  return Guard([&] {
    return MODLINK_BOOL{
        modlink::SmsMoRawReq(g_link, destination, part, length, send, coding, language)};
  }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSMoReq(const char* destination, const ModlinkSmsPart* part,
                                       int32_t length, int32_t, int32_t coding,
                                       int32_t language) {
  return Guard([&] {
    return MODLINK_BOOL{modlink::SmsMoReq(g_link, destination, part, length, coding, language)};
  }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSSaveReq(const char* destination, const ModlinkSmsPart* part,
                                         int32_t length, int32_t coding, int32_t language) {
  return Guard([&] {
    return MODLINK_BOOL{
        modlink::SmsSaveReq(g_link, destination, part, length, coding, language)};
  }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSTimeMoRawReq(ModlinkClock clock, const char* destination,
                                              const ModlinkSmsPart* part, int32_t length,
                                              int32_t, int32_t send, int32_t, int32_t coding,
                                              int32_t language) {
  return Guard([&] {
    return MODLINK_BOOL{modlink::SmsTimeMoRawReq(g_link, ToClockRecord(clock), destination,
                                                 part, length, send, coding, language)};
  }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSTimeSaveReq(ModlinkClock clock, const char* destination,
                                             const ModlinkSmsPart* part, int32_t length, int32_t,
                                             int32_t coding, int32_t language) {
  return Guard([&] {
    return MODLINK_BOOL{modlink::SmsTimeSaveReq(g_link, ToClockRecord(clock), destination, part,
                                                length, coding, language)};
  }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSTimeWToDraftReq(ModlinkClock clock, const char* destination,
                                                 const ModlinkSmsPart* part, int32_t length,
                                                 int32_t coding, int32_t language) {
  return Guard([&] {
    return MODLINK_BOOL{modlink::SmsTimeWToDraftReq(g_link, ToClockRecord(clock), destination,
                                                    part, length, coding, language)};
  }, 0);
}

MODLINK_BOOL MODLINK_CALL DLL_SetNewSmsIndicatorReq(MODLINK_BOOL on) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetNewSmsIndicatorReq(g_link, on)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL DLL_SmsInfoReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::SmsInfoReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL DLL_SmsListReq(uint32_t status) {
  return Guard([&] { return MODLINK_BOOL{modlink::SmsListReq(g_link, status)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetSMSCenterReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetSmsCenterReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSCenterReq(const char* number) {
  return Guard([&] { return MODLINK_BOOL{modlink::SmsCenterReq(g_link, number)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSFormatReq(int32_t mode) {
  return Guard([&] { return MODLINK_BOOL{modlink::SmsFormatReq(g_link, mode)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSStorageReq(int32_t storage) {
  return Guard([&] { return MODLINK_BOOL{modlink::SmsStorageReq(g_link, storage)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_NewSMSStorageReq(int32_t storage) {
  return Guard([&] { return MODLINK_BOOL{modlink::NewSmsStorageReq(g_link, storage)}; }, 0);
}

int32_t MODLINK_CALL Dll_GetSmsStorage(void) { return modlink::GetSmsStorage(); }

MODLINK_BOOL MODLINK_CALL Dll_SelectSMSChannelReq(int32_t channel) {
  return Guard([&] { return MODLINK_BOOL{modlink::SelectSmsChannelReq(g_link, channel)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetSmsValidatePeriodReq(const ModlinkValidityRecord* record) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetSmsValidatePeriodReq(g_link, record)}; },
               0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetSmsValidatePeriodReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetSmsValidatePeriodReq(g_link)}; }, 0);
}

int32_t MODLINK_CALL Dll_SetSMSValidityPeriod(int32_t code) {
  return modlink::SetSmsValidityPeriod(static_cast<uint8_t>(code & 0xFF));
}

int32_t MODLINK_CALL Dll_GetSMSValidityPeriod(void) { return modlink::GetSmsValidityPeriod(); }

MODLINK_BOOL MODLINK_CALL DLL_SetSmsReportSwitch(int32_t on) {
  modlink::SetSmsReportSwitch((on & 0xFF) != 0);
  return 1;
}

MODLINK_BOOL MODLINK_CALL Dll_SetSMSRefReq(int32_t reference) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetSmsRefReq(g_link, reference)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_GetSMSRefReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::GetSmsRefReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetSMSTagReq(int32_t index, int32_t tag) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetSmsTagReq(g_link, index, tag)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSModifyTagReq(int32_t index) {
  return Guard([&] { return MODLINK_BOOL{modlink::SmsModifyTagReq(g_link, index)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSReadMtReq(int32_t index) {
  return Guard([&] { return MODLINK_BOOL{modlink::SmsReadMtReq(g_link, index)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSReadAndDelMtReq(int32_t index) {
  return Guard([&] { return MODLINK_BOOL{modlink::SmsReadAndDelMtReq(g_link, index)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSDelMtReq(int32_t index) {
  return Guard([&] { return MODLINK_BOOL{modlink::SmsDelMtReq(g_link, index)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SMSAllDelReq(void) {
  return Guard([&] { return MODLINK_BOOL{modlink::SmsAllDelReq(g_link)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SendSavedSMSReq(int32_t index) {
  return Guard([&] { return MODLINK_BOOL{modlink::SendSavedSmsReq(g_link, index)}; }, 0);
}

MODLINK_BOOL MODLINK_CALL Dll_SetPcSmsFullReq(int32_t full) {
  return Guard([&] { return MODLINK_BOOL{modlink::SetPcSmsFullReq(g_link, full)}; }, 0);
}
}  // extern "C"
