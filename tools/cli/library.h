// The Modlink library as any client sees it: loaded with dlopen, used through
// its exported C functions only.
//
// The library reads MODLINK_ROOT and creates its trace file in the current
// directory when it is loaded, and starts its threads then: the caller sets the
// environment and the working directory before Open.
#pragma once

#include <memory>
#include <string>

#include "Modlink.h"

namespace modlink_cli {

class ModlinkLibrary {
 public:
  // Loads |path|. On failure returns nullptr and a one-line reason in |error|.
  // The library must at least have Dll_ReadDate and Dll_SetNotify.
  static std::unique_ptr<ModlinkLibrary> Open(const std::string& path, std::string* error);
  ~ModlinkLibrary();  // unloads: the library closes its port and joins its threads
  ModlinkLibrary(const ModlinkLibrary&) = delete;
  ModlinkLibrary& operator=(const ModlinkLibrary&) = delete;

  const std::string& Path() const { return m_path; }

  // The export |name| cast to |Fn|, or nullptr when this library has none.
  template <class Fn>
  Fn* Find(const char* name) const {
    return reinterpret_cast<Fn*>(Symbol(name));
  }

  // The exports every client needs.
  decltype(&Dll_ReadDate) readDate = nullptr;
  decltype(&Dll_SetNotify) setNotify = nullptr;

 private:
  ModlinkLibrary() = default;
  void* Symbol(const char* name) const;

  void* m_handle = nullptr;
  std::string m_path;
};

// Where the library is looked for, first match wins: |explicitPath| (--library),
// $MODLINK_LIBRARY, then next to the tool: <exe dir>/../modlink/libmodlink.so,
// <exe dir>/../../modlink/libmodlink.so (build tree), <exe dir>/libmodlink.so,
// <exe dir>/../lib/libmodlink.so, and last the library of the same build.
// Returns the absolute path, or empty with the places tried in |tried|.
std::string LocateLibrary(const std::string& explicitPath, std::string* tried);

}  // namespace modlink_cli
