// The client's notification handle on Windows: an event HANDLE it created.
#include "platform/notify.h"

#include <windows.h>

namespace plat {

bool IsNullClientHandle(intptr_t handle) { return handle == 0; }

void SignalClientHandle(intptr_t handle) {
  if (IsNullClientHandle(handle)) return;
  // A handle the client already closed fails here harmlessly.
  SetEvent(reinterpret_cast<HANDLE>(handle));
}

}  // namespace plat
