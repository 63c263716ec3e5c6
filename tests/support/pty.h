// A pseudo-terminal pair for tests that play the device on the master side
// while the code under test opens the slave like a serial port.
#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

class PseudoTerminal {
 public:
  PseudoTerminal();  // raw mode on both sides
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool ok() const { return m_master >= 0; }
  const std::string& SlavePath() const { return m_slavePath; }
  // Writes all bytes to the master side (what the device sends).
  bool Send(const std::string& bytes);
  // Reads what arrived on the master side within timeoutMs.
  std::string Receive(int timeoutMs);

 private:
  int m_master = -1;
  int m_slave = -1;  // kept open so the pty survives the port's close
  std::string m_slavePath;
};

// Creates a fresh temporary directory; empty on failure.
std::string MakeTempDir(const char* prefix);
// Points `link` at `target` (replacing an existing link).
bool MakeLink(const std::string& target, const std::string& link);

}  // namespace testsupport
