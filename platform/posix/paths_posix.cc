#include "platform/paths.h"

#include <cstdio>
#include <cstdlib>

namespace plat {

const std::string& ModlinkRoot() {
  // Read once: the library's view of where its state lives does not move
  // while it runs.
  static const std::string root = [] {
    const char* v = std::getenv("MODLINK_ROOT");
    std::string r = (v && *v) ? v : "/var/lib/modlink";
    while (r.size() > 1 && r.back() == '/') r.pop_back();
    return r;
  }();
  return root;
}

std::string ComDevicePath(uint32_t n) {
  if (n > kMaxComNumber) return std::string();
  char name[16];
  std::snprintf(name, sizeof name, "COM%u", n);
  return ModlinkRoot() + "/ports/" + name;
}

}  // namespace plat
