// The key store as a directory tree below $MODLINK_ROOT/registry/
// HKEY_LOCAL_MACHINE: a key is a directory, a value a regular file named as
// the value and holding its data. Change notification is inotify on the
// key's directory and every directory below it (including ones created
// later), served by one watcher thread per watched key.
#include "platform/key_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/event.h"
#include "platform/paths.h"

namespace plat {
namespace {

std::string HiveRoot() { return ModlinkRoot() + "/registry/HKEY_LOCAL_MACHINE"; }

bool MakeDirs(const std::string& path) {
  std::string partial;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    partial = path.substr(0, next);
    if (!partial.empty() && mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
      return false;
    pos = next + 1;
  }
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// HARDWARE\DEVICEMAP always exists, as it does on Windows.
void EnsureDeviceMap() {
  static std::once_flag once;
  std::call_once(once, [] { MakeDirs(HiveRoot() + "/HARDWARE/DEVICEMAP"); });
}

// Maps "A\B\C" to the key's directory; empty for a malformed path (empty
// components, "." or "..", a slash inside a component).
std::string KeyDirectory(const char* subKey) {
  if (subKey == nullptr) return std::string();
  std::string dir = HiveRoot();
  std::string component;
  for (const char* p = subKey;; ++p) {
    if (*p == '\\' || *p == '\0') {
      if (component.empty() || component == "." || component == "..")
        return std::string();
      dir += '/';
      dir += component;
      component.clear();
      if (*p == '\0') break;
    } else if (*p == '/') {
      return std::string();
    } else {
      component += *p;
    }
  }
  return dir;
}

bool ValidValueName(const char* name) {
  return name != nullptr && *name != '\0' && *name != '.' &&
         std::strchr(name, '/') == nullptr;
}

bool IsDir(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Value names of a key in byte order.
bool ListValues(const std::string& dir, std::vector<std::string>* names) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return false;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    struct stat st{};
    const std::string path = dir + "/" + e->d_name;
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
      names->emplace_back(e->d_name);
  }
  closedir(d);
  std::sort(names->begin(), names->end());
  return true;
}

// Reads a value's data plus a terminator into data (capacity *dataLen).
EnumResult ReadValue(const std::string& path, uint8_t* data, uint32_t* dataLen) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return EnumResult::Error;
  struct stat st{};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 0x7FFFFFFE) {
    close(fd);
    return EnumResult::Error;
  }
  const auto needed = static_cast<uint32_t>(st.st_size) + 1;
  const uint32_t capacity = dataLen ? *dataLen : 0;
  if (dataLen) *dataLen = needed;
  if (data == nullptr || capacity < needed) {
    close(fd);
    return data == nullptr && dataLen ? EnumResult::Ok : EnumResult::MoreData;
  }
  uint32_t got = 0;
  while (got < needed - 1) {
    ssize_t n = read(fd, data + got, needed - 1 - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<uint32_t>(n);
  }
  close(fd);
  data[got] = 0;
  *dataLen = got + 1;
  return EnumResult::Ok;
}

}  // namespace

struct RegKey::Impl {
  std::string dir;
  std::vector<std::string> listing;  // value names of the current enumeration

  // Change notification.
  std::mutex mutex;
  Event* target = nullptr;  // guarded by mutex
  bool armed = false;       // a NotifyChange is outstanding
  bool missed = false;      // a change came while nobody was armed
  int inotifyFd = -1;
  int stopFd = -1;
  std::unordered_map<int, std::string> watches;  // watcher thread only
  std::thread watcher;

  void AddWatchTree(const std::string& path) {
    const uint32_t mask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                          IN_CLOSE_WRITE | IN_MODIFY | IN_DELETE_SELF |
                          IN_MOVE_SELF | IN_ONLYDIR;
    int wd = inotify_add_watch(inotifyFd, path.c_str(), mask);
    if (wd < 0) return;
    watches[wd] = path;
    DIR* d = opendir(path.c_str());
    if (d == nullptr) return;
    std::vector<std::string> subdirs;
    while (dirent* e = readdir(d)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
        continue;
      std::string child = path + "/" + e->d_name;
      if (IsDir(child)) subdirs.push_back(child);
    }
    closedir(d);
    for (const auto& s : subdirs) AddWatchTree(s);
  }

  void Fire() {
    std::lock_guard<std::mutex> lock(mutex);
    if (armed && target) {
      armed = false;
      target->Set();
    } else {
      missed = true;
    }
  }

