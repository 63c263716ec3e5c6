#include "library.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <type_traits>

namespace modlink_cli {

std::unique_ptr<ModlinkLibrary> ModlinkLibrary::Open(const std::string& path, std::string* error) {
  // RTLD_NOW: a library with unresolved symbols fails here, not in the middle
  // of a session.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    *error = "cannot load " + path + ": " + (why ? why : "unknown error");
    return nullptr;
  }
  std::unique_ptr<ModlinkLibrary> lib(new ModlinkLibrary());
  lib->m_handle = handle;
  lib->m_path = path;
  lib->readDate = lib->Find<std::remove_pointer_t<decltype(readDate)>>("Dll_ReadDate");
  lib->setNotify = lib->Find<std::remove_pointer_t<decltype(setNotify)>>("Dll_SetNotify");
  if (!lib->readDate || !lib->setNotify) {
    *error = path + " is not a Modlink library: it has no " +
             (lib->readDate ? "Dll_SetNotify" : "Dll_ReadDate");
    return nullptr;
  }
  return lib;
}

ModlinkLibrary::~ModlinkLibrary() {
  if (m_handle) dlclose(m_handle);
}

void* ModlinkLibrary::Symbol(const char* name) const {
  return m_handle ? dlsym(m_handle, name) : nullptr;
}

namespace {

std::string ExeDir() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::string();
  std::string path(buf, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string Absolute(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return std::string();
  std::string out(real);
  free(real);
  return out;
}

}  // namespace

std::string LocateLibrary(const std::string& explicitPath, std::string* tried) {
  tried->clear();
  std::string candidates[6];
  size_t count = 0;
  if (!explicitPath.empty()) {
    candidates[count++] = explicitPath;
  } else if (const char* env = std::getenv("MODLINK_LIBRARY"); env && *env) {
    candidates[count++] = env;
  } else {
    const std::string dir = ExeDir();
    if (!dir.empty()) {
      candidates[count++] = dir + "/../modlink/libmodlink.so";
      candidates[count++] = dir + "/../../modlink/libmodlink.so";  // build tree: tools/cli/
      candidates[count++] = dir + "/libmodlink.so";
      candidates[count++] = dir + "/../lib/libmodlink.so";
    }
#ifdef MODLINK_BUILD_LIBRARY
    // The library this tool was built with, for a tool run from its build tree.
    candidates[count++] = MODLINK_BUILD_LIBRARY;
#endif
  }
  for (size_t i = 0; i < count; ++i) {
    std::string found = Absolute(candidates[i]);
    if (!found.empty() && access(found.c_str(), R_OK) == 0) return found;
    if (!tried->empty()) *tried += ", ";
    *tried += candidates[i];
  }
  return std::string();
}

}  // namespace modlink_cli
