// Device paths on Windows: the COM device namespace.
#include "platform/paths.h"

#include <cstdio>

namespace plat {

std::string ComDevicePath(uint32_t n) {
  if (n > kMaxComNumber) return std::string();
  char path[16];
  const int len = std::snprintf(path, sizeof(path), "\\\\.\\COM%u",
                                static_cast<unsigned>(n));
  if (len <= 0 || static_cast<size_t>(len) >= sizeof(path)) return std::string();
  return std::string(path, static_cast<size_t>(len));
}

const std::string& ModlinkRoot() {
  static const std::string empty;
  return empty;
}

}  // namespace plat
