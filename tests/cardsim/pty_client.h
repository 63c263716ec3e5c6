// A client side for cardsim tests: opens a port through its link in the port map
// the way the library does (O_NOCTTY, raw mode, flock + TIOCEXCL) and reads with
// deadlines, never by sleeping.
#pragma once

#include <string>

namespace cardsim_test {

// Makes a fresh key-store root under /tmp and removes it on destruction.
class TempRoot {
 public:
  TempRoot();
  ~TempRoot();
  const std::string& Path() const { return m_path; }
  std::string Link(int com) const { return m_path + "/ports/COM" + std::to_string(com); }
  std::string ValueDir() const {
    return m_path + "/registry/HKEY_LOCAL_MACHINE/HARDWARE/DEVICEMAP/SERIALCOMM";
  }
  // Content of value file |name|; empty optional-like "" plus false when missing.
  bool ReadValue(const std::string& name, std::string* data) const;

 private:
  std::string m_path;
};

class PtyClient {
 public:
  PtyClient() = default;
  ~PtyClient();
  PtyClient(const PtyClient&) = delete;
  PtyClient& operator=(const PtyClient&) = delete;

  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  int Fd() const { return m_fd; }

  bool Write(const std::string& bytes);
  // Sends |line| followed by CR LF (as the library's queue does) and reads until a
  // final result code ends the answer. Returns everything read.
  std::string Command(const std::string& line, int timeoutMs = 3000);
  // Reads until |pattern| has been seen (everything read so far is returned), or
  // the deadline passes.
  std::string ReadUntil(const std::string& pattern, int timeoutMs = 3000);
  // Reads exactly |count| bytes unless the deadline passes first.
  std::string ReadCount(size_t count, int timeoutMs = 3000);
  // Reads what arrives within |timeoutMs| (used only where silence is the point,
  // after an event that proves the answer would have come first).
  std::string ReadAvailable(int timeoutMs);
  // True when the port reports hang-up or an I/O error within |timeoutMs|.
  bool WaitHangup(int timeoutMs);

 private:
  int m_fd = -1;
  std::string m_buffer;  // read but not yet returned
};

// True when |response| holds a final result code line (or the "> " prompt);
// FinalResultEnd gives the offset just past the first one (npos when none).
bool HasFinalResult(const std::string& response);
size_t FinalResultEnd(const std::string& response);

}  // namespace cardsim_test
