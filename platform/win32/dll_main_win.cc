// The library's DllMain: notes that the library is being detached, and
// whether the process is terminating (lpReserved non-null), before the C
// runtime runs the library's destructors (mingw-w64's DllMainCRTStartup
// calls DllMain first and then the destructors).
#include <windows.h>

#include <atomic>

#include "loader_state_win.h"
#include "platform/system.h"

namespace {
std::atomic<bool> g_processExiting{false};
std::atomic<bool> g_processDetach{false};
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH) {
    g_processDetach = true;
    if (reserved != nullptr) g_processExiting = true;
  }
  return TRUE;
}

namespace plat {
bool ProcessIsExiting() { return g_processExiting.load(); }
bool InProcessDetach() { return g_processDetach.load(); }
}  // namespace plat
