// Collects the library's trace lines while in scope.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "modlink/linklayer/trace_log.h"

namespace testsupport {

class TraceCapture {
 public:
  TraceCapture() { modlink::SetTraceSink(&TraceCapture::Sink, this); }
  ~TraceCapture() { modlink::SetTraceSink(nullptr, nullptr); }

  // Lines without their "[hh:mm:ss cc] " time stamp.
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
  }
  size_t Count(const std::string& text) {
    size_t n = 0;
    for (const auto& l : Lines()) n += l == text;
    return n;
  }
  bool Contains(const std::string& part) {
    for (const auto& l : Lines())
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
  }

 private:
  static void Sink(const char* line, void* context) {
    auto* self = static_cast<TraceCapture*>(context);
    std::string s(line);
    const size_t stamp = s.find("] ");
    std::lock_guard<std::mutex> lock(self->m_mutex);
    self->m_lines.push_back(stamp == std::string::npos ? s : s.substr(stamp + 2));
  }
  std::mutex m_mutex;
  std::vector<std::string> m_lines;
};

}  // namespace testsupport
