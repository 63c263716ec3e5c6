#include "runner.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace modlink_cli {
namespace {

std::string CurrentDir() {
  char buf[PATH_MAX];
  return getcwd(buf, sizeof buf) ? std::string(buf) : std::string("/");
}

std::string MakeAbsolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  return CurrentDir() + "/" + path;
}

bool IsWritableDir(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(path.c_str(), W_OK) == 0;
}

int SetupFailure(Console& out, int exitCode, const char* reason, const std::string& message) {
  Failure f;
  f.exit = exitCode;
  f.reason = reason;
  f.message = message;
  return Report(out, f);
}

// True when another process holds |dir|/servb.log (the library locks its
// trace file). The library would then write its trace next to the program
// under a time-stamped name, out of the user's sight.
bool TraceFileTaken(const std::string& dir) {
  const std::string path = dir + "/servb.log";
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool taken = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);  // also drops the probe's lock
  return taken;
}

}  // namespace

std::string ResolveRoot(const std::string& explicitRoot) {
  std::string root = explicitRoot;
  if (root.empty()) {
    const char* env = std::getenv("MODLINK_ROOT");
    root = env && *env ? env : "/var/lib/modlink";
  }
  root = MakeAbsolute(root);
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

std::string ChooseTraceDir(const std::string& explicitDir, const std::string& root) {
  if (!explicitDir.empty()) return MakeAbsolute(explicitDir);
  if (const char* env = std::getenv("MODLINK_TRACE_DIR"); env && *env) return MakeAbsolute(env);
  if (IsWritableDir(root)) return root;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) {
    return MakeAbsolute(std::string(state) + "/modlink");
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::string(home) + "/.local/state/modlink";
  }
  return "/tmp/modlink-" + std::to_string(getuid());
}

bool MakeDirs(const std::string& path) {
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    partial = path.substr(0, pos);
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return IsWritableDir(path);
}

int RunSession(const Options& options, Console& out, const std::string& root,
               const std::string& traceDir, const std::vector<const char*>& exports, bool attach,
               const std::function<int(Session&)>& body) {
  // The library is located before the directory changes: a relative --library
  // is relative to where the user started the tool.
  std::string tried;
  const std::string libraryPath = LocateLibrary(options.library, &tried);
  if (libraryPath.empty()) {
    return SetupFailure(out, kExitLibrary, "no-library",
                        "cannot find the Modlink library (tried " + tried +
                            "); give it with --library PATH or MODLINK_LIBRARY");
  }
  if (setenv("MODLINK_ROOT", root.c_str(), 1) != 0) {
    return SetupFailure(out, kExitSetup, "setup", "cannot set MODLINK_ROOT");
  }
  // A second modlink at the same time gets a directory of its own below the
  // first one's.
  std::string dir = traceDir;
  for (int instance = 2; MakeDirs(dir) && TraceFileTaken(dir) && instance <= 9; ++instance) {
    dir = traceDir + "/instance-" + std::to_string(instance);
  }
  if (!MakeDirs(dir) || chdir(dir.c_str()) != 0) {
    return SetupFailure(out, kExitSetup, "trace-dir",
                        "cannot use " + dir + " for the trace file: " + strerror(errno) +
                            " (choose one with --trace-dir DIR)");
  }
  if (dir != traceDir) out.Note("Trace file: " + dir + "/servb.log (another modlink is running)");
  std::string error;
  std::unique_ptr<ModlinkLibrary> lib = ModlinkLibrary::Open(libraryPath, &error);
  if (!lib) return SetupFailure(out, kExitLibrary, "no-library", error);
  for (const char* name : exports) {
    if (!lib->Find<void()>(name)) {
      return SetupFailure(out, kExitLibrary, "missing-export",
                          std::string("this library has no ") + name + " (" + libraryPath + ")");
    }
  }
  // The library's threads exist now, with the interrupt signals blocked.
  UnblockInterrupts();
  Session session(std::move(lib), out, options.timeouts);
  session.SetRoot(root);
  Failure failure;
  if (!session.Start(&failure)) return Report(out, failure);
  if (attach && !session.Attach(&failure)) return Report(out, failure);
  return body(session);
}

}  // namespace modlink_cli
