#include "platform/shared_library.h"

#include <windows.h>

namespace plat {

bool SharedLibrary::Load(const std::string& path) {
  Unload();
  m_handle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (m_handle == nullptr) {
    m_error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  m_error.clear();
  return true;
}

void SharedLibrary::Unload() {
  if (m_handle != nullptr) FreeLibrary(reinterpret_cast<HMODULE>(m_handle));
  m_handle = nullptr;
}

void* SharedLibrary::Symbol(const char* name) const {
  if (m_handle == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(m_handle), name));
}

}  // namespace plat
