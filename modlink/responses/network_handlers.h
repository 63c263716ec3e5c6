// Handlers of the card's network, call and status lines (registration,
// technology, signal, clock, operators, preferences, calls, video calls,
// call forwarding and waiting, auto-answer, the "modem" state lines).
// Reader thread only.
#pragma once

#include <cstdint>

#include "modlink/linklayer/linklayer.h"

namespace modlink {

// Records posted to the client (little-endian, fixed offsets).
constexpr size_t kOperatorEntrySize = 104;   // status, long, short, numeric, technology
constexpr size_t kOperatorRecordSize = 76;   // mode, format, operator, technology
constexpr size_t kCallForwardRecordSize = 36;  // status, number[24], type, time
constexpr size_t kDiagInfoRecordSize = 128;  // eight 16-byte text fields
constexpr int kMaxOperators = 10;

int32_t ModemHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t RegistrationHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t TechnologyHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t ClockHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t SignalHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t OperatorHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t DecimalPrefHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t BandPrefHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t RoamPrefHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t DiagInfoHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t CallBeginHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t CallEndHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t CallingNumberHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t RingHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t ZeroByteLineHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t NoCarrierHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t VideoTextHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t CallForwardHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t CallWaitHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t AutoAnswerHandler(linklayer&, int32_t id, const char* text, int32_t available);

}  // namespace modlink
