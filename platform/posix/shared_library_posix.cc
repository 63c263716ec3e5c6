#include "platform/shared_library.h"

#include <dlfcn.h>

namespace plat {

bool SharedLibrary::Load(const std::string& path) {
  Unload();
  m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (m_handle == nullptr) {
    const char* e = dlerror();
    m_error = e ? e : "cannot load " + path;
    return false;
  }
  m_error.clear();
  return true;
}

void SharedLibrary::Unload() {
  if (m_handle != nullptr) dlclose(m_handle);
  m_handle = nullptr;
}

void* SharedLibrary::Symbol(const char* name) const {
  return m_handle ? dlsym(m_handle, name) : nullptr;
}

}  // namespace plat
