// A library that does what Modlink does with its threads: a static object
// starts a thread while the library loads and stops and joins it in its
// destructor, which the C runtime runs from DllMain's process detach, under
// the loader lock. thread_unload_test.cc loads and unloads it.
#include "platform/event.h"
#include "platform/thread.h"

namespace {

struct Worker {
  plat::Event stop{plat::ResetMode::Manual};
  plat::Event running{plat::ResetMode::Manual};
  plat::Thread thread;

  Worker() {
    thread.Start("unload-probe", [this] {
      running.Set();
      stop.Wait(plat::kInfinite);
    });
  }
  ~Worker() {
    stop.Set();
    thread.WaitFinished(plat::kInfinite);
  }
};

Worker g_worker;

}  // namespace

// Waits until the worker is inside its body; 1 when it is.
extern "C" __declspec(dllexport) int ProbeWaitRunning(unsigned timeoutMs) {
  return g_worker.running.Wait(timeoutMs) ? 1 : 0;
}
