#include "modlink/requests/device_requests.h"

#include <cstring>

#include "modlink/requests/request_frame.h"
#include "platform/notify.h"

namespace modlink {

namespace {

bool Line(linklayer& link, int32_t id, const char* text) {
  return QueueLine(link, id, text, std::strlen(text));
}

}  // namespace

// ---- Calls ----

bool CallMoReq(linklayer& link, const char* number) {
  if (!StringGiven(number, "Dll_CallMoReq")) return false;
  if (strnlen(number, 33) > 32) {
    TraceLog("Err: the Mo number is more than 32 \n");
    return false;
  }
  for (const char* p = number; *p; ++p) {
    if (!((*p >= '0' && *p <= '9') || *p == '*' || *p == '#' || *p == '+')) return false;
  }
  return QueueFormatted(link, kReqDial, "ATD%s;", number);
}

bool CallReceive(linklayer& link) { return Line(link, kReqAnswer, "ATA"); }
bool CallRel(linklayer& link) { return Line(link, kReqAnswer, "AT+CHUP"); }

bool Dtmf(linklayer& link, int32_t tone) {
  const char c = static_cast<char>(tone & 0xFF);
  if (c == '\0') {
    TraceLog("Err: Dll_DTMF: no tone\n");
    return false;
  }
  return QueueFormatted(link, kReqAnswer, "AT+VTS=%c", c);
}

bool CallEcho(linklayer& link, int32_t on) {
  const char line[4] = {'A', 'T', 'E', LowByte(on) ? '1' : '0'};
  return QueueLine(link, kReqEcho, line, sizeof line);
}

bool EnableCallIdReq(linklayer& link, int32_t enable) {
  return QueueFormatted(link, kReqDial, "AT+CLIP=%d", LowByte(enable) ? 1 : 0);
}

bool AutoAnswerReq(linklayer& link, uint32_t mode) {
  if (mode <= 1) return QueueFormatted(link, kReqGeneric, "AT+AUTOANSWER=%u", mode);
  if (mode == 2) return Line(link, kReqGeneric, "AT+AUTOANSWER?");
  TraceLogf("Err: Dll_AutoAnswerReq: mode %u refused\n", mode);
  return false;
}

bool SetAutoRx(linklayer& link, int32_t rings) {
  char line[] = "ATS0=5";
  line[5] = static_cast<char>(48 + (rings & 0xFF));
  // A character that ends the text would send a different command.
  if (line[5] == '\0') {
    TraceLog("Err: Dll_SetAutoRx: ring count refused\n");
    return false;
  }
  return QueueLine(link, kReqGeneral5, line, 6);
}

bool CallForwardStateReq(linklayer& link, uint32_t reason, uint32_t mode, const char* number) {
  if (reason > 5 || mode > 4 || !StringGiven(number, "Dll_CallForwardStateReq")) return false;
  return QueueFormatted(link, kReqCallSupplementary, "AT+CCFC=%u,%u,\"%s\",%d,1", reason, mode,
                        number, number[0] == '+' ? 145 : 129);
}

bool CallWaitStateReq(linklayer& link, uint32_t mode) {
  if (mode > 2) return false;
  return QueueFormatted(link, kReqCallSupplementary, "AT+CCWA=0,%u", mode);
}

bool SetCallNum(linklayer& link, const char* number) {
  if (!StringGiven(number, "Dll_SetCallNum")) return false;
  const size_t n = strnlen(number, 200);
  if (n >= 200) {
    TraceLog("Err: Dll_SetCallNum: number of 200 characters or more refused\n");
    return false;
  }
  char buffer[200] = {};
  std::memcpy(buffer, number, n);
  const bool stored = link.ReadQ.Enqueue(103, buffer, static_cast<int32_t>(n), 1);
  // Posted outside the parser: wake the client, or it never sees it.
  if (stored) link.NotifyClient();
  return stored;
}

// ---- Video calls ----

bool QvpInitReq(linklayer& link) { return Line(link, kReqGeneric, "AT+VPINITIAL"); }
bool QvpMoReq(linklayer& link, const char* number) {
  if (!StringGiven(number, "Dll_QVPMoReq")) return false;
  return QueueFormatted(link, kReqGeneric, "AT+VPMAKE=\"%s\"", number);
}
bool QvpMoReqLoopback(linklayer& link) { return Line(link, kReqGeneric, "AT+VPLOOPBACK"); }
bool QvpAnswerReq(linklayer& link) { return Line(link, kReqGeneric, "AT+VPANSWER"); }
bool QvpEndReq(linklayer& link) { return Line(link, kReqGeneric, "AT+VPEND"); }

// ---- Network and packet data ----

bool GetNetworkService(linklayer& link) {
  Line(link, kReqGeneral5, "AT+CREG=1");
  Line(link, kReqGeneral5, "AT+CGREG=1");
  Line(link, kReqGeneral5, "AT+AUTOCSQ=1");
  return Line(link, kReqGeneral5, "AT+CNSMOD=1");
}

bool QueryNetworkService(linklayer& link) {
  Line(link, kReqRegistrationQuery, "AT+CREG?");
  Line(link, kReqRegistrationQuery, "AT*CNTI?");
  return Line(link, kReqRegistrationQuery, "AT+CGREG?");
}

bool GetSignalLevel(linklayer& link) { return Line(link, kReqGeneral5, "AT+CSQ"); }

bool QueryCurrentOperator(linklayer& link) {
  Line(link, kReqDial, "AT+COPS=3,2");
  return Line(link, kReqDial, "AT+COPS?");
}

bool QueryOperatorList(linklayer& link) { return Line(link, kReqOperator, "AT+COPS=?"); }

bool SelectOperator(linklayer& link, int32_t manual, const char* op, int32_t technology) {
  if (!LowByte(manual)) return Line(link, kReqOperator, "AT+COPS=0");
  if (!StringGiven(op, "Dll_SelectOperator")) return false;
  return QueueFormatted(link, kReqOperator, "AT+COPS=5,2,%s,%d", op, technology & 0xFF);
}

bool CancelSearchOperator(linklayer& link) {
  link.m_hAnswerEvent.Set();
  return QueryCurrentOperator(link);
}

bool NetworkModePreferenceReq(linklayer& link, int32_t mode) {
  if (mode == 0) return Line(link, kReqSms, "AT+CNMP?");
  return QueueFormatted(link, kReqSms, "AT+CNMP=%d", mode);
}

bool BandPreferenceReq(linklayer& link, uint32_t low, uint32_t high) {
  if (low == 0 && high == 0) return Line(link, kReqSms, "AT+CNBP?");
  if (low == 0xFFFFFFFFu && high == 0xFFFFFFFFu)
    return Line(link, kReqSms, "AT+CNBP=0x000200000CE80380");
  return QueueFormatted(link, kReqSms, "AT+CNBP=0x%08X%08X", high, low);
}

bool RoamingPreferenceReq(linklayer& link, int32_t mode) {
  if (mode == 0) return Line(link, kReqSms, "AT+CNRP?");
  if (mode == -1) return Line(link, kReqSms, "AT+CNRP=FF");
  return QueueFormatted(link, kReqSms, "AT+CNRP=%d", mode);
}

bool AcquireSequencePreferenceReq(linklayer& link, int32_t order) {
  if (order < 3) return QueueFormatted(link, kReqSms, "AT+CNAOP=%d", order);
  return Line(link, kReqSms, "AT+CNAOP?");
}

bool TrafficDomainPreferenceReq(linklayer& link, int32_t domain) {
  if (domain < 3) return QueueFormatted(link, kReqSms, "AT+CNSDP=%d", domain);
  return Line(link, kReqSms, "AT+CNSDP?");
}

bool HsdpaCategoryReq(linklayer& link, int32_t category) {
  if (category == 0) return Line(link, kReqGeneric, "AT+CHSDPACAT?");
  return QueueFormatted(link, kReqGeneric, "AT+CHSDPACAT=%d", category);
}

bool SetRfFuncReq(linklayer& link, int32_t level) {
  if (level == -1) return Line(link, kReqGeneric, "AT+CFUN?");
  return QueueFormatted(link, kReqGeneric, "AT+CFUN=%d", level);
}

bool SetPdpProfileReq(linklayer& link, int32_t profile, const char* type, const char* apn) {
  if (!StringGiven(type, "Dll_SetPdpProfileReq") || !StringGiven(apn, "Dll_SetPdpProfileReq"))
    return false;
  return QueueFormatted(link, kReqSms, "AT+CGDCONT=%d,\"%s\",\"%s\"", profile, type, apn);
}

bool SetRmProfileReq(linklayer& link, int32_t profile, const char* first, const char* second) {
  if (!StringGiven(first, "Dll_SetRmProfileReq") || !StringGiven(second, "Dll_SetRmProfileReq"))
    return false;
  return QueueFormatted(link, kReqSms, "AT+CGRMCONT=%d,\"%s\",\"%s\"", profile, first, second);
}

bool SetPdpAuthTypeReq(linklayer& link, int32_t profile, int32_t auth, const char* user,
                       const char* password) {
  switch (auth) {
    case 0:
      return QueueFormatted(link, kReqSms, "AT$QCPDPP=%d,%d", profile, 0);
    case 1:
      if (!StringGiven(user, "Dll_SetPdpAuthTypeReq") ||
          !StringGiven(password, "Dll_SetPdpAuthTypeReq"))
        return false;
      return QueueFormatted(link, kReqSms, "AT$QCPDPP=%d,%d,\"%s\",\"%s\"", profile, 1, password,
                            user);
    case 2:
      if (!StringGiven(password, "Dll_SetPdpAuthTypeReq")) return false;
      return QueueFormatted(link, kReqSms, "AT$QCPDPP=%d,%d,\"%s\"", profile, 2, password);
    default:
      return false;
  }
}

bool ConnectNetwork(linklayer& link) {
  return Line(link, kRequestConnectNetwork, "connect network");
}

bool DisconnectNetwork(linklayer& link) {
  return Line(link, kRequestDisconnectNetwork, "disconnect network");
}

// ---- Device, diagnostics, ports ----

bool VersionReq(linklayer& link) { return Line(link, kReqGeneric, "ATI"); }
bool GetAmssVerReq(linklayer& link) { return Line(link, kReqGeneric, "AT+CINQSWRV?"); }
bool GetMeImeiReq(linklayer& link) { return Line(link, kReqGeneric, "AT+CGSN"); }
bool GetSimImsiReq(linklayer& link) { return Line(link, kReqGeneric, "AT+CIMI"); }
bool GetModemState(linklayer& link) { return Line(link, kReqModemState, "AT+CMODEMSTATE?"); }
bool GetModemTime(linklayer& link) { return Line(link, kReqModemState, "AT+CCLK?"); }

bool SetModemTime(linklayer& link, const void* clockRecord) {
  if (clockRecord == nullptr) {
    TraceLog("Err: Dll_SetModemTime: null clock refused\n");
    return false;
  }
  const auto* r = static_cast<const uint8_t*>(clockRecord);
  const unsigned year = static_cast<unsigned>(r[0] | (r[1] << 8));
  return QueueFormatted(link, kReqModemState, "AT+CCLK=%04u-%02u-%02u,%02u:%02u:%02u", year,
                        r[2], r[3], r[4], r[5], r[6]);
}

bool GetDiagnosticInfoReq(linklayer& link) { return Line(link, kReqGeneric, "AT+CPSI?"); }

bool SetDiagnosticInfoRptReq(linklayer& link, int32_t interval) {
  return QueueFormatted(link, kReqGeneric, "AT+CPSI=%d", interval);
}

bool TurnDiagnosticOnOffReq(linklayer& link, int32_t mode, const char* first, const char* second) {
  if (mode == 3) return Line(link, kReqGeneric, "AT+CSWITCHDM?");
  if (!StringGiven(first, "Dll_TurnDiagnosticOnOffReq")) return false;
  if (mode == 2) {
    if (!StringGiven(second, "Dll_TurnDiagnosticOnOffReq")) return false;
    return QueueFormatted(link, kReqGeneric, "AT+CSWITCHDM=%d,\"%s\",\"%s\"", mode, first, second);
  }
  return QueueFormatted(link, kReqGeneric, "AT+CSWITCHDM=%d,\"%s\"", mode, first);
}

bool SetFactoryModeReq(linklayer& link, int32_t on) {
  return Line(link, kReqGeneric, LowByte(on) ? "AT+CFTM=1" : "AT+CFTM=0");
}

bool SetLedStateReq(linklayer& link, int32_t state) {
  return QueueFormatted(link, kReqGeneric, "AT+CLED=%d", state);
}

bool SetSwitchModemReq(linklayer& link, int32_t mode) {
  return QueueFormatted(link, kReqGeneric, "AT+SWITCHMODEM=%d", mode);
}

bool GetSwitchModemReq(linklayer& link) { return Line(link, kReqGeneric, "AT+SWITCHMODEM?"); }

bool SwitchAuxChannelReq(linklayer& link, int32_t channel) {
  return QueueFormatted(link, kReqGeneric, "AT+DSWITCH=%d", channel);
}

bool SwitchDualChannelReq(linklayer& link) { return Line(link, kReqGeneric, "AT+SWITCHDC"); }

bool SwitchMultiPortReq(linklayer& link, int32_t mode) {
  return QueueFormatted(link, kReqGeneric, "AT+COMSWITCH=%d", mode);
}

bool SetCharSetReq(linklayer& link, int32_t set) {
  static const char* const kSets[] = {"IRA", "GSM", "UCS2"};
  if (set < 0 || set > 2) {
    TraceLogf("Err: Dll_SetCharSetReq: character set %d refused\n", set);
    return false;
  }
  return QueueFormatted(link, kReqGeneric, "AT+CSCS=\"%s\"", kSets[set]);
}

bool PcmRegReq(linklayer& link, int32_t value) {
  return QueueFormatted(link, kReqPcm, "AT+CPCMREG=%d", value);
}

// ---- Audio ----

bool GetSpeakerVol(linklayer& link) { return Line(link, kReqGeneral5, "AT+VGR?"); }

bool SetSpeakerVol(linklayer& link, uint32_t level) {
  const uint32_t l = level & 0xFF;
  if (l > 4) return false;
  return QueueFormatted(link, kReqVolume, "AT+VGR=%c", static_cast<char>('0' + l));
}

bool GetMicVol(linklayer& link) { return Line(link, kReqGeneral5, "AT+MICG?"); }

bool SetMicVol(linklayer& link, uint32_t level) {
  const uint32_t l = level & 0xFF;
  if (l > 4) return false;
  return QueueFormatted(link, kReqVolume, "AT+MICG=%c", static_cast<char>('0' + l));
}

bool SetMicMute(linklayer& link, int32_t mute) {
  return Line(link, kReqGeneral5, LowByte(mute) ? "AT+CMUT=1" : "AT+CMUT=0");
}

bool SetMicLoopbackReq(linklayer& link, int32_t on) {
  return Line(link, kReqGeneric, LowByte(on) ? "AT+CLOOPBACK=1" : "AT+CLOOPBACK=0");
}

bool GetEarKeyState(linklayer& link) { return Line(link, kReqRegistrationQuery, "AT+EARKEY"); }

}  // namespace modlink
