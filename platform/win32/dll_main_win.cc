// The library's DllMain: notes whether the process is terminating when the
// library is detached (lpReserved non-null), before the C runtime runs the
// library's destructors.
#include <windows.h>

#include <atomic>

#include "platform/system.h"

namespace {
std::atomic<bool> g_processExiting{false};
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved != nullptr) g_processExiting = true;
  return TRUE;
}

namespace plat {
bool ProcessIsExiting() { return g_processExiting.load(); }
}  // namespace plat
