// Named threads with one of four priorities.
//
// Join() waits until the thread's body has returned. On Windows a thread
// also sets a finished event as its very last act, so that code running
// under the loader lock (a DLL unloading) can wait for that instead of the
// thread handle: see WaitFinished().
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace plat {

enum class ThreadPriority { Highest, AboveNormal, Normal, BelowNormal };

class Thread {
 public:
  Thread();
  ~Thread();  // joins a thread that was started and not joined
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts body on a new thread; false when the OS refused.
  bool Start(const char* name, std::function<void()> body);
  bool Started() const;
  // Waits until the body has returned and releases the thread.
  void Join();
  // Waits at most timeoutMs for the body to return without releasing the
  // thread; safe under the Windows loader lock. True when it has returned.
  bool WaitFinished(uint32_t timeoutMs);

  // Sets the calling thread's priority; best effort (POSIX adjusts the
  // thread's nice value where permitted).
  static void SetCurrentPriority(ThreadPriority priority);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

void SleepMs(uint32_t ms);

}  // namespace plat
