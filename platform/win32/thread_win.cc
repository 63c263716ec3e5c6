// Threads on Windows: CreateThread, not std::thread, because the library
// joins its threads from DllMain's process detach, under the loader lock.
// A thread cannot finish exiting while another holds the loader lock, so
// nothing here waits on a thread handle: each thread sets its own finished
// event as its very last act and Join()/WaitFinished() wait on that.
//
// After the finished event is set the thread touches nothing of the Thread
// object, so the object may be destroyed at once.
#include "platform/thread.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>

namespace plat {

namespace {

// What the new thread reads at its start.
struct ThreadStart {
  HANDLE finished = nullptr;
  std::function<void()> body;
  std::wstring name;
};

}  // namespace

struct Thread::Impl : ThreadStart {
  HANDLE thread = nullptr;
};

namespace {

using SetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PCWSTR);

// SetThreadDescription exists from Windows 10 1607 on; older systems simply
// run unnamed threads.
void NameCurrentThread(const std::wstring& name) {
  if (name.empty()) return;
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return;
  FARPROC proc = GetProcAddress(kernel, "SetThreadDescription");
  if (proc == nullptr) return;
  SetThreadDescriptionFn fn;
  static_assert(sizeof(fn) == sizeof(proc), "function pointer sizes");
  memcpy(&fn, &proc, sizeof(fn));
  fn(GetCurrentThread(), name.c_str());
}

DWORD WINAPI ThreadMain(void* param) {
  auto* impl = static_cast<ThreadStart*>(param);
  const HANDLE finished = impl->finished;
  {
    // The body and its captures are destroyed on this thread, before the
    // finished event tells the owner it may destroy the Thread.
    std::function<void()> body = std::move(impl->body);
    NameCurrentThread(impl->name);
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

Thread::Thread() : m_impl(std::make_unique<Impl>()) {}

Thread::~Thread() { Join(); }

bool Thread::Start(const char* name, std::function<void()> body) {
  if (Started() || !body) return false;
  HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (finished == nullptr) return false;
  m_impl->finished = finished;
  m_impl->body = std::move(body);
  m_impl->name.clear();
  if (name != nullptr) {
    for (const char* p = name; *p != '\0'; ++p) {
      m_impl->name.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    }
  }
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
  WaitForSingleObject(m_impl->finished, INFINITE);
  CloseHandle(m_impl->thread);
  CloseHandle(m_impl->finished);
  m_impl->thread = nullptr;
  m_impl->finished = nullptr;
}

bool Thread::WaitFinished(uint32_t timeoutMs) {
  if (!Started()) return true;
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
