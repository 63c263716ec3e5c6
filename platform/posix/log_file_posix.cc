#include "platform/log_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace plat {

bool LogFile::Create(const std::string& path) {
  Close();
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  // Lock first, truncate second: a second process must not wipe the log of
  // the process that holds it.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ftruncate(fd, 0) != 0) {
    close(fd);
    return false;
  }
  m_native = fd;
  return true;
}

void LogFile::Write(const char* text, size_t length) {
  if (m_native == -1 || text == nullptr) return;
  while (write(static_cast<int>(m_native), text, length) < 0 && errno == EINTR) {
  }
}

void LogFile::Close() {
  if (m_native != -1) close(static_cast<int>(m_native));
  m_native = -1;
}

}  // namespace plat
