// Handlers of the card's identification, diagnostics, temperature and
// audio answers. Reader thread only; no state.
#pragma once

#include <cstdint>

#include "modlink/linklayer/linklayer.h"

namespace modlink {

constexpr size_t kDeviceInfoRecordSize = 240;  // four 60-byte text fields

int32_t IdentificationHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t DigitsHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t FirmwareHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t DiagPortHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t HsdpaCategoryHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t TemperatureHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t SpeakerLevelHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t MicLevelHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t EarKeyHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t HookKeyHandler(linklayer&, int32_t id, const char* text, int32_t available);
int32_t SwitchHandler(linklayer&, int32_t id, const char* text, int32_t available);

}  // namespace modlink
