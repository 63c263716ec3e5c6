// The queues of Modlink: records carry CR LF (except id 29), at most 512
// nodes, at most 4096 bytes a record, traced through TraceLog.
#pragma once

#include <cstdint>

#include "common/primitive_queue.h"
#include "modlink/linklayer/trace_log.h"

namespace modlink {

struct ModlinkQueuePolicy {
  static constexpr bool kAppendCrLf = true;
  static constexpr int32_t kRawId = 29;
  static constexpr uint32_t kMaxCapacity = 512;
  static constexpr int32_t kMaxRecord = 4096;
  static constexpr bool kTrace = true;
  static void Trace(const char* line) { TraceLog(line); }
};

using PrimitiveQueue = common::PrimitiveQueue<ModlinkQueuePolicy>;

}  // namespace modlink
