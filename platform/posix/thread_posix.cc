// Threads on std::thread; priorities through the thread's nice value.
#include "platform/thread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace plat {

struct Thread::Impl {
  std::thread thread;
  std::mutex mutex;
  std::condition_variable cv;
  bool finished = false;
};

Thread::Thread() = default;

Thread::~Thread() { Join(); }

bool Thread::Start(const char* name, std::function<void()> body) {
  if (m_impl) return false;
  auto impl = std::make_unique<Impl>();
  Impl* raw = impl.get();
  std::string threadName = name ? name : "";
  try {
    impl->thread = std::thread([raw, threadName, fn = std::move(body)]() {
      if (!threadName.empty()) {
        char shortName[16] = {};
        std::strncpy(shortName, threadName.c_str(), sizeof shortName - 1);
        pthread_setname_np(pthread_self(), shortName);
      }
      fn();
      std::lock_guard<std::mutex> lock(raw->mutex);
      raw->finished = true;
      raw->cv.notify_all();
    });
  } catch (...) {
    return false;
  }
  m_impl = std::move(impl);
  return true;
}

bool Thread::Started() const { return m_impl != nullptr; }

void Thread::Join() {
  if (m_impl && m_impl->thread.joinable()) m_impl->thread.join();
  m_impl.reset();
}

bool Thread::WaitFinished(uint32_t timeoutMs) {
  if (!m_impl) return true;
  std::unique_lock<std::mutex> lock(m_impl->mutex);
  if (timeoutMs == 0xFFFFFFFFu) {
    m_impl->cv.wait(lock, [this] { return m_impl->finished; });
    return true;
  }
  return m_impl->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return m_impl->finished; });
}

void Thread::SetCurrentPriority(ThreadPriority priority) {
  int nice = 0;
  switch (priority) {
    case ThreadPriority::Highest: nice = -2; break;
    case ThreadPriority::AboveNormal: nice = -1; break;
    case ThreadPriority::Normal: nice = 0; break;
    case ThreadPriority::BelowNormal: nice = 1; break;
  }
  // On Linux the nice value is per thread. Raising priority needs a
  // privilege; without it the thread keeps the normal one.
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  setpriority(PRIO_PROCESS, tid, nice);
}

void SleepMs(uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace plat
