// Setting up the environment the library reads when it is loaded, then running
// a body with a session: MODLINK_ROOT, the trace directory (the library writes
// servb.log into the current directory), loading, required exports, attach.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "commands.h"

namespace modlink_cli {

// $MODLINK_ROOT as the library will see it (absolute), or /var/lib/modlink.
std::string ResolveRoot(const std::string& explicitRoot);
// Where servb.log goes: --trace-dir, $MODLINK_TRACE_DIR, the root when it is a
// writable directory, else $XDG_STATE_HOME/modlink (~/.local/state/modlink).
std::string ChooseTraceDir(const std::string& explicitDir, const std::string& root);
// mkdir -p.
bool MakeDirs(const std::string& path);

int RunSession(const Options& options, Console& out, const std::string& root,
               const std::string& traceDir, const std::vector<const char*>& exports, bool attach,
               const std::function<int(Session&)>& body);

}  // namespace modlink_cli
