// Threads of a library joined while the library unloads (DllMain's process
// detach, loader lock held): unloading must end whether the thread was
// already running its body or had not yet been let in to start.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "platform/event.h"
#include "platform/shared_library.h"
#include "platform/thread.h"

namespace plat {
namespace {

using ProbeWaitRunningFn = int (*)(unsigned);

// Loads and unloads the probe library on a separate thread so that a
// deadlock fails the test instead of hanging it.
bool LoadAndUnload(bool waitUntilRunning, std::string* error) {
  Event done(ResetMode::Manual);
  bool ok = false;
  Thread cycle;
  cycle.Start("load-unload", [&] {
    SharedLibrary lib;
    if (!lib.Load("unload_probe.dll")) {
      *error = lib.Error();
    } else if (waitUntilRunning) {
      auto wait = reinterpret_cast<ProbeWaitRunningFn>(lib.Symbol("ProbeWaitRunning"));
      if (wait == nullptr || wait(5000) != 1) {
        *error = "the probe's thread never ran";
      } else {
        ok = true;
      }
    } else {
      ok = true;
    }
    lib.Unload();
    done.Set();
  });
  if (!done.Wait(10000)) {
    // The stuck thread holds the loader lock, so neither joining it nor a
    // normal process exit could end: report and terminate.
    ADD_FAILURE() << "unloading did not end: a join under the loader lock deadlocked";
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 1);
  }
  cycle.Join();
  return ok;
}

TEST(ThreadUnload, JoinOfARunningThreadDuringUnloadEnds) {
  for (int i = 0; i < 10; ++i) {
    std::string error;
    ASSERT_TRUE(LoadAndUnload(true, &error)) << "cycle " << i << ": " << error;
  }
}

// Unloaded right after loading: the thread created during the load has
// usually not started, and cannot while the unload holds the loader lock.
TEST(ThreadUnload, JoinOfAThreadThatNeverStartedDuringUnloadEnds) {
  for (int i = 0; i < 20; ++i) {
    std::string error;
    ASSERT_TRUE(LoadAndUnload(false, &error)) << "cycle " << i << ": " << error;
  }
}

}  // namespace
}  // namespace plat
