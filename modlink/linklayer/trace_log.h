// TraceLog: the library's always-on trace. One line = "[hh:mm:ss cc] " +
// text (the caller supplies its own line break), sent to the debugger
// output and written to the trace file with one write. Safe from every
// thread; takes its own innermost lock and calls nothing that locks.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace modlink {

void TraceLog(const char* text);
// printf-style; the line is cut at 4000 characters.
void TraceLogf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The trace file of one link-layer object: "servb.log" in the current
// directory, else "servb[hh.mm.ss cc] .log" in the executable's directory,
// else none (lines still go to the debugger output).
class TraceFile {
 public:
  TraceFile();   // opens and becomes the file TraceLog writes to
  ~TraceFile();  // stops TraceLog writing to it and closes it
  TraceFile(const TraceFile&) = delete;
  TraceFile& operator=(const TraceFile&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// Test hook: receives every trace line (time stamp included) while set.
using TraceSink = void (*)(const char* line, void* context);
void SetTraceSink(TraceSink sink, void* context);

}  // namespace modlink
