// What the Windows loader is doing with the library that contains this
// code (set by DllMain in dll_main_win.cc; always false in a program).
#pragma once

namespace plat {

// True once DllMain has seen DLL_PROCESS_DETACH: the library is unloading
// and the calling thread holds the loader lock, so no other thread can
// start or finish starting until it is released.
bool InProcessDetach();

}  // namespace plat
