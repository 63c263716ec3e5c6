#include "modlink/linklayer/trace_log.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/log_file.h"
#include "platform/system.h"

namespace modlink {
namespace {

std::mutex& TraceLock() {
  static std::mutex m;
  return m;
}

// Guarded by TraceLock().
plat::LogFile* g_file = nullptr;
TraceSink g_sink = nullptr;
void* g_sinkContext = nullptr;

constexpr size_t kLineMax = 4096;

void Emit(const char* text) {
  const plat::LocalTime t = plat::Now();
  char line[kLineMax + 32];
  int n = std::snprintf(line, sizeof line, "[%02d:%02d:%02d %02d] %s", t.hour,
                        t.minute, t.second, t.milliseconds / 10,
                        text ? text : "");
  if (n < 0) return;
  size_t len = static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n)
                                                     : sizeof line - 1;
  std::lock_guard<std::mutex> lock(TraceLock());
  plat::DebugOutput(line);
  if (g_file) g_file->Write(line, len);
  if (g_sink) g_sink(line, g_sinkContext);
}

}  // namespace

void TraceLog(const char* text) { Emit(text); }

void TraceLogf(const char* format, ...) {
  char text[4000];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  Emit(text);
}

void SetTraceSink(TraceSink sink, void* context) {
  std::lock_guard<std::mutex> lock(TraceLock());
  g_sink = sink;
  g_sinkContext = context;
}

namespace {
plat::LogFile& FileObject() {
  static plat::LogFile file;
  return file;
}
}  // namespace

TraceFile::TraceFile() {
  const plat::LocalTime t = plat::Now();
  plat::LogFile& file = FileObject();
  std::lock_guard<std::mutex> lock(TraceLock());
  if (g_file != nullptr) return;  // another object already traces
  if (file.Create("servb.log")) {
    m_path = "servb.log";
  } else {
    char name[64];
    std::snprintf(name, sizeof name, "servb[%02d.%02d.%02d %02d] .log", t.hour,
                  t.minute, t.second, t.milliseconds / 10);
    const std::string path = plat::ExecutableDirectory() + name;
    if (file.Create(path)) m_path = path;
  }
  if (!m_path.empty()) g_file = &file;
}

TraceFile::~TraceFile() {
  std::lock_guard<std::mutex> lock(TraceLock());
  if (m_path.empty()) return;
  g_file = nullptr;
  FileObject().Close();
}

}  // namespace modlink