  void Watch() {
    alignas(inotify_event) char buf[8192];
    for (;;) {
      pollfd p[2] = {{inotifyFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
      int r = poll(p, 2, -1);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 || p[1].revents) return;
      ssize_t n = read(inotifyFd, buf, sizeof buf);
      if (n <= 0) continue;
      bool changed = false;
      for (ssize_t off = 0; off < n;) {
        auto* ev = reinterpret_cast<inotify_event*>(buf + off);
        off += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
        const bool hidden = ev->len > 0 && ev->name[0] == '.';
        if ((ev->mask & (IN_CREATE | IN_MOVED_TO)) && (ev->mask & IN_ISDIR)) {
          auto it = watches.find(ev->wd);
          if (it != watches.end()) AddWatchTree(it->second + "/" + ev->name);
        }
        if (ev->mask & IN_IGNORED) {
          watches.erase(ev->wd);
          continue;
        }
        // Dot-files are a writer's work in progress, not values.
        if (!hidden) changed = true;
      }
      if (changed) Fire();
    }
  }

  void StopWatching() {
    if (watcher.joinable()) {
      const uint64_t one = 1;
      ssize_t ignored = write(stopFd, &one, sizeof one);
      (void)ignored;
      watcher.join();
    }
    if (inotifyFd >= 0) close(inotifyFd);
    if (stopFd >= 0) close(stopFd);
    inotifyFd = stopFd = -1;
    watches.clear();
    std::lock_guard<std::mutex> lock(mutex);
    target = nullptr;
    armed = missed = false;
  }
};

RegKey::RegKey() = default;
RegKey::~RegKey() { Close(); }

bool RegKey::Open(const char* subKey) {
  EnsureDeviceMap();
  Close();
  std::string dir = KeyDirectory(subKey);
  if (dir.empty() || !IsDir(dir)) return false;
  m_impl = std::make_unique<Impl>();
  m_impl->dir = dir;
  return true;
}

bool RegKey::Create(const char* subKey) {
  EnsureDeviceMap();
  Close();
  std::string dir = KeyDirectory(subKey);
  if (dir.empty() || !MakeDirs(dir)) return false;
  m_impl = std::make_unique<Impl>();
  m_impl->dir = dir;
  return true;
}

bool RegKey::IsOpen() const { return m_impl != nullptr; }

void RegKey::Close() {
  if (!m_impl) return;
  m_impl->StopWatching();
  m_impl.reset();
}

EnumResult RegKey::EnumValue(uint32_t index, char* name, uint32_t* nameLen,
                             uint8_t* data, uint32_t* dataLen) {
  if (!m_impl || name == nullptr || nameLen == nullptr) return EnumResult::Error;
  // The directory is listed once per enumeration (at index 0), not once
  // per value: callers walk the indexes from 0 up.
  std::vector<std::string>& names = m_impl->listing;
  if (index == 0 || index > names.size()) {
    names.clear();
    if (!ListValues(m_impl->dir, &names)) return EnumResult::Error;
  }
  if (index >= names.size()) return EnumResult::NoMoreItems;
  const std::string& n = names[index];
  if (n.size() + 1 > *nameLen) {
    *nameLen = static_cast<uint32_t>(n.size());
    return EnumResult::MoreData;
  }
  std::memcpy(name, n.c_str(), n.size() + 1);
  *nameLen = static_cast<uint32_t>(n.size());
  if (dataLen == nullptr) return EnumResult::Ok;
  return ReadValue(m_impl->dir + "/" + n, data, dataLen);
}

EnumResult RegKey::QueryValue(const char* name, uint8_t* data,
                              uint32_t* dataLen) {
  if (!m_impl || !ValidValueName(name)) return EnumResult::Error;
  return ReadValue(m_impl->dir + "/" + name, data, dataLen);
}

bool RegKey::SetValue(const char* name, const std::string& data) {
  if (!m_impl || !ValidValueName(name)) return false;
  const std::string path = m_impl->dir + "/" + name;
  const std::string tmp = m_impl->dir + "/.tmp." + std::to_string(getpid()) +
                          "." + std::to_string(gettid());
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool ok = done == data.size() && close(fd) == 0;
  if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
    unlink(tmp.c_str());
    return false;
  }
  return true;
}

bool RegKey::DeleteValue(const char* name) {
  if (!m_impl || !ValidValueName(name)) return false;
  return unlink((m_impl->dir + "/" + name).c_str()) == 0;
}

bool RegKey::NotifyChange(Event& event) {
  if (!m_impl || !event.Valid()) return false;
  Impl& impl = *m_impl;
  if (!impl.watcher.joinable()) {
    impl.inotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    impl.stopFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (impl.inotifyFd < 0 || impl.stopFd < 0) {
      impl.StopWatching();
      return false;
    }
    impl.AddWatchTree(impl.dir);
    if (impl.watches.empty()) {
      impl.StopWatching();
      return false;
    }
    try {
      impl.watcher = std::thread([&impl] { impl.Watch(); });
    } catch (...) {
      impl.StopWatching();
      return false;
    }
  }
  std::lock_guard<std::mutex> lock(impl.mutex);
  impl.target = &event;
  if (impl.missed) {
    // A change since the last notification was delivered: report it now
    // rather than lose it.
    impl.missed = false;
    impl.armed = false;
    event.Set();
  } else {
    impl.armed = true;
  }
  return true;
}

bool KeyExists(const char* subKey) {
  EnsureDeviceMap();
  const std::string dir = KeyDirectory(subKey);
  return !dir.empty() && IsDir(dir);
}

}  // namespace plat
