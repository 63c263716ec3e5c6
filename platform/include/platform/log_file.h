// A trace file written line by line: created anew, write access only, held
// exclusively by one opener. A second opener fails without touching the
// first one's content (the lock is taken before the file is truncated).
// Every Write is one system call, so lines from different threads never mix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat {

class LogFile {
 public:
  LogFile() = default;
  ~LogFile() { Close(); }
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  bool Create(const std::string& path);
  bool IsOpen() const { return m_native != -1; }
  void Write(const char* text, size_t length);
  void Close();

 private:
  intptr_t m_native = -1;
};

}  // namespace plat
