// The client's notification handle on Windows: an event HANDLE it created.
#include "platform/notify.h"

#include <windows.h>

namespace plat {

// Kernel handle values are positive; zero is "no handle" and negative
// values are pseudo-handles (-1 is INVALID_HANDLE_VALUE, what a failed
// CreateFile returns, and also the current process), none of them an event
// the client could be waiting on.
bool IsNullClientHandle(intptr_t handle) { return handle <= 0; }

void SignalClientHandle(intptr_t handle) {
  if (IsNullClientHandle(handle)) return;
  // A handle the client already closed fails here harmlessly.
  SetEvent(reinterpret_cast<HANDLE>(handle));
}

}  // namespace plat
