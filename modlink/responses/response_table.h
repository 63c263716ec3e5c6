// The response table: the leading texts the card's lines are recognised by,
// in matching order, each with its IndicationId and handler.
#pragma once

#include <cstdint>
#include <vector>

#include "modlink/linklayer/linklayer.h"

namespace modlink {

struct ResponseRow {
  const char* prefix;
  int32_t id;
  ResponseHandler handler;
};

// The rows in matching order (first match wins).
const std::vector<ResponseRow>& ResponseRows();
// The run-time copy a link-layer object keeps: each entry owns its prefix.
void CopyResponseTable(std::vector<ResponseEntry>* table);

// Generic handlers.
int32_t OkHandler(linklayer& link, int32_t id, const char* text, int32_t available);
int32_t UgsmHandler(linklayer& link, int32_t id, const char* text, int32_t available);
int32_t EchoHandler(linklayer& link, int32_t id, const char* text, int32_t available);
int32_t ErrorHandler(linklayer& link, int32_t id, const char* text, int32_t available);

}  // namespace modlink
