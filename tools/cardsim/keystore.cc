// POSIX key store and port map; see keystore.h.
#include "keystore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace cardsim {
namespace {

bool MakeDirs(const std::string& path) {
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    partial = path.substr(0, pos);
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

KeyStore::KeyStore(std::string root) : m_root(std::move(root)) {
  while (m_root.size() > 1 && m_root.back() == '/') m_root.pop_back();
}

std::string KeyStore::SerialCommDir() const {
  return m_root + "/registry/HKEY_LOCAL_MACHINE/HARDWARE/DEVICEMAP/SERIALCOMM";
}

std::string KeyStore::PortsDir() const { return m_root + "/ports"; }

bool KeyStore::EnsureLayout() const { return MakeDirs(SerialCommDir()) && MakeDirs(PortsDir()); }

bool KeyStore::WriteValue(const std::string& name, const std::string& data) const {
  if (name.empty() || name[0] == '.' || name.find('/') != std::string::npos) return false;
  if (!EnsureLayout()) return false;
  std::string dir = SerialCommDir();
  std::string temp = dir + "/.tmp-" + std::to_string(getpid()) + "-" + name;
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, data);
  ok = (close(fd) == 0) && ok;
  if (!ok || rename(temp.c_str(), (dir + "/" + name).c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

bool KeyStore::RemoveValue(const std::string& name) const {
  if (name.empty() || name[0] == '.' || name.find('/') != std::string::npos) return false;
  return unlink((SerialCommDir() + "/" + name).c_str()) == 0 || errno == ENOENT;
}

int KeyStore::CreateLowestLink(const std::string& target, int base) const {
  if (!EnsureLayout()) return -1;
  if (base < 1) base = 1;
  for (int n = base; n < base + 256; ++n) {
    std::string link = PortsDir() + "/COM" + std::to_string(n);
    if (symlink(target.c_str(), link.c_str()) == 0) return n;
    if (errno != EEXIST) return -1;
  }
  return -1;
}

bool KeyStore::RemoveLink(int n) const {
  std::string link = PortsDir() + "/COM" + std::to_string(n);
  return unlink(link.c_str()) == 0 || errno == ENOENT;
}

bool KeyStore::ReplaceLink(int n, const std::string& target) const {
  std::string link = PortsDir() + "/COM" + std::to_string(n);
  std::string temp = PortsDir() + "/.COM" + std::to_string(n) + "-" + std::to_string(getpid());
  unlink(temp.c_str());
  if (symlink(target.c_str(), temp.c_str()) != 0) return false;
  if (rename(temp.c_str(), link.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

int KeyStore::RemoveCardEntries() const {
  std::vector<std::string> names;
  if (DIR* dir = opendir(SerialCommDir().c_str())) {
    while (dirent* e = readdir(dir)) {
      std::string name = e->d_name;
      if (name[0] != '.' && name.rfind("\\Device\\QCUSB_COM", 0) == 0) names.push_back(name);
    }
    closedir(dir);
  }
  int removed = 0;
  for (const std::string& name : names) {
    int n = std::atoi(name.c_str() + 17);  // after "\Device\QCUSB_COM"
    if (RemoveValue(name)) ++removed;
    if (n > 0) RemoveLink(n);
  }
  return removed;
}

std::string CardValueName(int n) { return "\\Device\\QCUSB_COM" + std::to_string(n); }

bool RegisterForeignPort(const std::string& root, const std::string& valueName, int n) {
  if (valueName.find("QCUSB") != std::string::npos || n < 0) return false;
  return KeyStore(root).WriteValue(valueName, "COM" + std::to_string(n));
}

bool UnregisterForeignPort(const std::string& root, const std::string& valueName) {
  return KeyStore(root).RemoveValue(valueName);
}

}  // namespace cardsim
