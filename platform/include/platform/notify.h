// The client's notification handle: a Windows event HANDLE, or on POSIX a
// file descriptor (an eventfd in practice) that is signalled by writing
// the 8-byte value 1. The library only ever signals it.
#pragma once

#include <cstdint>

namespace plat {

// A value of 0 or below counts as null (no handle or descriptor is).
bool IsNullClientHandle(intptr_t handle);
void SignalClientHandle(intptr_t handle);

}  // namespace plat
