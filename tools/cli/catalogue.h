// The indication catalogue of the client: every IndicationId the library can
// post, its name and the decoder of its payload. One table (catalogue.cc); a
// new indication is one row there.
//
// Decoders never trust the payload: a payload of the wrong size is reported
// (fields "problem" and "hex") and never read past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "value.h"

namespace modlink_cli {

struct Indication {
  int32_t id = 0;
  std::vector<uint8_t> payload;
};

using Decoder = Value (*)(const uint8_t* data, size_t size);

struct IndicationInfo {
  int32_t id;
  const char* name;     // short stable name, used in readable and JSON output
  const char* meaning;  // one line for --help and the README
  Decoder decode;
};

const std::vector<IndicationInfo>& Catalogue();
// Row of |id|, or nullptr for an id the tool does not know.
const IndicationInfo* FindIndication(int32_t id);
// Name of |id|; "unknown-<id>" when not catalogued.
std::string IndicationName(int32_t id);
// Decoded fields (an object); unknown ids give {length, hex}.
Value DecodeIndication(const Indication& ind);

// The final result codes that end one request's answer.
bool IsFinalResult(int32_t id);
// Final results that mean the card refused the request.
bool IsFailureResult(int32_t id);

// Indication ids with a fixed meaning to the client tool.
enum : int32_t {
  kIndOk = 100,
  kIndError = 101,
  kIndSignal = 111,
  kIndCmsError = 119,
  kIndPortClosed = 161,
  kIndDeviceCheck = 162,
  kIndCmeError = 180,
  kIndPortSearch = 195,
  kIndVideoPortSearch = 196,
};

}  // namespace modlink_cli
