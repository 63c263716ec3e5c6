// Loading a shared library and finding its exports by plain name
// (dlopen/dlsym, LoadLibrary/GetProcAddress).
#pragma once

#include <string>

namespace plat {

class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary() { Unload(); }
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  bool Load(const std::string& path);  // false: see Error()
  bool IsLoaded() const { return m_handle != nullptr; }
  void Unload();
  void* Symbol(const char* name) const;  // null when absent
  const std::string& Error() const { return m_error; }

 private:
  void* m_handle = nullptr;
  std::string m_error;
};

}  // namespace plat
