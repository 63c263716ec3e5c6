// Where the system's state lives on this OS.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

// Largest COM number whose device path stays within 15 characters.
constexpr uint32_t kMaxComNumber = 99999999;

// Device path of COM port n: "\\.\COM<n>" on Windows,
// "$MODLINK_ROOT/ports/COM<n>" on POSIX. Empty when n > kMaxComNumber.
std::string ComDevicePath(uint32_t n);

// POSIX: $MODLINK_ROOT as read once at load (default /var/lib/modlink).
// Windows: empty.
const std::string& ModlinkRoot();

}  // namespace plat
