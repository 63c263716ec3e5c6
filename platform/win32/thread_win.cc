// Threads on Windows, built for being joined while the library unloads:
// the library joins its threads from DllMain's process detach, where the
// loader lock is held. Two hazards follow, and the thread pool API exists
// to handle both:
//
// - A thread cannot start, or finish exiting, while another thread holds
//   the loader lock. So nothing here waits on a thread handle.
// - After a thread signals that it has finished, it still executes the
//   rest of its start routine, which lives in this library's code. If the
//   owner unmaps the library first, the thread faults. So the signal must
//   come from code outside the library: the body runs as a work item on a
//   private pool of one thread, and SetEventWhenCallbackReturns makes the
//   pool set the finished event after the callback has returned into the
//   pool's own code.
//
// A thread created while the library loads may not have started when the
// library unloads, and cannot start until the loader lock is released, when
// its code is gone. So a body claims its run with a compare-and-swap, and
// during process detach the owner cancels a body that has not claimed it;
// the pool then drops the work item without calling into the library.
//
// Nothing the worker does before the body takes the loader lock (the
// thread-naming function is looked up by the owner).
#include "platform/thread.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <utility>

#include "loader_state_win.h"

namespace plat {

namespace {

using SetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PCWSTR);

enum StartState : int { kPending, kRunning, kCancelled };

// What the worker reads when the work item starts.
struct ThreadStart {
  std::atomic<int> state{kPending};
  HANDLE finished = nullptr;
  std::function<void()> body;
  std::wstring name;
  SetThreadDescriptionFn describe = nullptr;
};

// SetThreadDescription exists from Windows 10 1607 on; older systems simply
// run unnamed threads.
SetThreadDescriptionFn FindSetThreadDescription() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return nullptr;
  FARPROC proc = GetProcAddress(kernel, "SetThreadDescription");
  if (proc == nullptr) return nullptr;
  SetThreadDescriptionFn fn;
  static_assert(sizeof(fn) == sizeof(proc), "function pointer sizes");
  std::memcpy(&fn, &proc, sizeof(fn));
  return fn;
}

void CALLBACK WorkMain(PTP_CALLBACK_INSTANCE instance, void* param, PTP_WORK) {
  auto* start = static_cast<ThreadStart*>(param);
  // Set by the pool once this function has returned: see the top of file.
  SetEventWhenCallbackReturns(instance, start->finished);
  int expected = kPending;
  if (!start->state.compare_exchange_strong(expected, kRunning)) return;
  // The body and its captures are destroyed on this thread, before the
  // finished event tells the owner it may destroy the Thread.
  std::function<void()> body = std::move(start->body);
  if (start->describe != nullptr && !start->name.empty()) {
    start->describe(GetCurrentThread(), start->name.c_str());
  }
  try {
    body();
  } catch (...) {
    // A body that throws must still let its owner join it.
    OutputDebugStringA("thread body ended with an exception\n");
  }
}

}  // namespace

struct Thread::Impl : ThreadStart {
  PTP_POOL pool = nullptr;
  PTP_WORK work = nullptr;
  TP_CALLBACK_ENVIRON environment;

  void Release() {
    if (work != nullptr) CloseThreadpoolWork(work);
    if (pool != nullptr) {
      DestroyThreadpoolEnvironment(&environment);
      CloseThreadpool(pool);
    }
    if (finished != nullptr) CloseHandle(finished);
    work = nullptr;
    pool = nullptr;
    finished = nullptr;
  }
};

Thread::Thread() : m_impl(std::make_unique<Impl>()) {}

Thread::~Thread() { Join(); }

bool Thread::Start(const char* name, std::function<void()> body) {
  if (Started() || !body) return false;
  Impl& impl = *m_impl;
  impl.state = kPending;
  impl.body = std::move(body);
  impl.name.clear();
  if (name != nullptr) {
    for (const char* p = name; *p != '\0'; ++p) {
      impl.name.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    }
  }
  static const SetThreadDescriptionFn describe = FindSetThreadDescription();
  impl.describe = describe;

  impl.finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  impl.pool = impl.finished != nullptr ? CreateThreadpool(nullptr) : nullptr;
  if (impl.pool != nullptr) {
    // One thread of its own, so that the body's priority and its blocking
    // waits affect nothing else.
    SetThreadpoolThreadMaximum(impl.pool, 1);
    InitializeThreadpoolEnvironment(&impl.environment);
    SetThreadpoolCallbackPool(&impl.environment, impl.pool);
    if (SetThreadpoolThreadMinimum(impl.pool, 1)) {
      impl.work = CreateThreadpoolWork(WorkMain, static_cast<ThreadStart*>(&impl),
                                       &impl.environment);
    }
  }
  if (impl.work == nullptr) {
    impl.Release();
    impl.body = nullptr;
    return false;
  }
  SubmitThreadpoolWork(impl.work);
  return true;
}

bool Thread::Started() const { return m_impl->work != nullptr; }

void Thread::Join() {
  if (!Started()) return;
  WaitFinished(INFINITE);
  // The callback has returned; let the pool finish with the work item.
  WaitForThreadpoolWorkCallbacks(m_impl->work, FALSE);
  m_impl->Release();
}

bool Thread::WaitFinished(uint32_t timeoutMs) {
  if (!Started()) return true;
  Impl& impl = *m_impl;
  int expected = kPending;
  if (InProcessDetach() && impl.state.compare_exchange_strong(expected, kCancelled)) {
    // The body never began and cannot until the loader lock is released:
    // drop the work item if it has not been dispatched, or let a callback
    // that lost the claim return.
    WaitForThreadpoolWorkCallbacks(impl.work, TRUE);
    SetEvent(impl.finished);
  }
  return WaitForSingleObject(impl.finished, timeoutMs) == WAIT_OBJECT_0;
}

void Thread::SetCurrentPriority(ThreadPriority priority) {
  int value = THREAD_PRIORITY_NORMAL;
  switch (priority) {
    case ThreadPriority::Highest: value = THREAD_PRIORITY_HIGHEST; break;
    case ThreadPriority::AboveNormal: value = THREAD_PRIORITY_ABOVE_NORMAL; break;
    case ThreadPriority::Normal: value = THREAD_PRIORITY_NORMAL; break;
    case ThreadPriority::BelowNormal: value = THREAD_PRIORITY_BELOW_NORMAL; break;
  }
  SetThreadPriority(GetCurrentThread(), value);
}

void SleepMs(uint32_t ms) { Sleep(ms); }

}  // namespace plat
