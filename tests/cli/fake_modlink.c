/* A shared library that is not the real Modlink: with FAKE_WITH_CORE_EXPORTS
 * it has only the two exports every client needs and never posts anything;
 * without, it has none of them. */
#include <stdint.h>

#define FAKE_EXPORT __attribute__((visibility("default")))

#ifdef FAKE_WITH_CORE_EXPORTS
FAKE_EXPORT int32_t Dll_ReadDate(int32_t* id, void* buffer, int32_t* length) {
  (void)id;
  (void)buffer;
  (void)length;
  return 0;
}

FAKE_EXPORT int32_t Dll_SetNotify(int handle) {
  (void)handle;
  return 1;
}
#else
FAKE_EXPORT int fake_not_modlink(void) { return 0; }
#endif
