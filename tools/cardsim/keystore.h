// The POSIX key store and port map that stand in for the serial-port registry key.
//
// Layout under the root directory (a contract other tools rely on):
//   registry/HKEY_LOCAL_MACHINE/HARDWARE/DEVICEMAP/SERIALCOMM/<value name>
//       one regular file per value; file name = value name exactly (backslashes
//       included), content = value data without terminator ("COM5"). Names that
//       begin with "." are not values: files are written as dot-files and renamed
//       into place so a reader never sees half a value.
//   ports/COM<n>  symlink to the device path that serves port n (a pty slave).
//
// Not thread-safe by itself; each card calls it from its own service thread.
#pragma once

#include <string>

namespace cardsim {

class KeyStore {
 public:
  explicit KeyStore(std::string root);

  const std::string& Root() const { return m_root; }
  std::string SerialCommDir() const;
  std::string PortsDir() const;

  // Creates the directories; false (with errno kept) when that fails.
  bool EnsureLayout() const;

  // Writes value |name| with |data| atomically (dot-file, then rename).
  bool WriteValue(const std::string& name, const std::string& data) const;
  bool RemoveValue(const std::string& name) const;
  // Creates ports/COM<n> -> target for the lowest n >= base for which the link
  // does not exist yet. Returns n, or -1 when no link could be made.
  int CreateLowestLink(const std::string& target, int base) const;
  bool RemoveLink(int n) const;
  // Points ports/COM<n> at |target| in one step (new link renamed over the old).
  bool ReplaceLink(int n, const std::string& target) const;
  // Removes every value of the card's driver and its port link (left behind by a
  // card that was killed). Returns how many values were removed.
  int RemoveCardEntries() const;

 private:
  std::string m_root;
};

// Value name under which the card's driver registers port n.
std::string CardValueName(int n);

// Registers a serial device that is not the card (its value name lacks the card
// driver's marker), e.g. "\\Device\\Serial0" -> "COM<n>". No port link is made:
// nothing serves that device. False on a file-system error.
bool RegisterForeignPort(const std::string& root, const std::string& valueName, int n);
bool UnregisterForeignPort(const std::string& root, const std::string& valueName);

}  // namespace cardsim
