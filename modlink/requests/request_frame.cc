#include "modlink/requests/request_frame.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace modlink {

bool QueueFormatted(linklayer& link, int32_t requestId, const char* format, ...) {
  char line[kLineBufferSize];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (n < 0 || static_cast<size_t>(n) >= sizeof line) {
    TraceLogf("Err: request line too long (%d bytes), refused\n", n);
    return false;
  }
  return link.WriteQ.Enqueue(requestId, line, n, 1);
}

bool QueueLine(linklayer& link, int32_t requestId, const char* line, size_t length) {
  if (line == nullptr || length >= kLineBufferSize) {
    TraceLog("Err: request line too long, refused\n");
    return false;
  }
  return link.WriteQ.Enqueue(requestId, line, static_cast<int32_t>(length), 1);
}

bool StringGiven(const char* value, const char* function) {
  if (value != nullptr) return true;
  TraceLogf("Err: %s: null string refused\n", function);
  return false;
}

}  // namespace modlink
