// Request functions for calls, video calls, network and packet-data
// settings, device information, diagnostics, port switching and audio.
// Each checks its arguments, formats one line (or a few) and queues it in
// WriteQ; none waits for the card. Client threads; any number at once.
#pragma once

#include <cstdint>

#include "modlink/linklayer/linklayer.h"

namespace modlink {

// Calls.
bool CallMoReq(linklayer& link, const char* number);
bool CallReceive(linklayer& link);
bool CallRel(linklayer& link);
bool Dtmf(linklayer& link, int32_t tone);
bool CallEcho(linklayer& link, int32_t on);
bool EnableCallIdReq(linklayer& link, int32_t enable);
bool AutoAnswerReq(linklayer& link, uint32_t mode);
bool SetAutoRx(linklayer& link, int32_t rings);
bool CallForwardStateReq(linklayer& link, uint32_t reason, uint32_t mode, const char* number);
bool CallWaitStateReq(linklayer& link, uint32_t mode);
bool SetCallNum(linklayer& link, const char* number);

// Video calls.
bool QvpInitReq(linklayer& link);
bool QvpMoReq(linklayer& link, const char* number);
bool QvpMoReqLoopback(linklayer& link);
bool QvpAnswerReq(linklayer& link);
bool QvpEndReq(linklayer& link);

// Network and packet data.
bool GetNetworkService(linklayer& link);
bool QueryNetworkService(linklayer& link);
bool GetSignalLevel(linklayer& link);
bool QueryCurrentOperator(linklayer& link);
bool QueryOperatorList(linklayer& link);
bool SelectOperator(linklayer& link, int32_t manual, const char* op, int32_t technology);
bool CancelSearchOperator(linklayer& link);
bool NetworkModePreferenceReq(linklayer& link, int32_t mode);
bool BandPreferenceReq(linklayer& link, uint32_t low, uint32_t high);
bool RoamingPreferenceReq(linklayer& link, int32_t mode);
bool AcquireSequencePreferenceReq(linklayer& link, int32_t order);
bool TrafficDomainPreferenceReq(linklayer& link, int32_t domain);
bool HsdpaCategoryReq(linklayer& link, int32_t category);
bool SetRfFuncReq(linklayer& link, int32_t level);
bool SetPdpProfileReq(linklayer& link, int32_t profile, const char* type, const char* apn);
bool SetRmProfileReq(linklayer& link, int32_t profile, const char* first, const char* second);
bool SetPdpAuthTypeReq(linklayer& link, int32_t profile, int32_t auth, const char* user,
                       const char* password);
bool ConnectNetwork(linklayer& link);
bool DisconnectNetwork(linklayer& link);

// Device, diagnostics, ports.
bool VersionReq(linklayer& link);
bool GetAmssVerReq(linklayer& link);
bool GetMeImeiReq(linklayer& link);
bool GetSimImsiReq(linklayer& link);
bool GetModemState(linklayer& link);
bool GetModemTime(linklayer& link);
bool SetModemTime(linklayer& link, const void* clockRecord);
bool GetDiagnosticInfoReq(linklayer& link);
bool SetDiagnosticInfoRptReq(linklayer& link, int32_t interval);
bool TurnDiagnosticOnOffReq(linklayer& link, int32_t mode, const char* first, const char* second);
bool SetFactoryModeReq(linklayer& link, int32_t on);
bool SetLedStateReq(linklayer& link, int32_t state);
bool SetSwitchModemReq(linklayer& link, int32_t mode);
bool GetSwitchModemReq(linklayer& link);
bool SwitchAuxChannelReq(linklayer& link, int32_t channel);
bool SwitchDualChannelReq(linklayer& link);
bool SwitchMultiPortReq(linklayer& link, int32_t mode);
bool SetCharSetReq(linklayer& link, int32_t set);
bool PcmRegReq(linklayer& link, int32_t value);

// Audio.
bool GetSpeakerVol(linklayer& link);
bool SetSpeakerVol(linklayer& link, uint32_t level);
bool GetMicVol(linklayer& link);
bool SetMicVol(linklayer& link, uint32_t level);
bool SetMicMute(linklayer& link, int32_t mute);
bool SetMicLoopbackReq(linklayer& link, int32_t on);
bool GetEarKeyState(linklayer& link);

}  // namespace modlink
