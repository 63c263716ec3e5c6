// Threads on Windows: CreateThread, not std::thread, because the library
// joins its threads from DllMain's process detach, under the loader lock.
// A thread cannot finish exiting while another holds the loader lock, so
// nothing here waits on a thread handle: each thread sets its own finished
// event as its very last act and Join()/WaitFinished() wait on that.
//
// Nor can a thread *start* while the loader lock is held: a thread created
// while the library loads, and unloaded before the thread first ran, is
// still waiting to enter its start routine. Waiting for it under the loader
// lock would never end, and letting it run later would jump into unmapped
// code. So a thread claims its body with a compare-and-swap on entry, and
// during process detach the owner cancels a thread that has not claimed it
// yet and terminates it: it holds no lock and has run none of our code.
//
// After the finished event is set the thread touches nothing of the Thread
// object, so the object may be destroyed at once. The thread calls nothing
// that takes the loader lock before its body (the thread-naming function is
// looked up by the owner).
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

// What the new thread reads at its start.
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

DWORD WINAPI ThreadMain(void* param) {
  auto* start = static_cast<ThreadStart*>(param);
  const HANDLE finished = start->finished;
  int expected = kPending;
  if (!start->state.compare_exchange_strong(expected, kRunning)) {
    SetEvent(finished);
    return 0;
  }
  {
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
  SetEvent(finished);
  return 0;
}

}  // namespace

struct Thread::Impl : ThreadStart {
  HANDLE thread = nullptr;
};

Thread::Thread() : m_impl(std::make_unique<Impl>()) {}

Thread::~Thread() { Join(); }

bool Thread::Start(const char* name, std::function<void()> body) {
  if (Started() || !body) return false;
  HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (finished == nullptr) return false;
  m_impl->state = kPending;
  m_impl->finished = finished;
  m_impl->body = std::move(body);
  m_impl->name.clear();
  if (name != nullptr) {
    for (const char* p = name; *p != '\0'; ++p) {
      m_impl->name.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    }
  }
  static const SetThreadDescriptionFn describe = FindSetThreadDescription();
  m_impl->describe = describe;
  HANDLE thread = CreateThread(nullptr, 0, ThreadMain,
                               static_cast<ThreadStart*>(m_impl.get()), 0, nullptr);
  if (thread == nullptr) {
    CloseHandle(finished);
    m_impl->finished = nullptr;
    m_impl->body = nullptr;
    return false;
  }
  m_impl->thread = thread;
  return true;
}

bool Thread::Started() const { return m_impl->thread != nullptr; }

void Thread::Join() {
  if (!Started()) return;
  WaitFinished(INFINITE);
  CloseHandle(m_impl->thread);
  CloseHandle(m_impl->finished);
  m_impl->thread = nullptr;
  m_impl->finished = nullptr;
}

bool Thread::WaitFinished(uint32_t timeoutMs) {
  if (!Started()) return true;
  int expected = kPending;
  if (InProcessDetach() &&
      m_impl->state.compare_exchange_strong(expected, kCancelled)) {
    // Never entered its body, and cannot until the loader lock is
    // released (see the top of this file).
    TerminateThread(m_impl->thread, 0);
    if (WaitForSingleObject(m_impl->thread, 5000) != WAIT_OBJECT_0) {
      // Still not gone: leave it the start record rather than free memory
      // it may yet read.
      m_impl.release();
      m_impl = std::make_unique<Impl>();
      return true;
    }
    SetEvent(m_impl->finished);
  }
  return WaitForSingleObject(m_impl->finished, timeoutMs) == WAIT_OBJECT_0;
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
