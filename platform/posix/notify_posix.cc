#include "platform/notify.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace plat {

bool IsNullClientHandle(intptr_t handle) { return handle < 1; }

void SignalClientHandle(intptr_t handle) {
  if (IsNullClientHandle(handle)) return;
  const uint64_t one = 1;
  while (write(static_cast<int>(handle), &one, sizeof one) < 0 &&
         errno == EINTR) {
  }
}

}  // namespace plat
