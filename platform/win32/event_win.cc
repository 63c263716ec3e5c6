// Events on Windows: one Win32 event object each. WaitAny maps directly to
// WaitForMultipleObjects, which already reports the lowest signalled index
// and consumes only that event when it is auto-reset.
#include "platform/event.h"

#include <windows.h>

namespace plat {

namespace {

HANDLE AsHandle(intptr_t native) { return reinterpret_cast<HANDLE>(native); }

}  // namespace

Event::Event(ResetMode mode) : m_mode(mode) {
  HANDLE h = CreateEventA(nullptr, mode == ResetMode::Manual ? TRUE : FALSE,
                          FALSE, nullptr);
  if (h != nullptr) m_native = reinterpret_cast<intptr_t>(h);
}

Event::~Event() {
  if (Valid()) CloseHandle(AsHandle(m_native));
}

void Event::Set() {
  if (Valid()) SetEvent(AsHandle(m_native));
}

void Event::Reset() {
  if (Valid()) ResetEvent(AsHandle(m_native));
}

bool Event::Wait(uint32_t timeoutMs) {
  if (!Valid()) return false;
  return WaitForSingleObject(AsHandle(m_native), timeoutMs) == WAIT_OBJECT_0;
}

int WaitAny(Event* const* events, size_t count, uint32_t timeoutMs) {
  if (events == nullptr || count == 0 || count > MAXIMUM_WAIT_OBJECTS) {
    return kWaitFailed;
  }
  HANDLE handles[MAXIMUM_WAIT_OBJECTS];
  for (size_t i = 0; i < count; ++i) {
    if (events[i] == nullptr || !events[i]->Valid()) return kWaitFailed;
    handles[i] = AsHandle(events[i]->Native());
  }
  const DWORD r = WaitForMultipleObjects(static_cast<DWORD>(count), handles,
                                         FALSE, timeoutMs);
  if (r == WAIT_TIMEOUT) return kWaitTimeout;
  if (r < WAIT_OBJECT_0 + count) return static_cast<int>(r - WAIT_OBJECT_0);
  return kWaitFailed;
}

}  // namespace plat
