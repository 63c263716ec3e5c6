// Events: the synchronisation points between the library's threads.
//
// One type on every OS, chosen at build time: a Win32 event object on
// Windows, an eventfd on POSIX (so an event can be waited on together with
// other descriptors). A manual-reset event stays set until Reset(); an
// auto-reset event is consumed by the one wait it releases.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

enum class ResetMode { Manual, Auto };

class Event {
 public:
  explicit Event(ResetMode mode = ResetMode::Manual);
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  // False when the OS refused to create the event; every other call then
  // does nothing and waits report a timeout.
  bool Valid() const { return m_native != kInvalid; }
  ResetMode Mode() const { return m_mode; }

  void Set();
  void Reset();
  // True when the event was (or became) set within timeoutMs.
  bool Wait(uint32_t timeoutMs);

  // OS handle: HANDLE on Windows, the eventfd on POSIX.
  intptr_t Native() const { return m_native; }

 private:
  static constexpr intptr_t kInvalid = -1;
  intptr_t m_native = kInvalid;
  ResetMode m_mode;
};

constexpr int kWaitTimeout = -1;
constexpr int kWaitFailed = -2;

// Waits until one of the events is set. When several are set, the lowest
// index wins (and only that one is consumed if it is auto-reset).
// Returns the index, kWaitTimeout, or kWaitFailed (bad arguments).
int WaitAny(Event* const* events, size_t count, uint32_t timeoutMs);

}  // namespace plat
