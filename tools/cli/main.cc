// modlink: command-line client of the Modlink library.
//
// Loads the library with dlopen and drives it through its exported functions
// only, as any client would. See README.md for the subcommands, the output
// formats and the exit codes.
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "demo.h"
#include "runner.h"

using namespace modlink_cli;

namespace {

void PrintUsage(FILE* to) {
  std::fprintf(to,
               "usage: modlink [OPTIONS] COMMAND [ARGS]\n"
               "\n"
               "Commands:\n"
               "  %-28s %s\n"
               "  %-28s %s\n",
               "demo [--keep]", "start a simulated card and run a short session",
               "indications", "list the indications this tool decodes");
  for (const auto& cmd : Commands()) {
    const std::string head = std::string(cmd.words) + (*cmd.usage ? " " : "") + cmd.usage;
    std::fprintf(to, "  %-28s %s\n", head.c_str(), cmd.help);
  }
  std::fprintf(to,
               "\n"
               "Options:\n"
               "  --json               one JSON object per line on stdout\n"
               "  --quiet              no notes and no progress line\n"
               "  --library PATH       the Modlink library (default: $MODLINK_LIBRARY, then\n"
               "                       next to this program)\n"
               "  --root DIR           the card's root (default: $MODLINK_ROOT, /var/lib/modlink)\n"
               "  --trace-dir DIR      where the library writes servb.log (default:\n"
               "                       $MODLINK_TRACE_DIR, the root, ~/.local/state/modlink)\n"
               "  --timeout SECONDS    wait for one answer (default 25)\n"
               "  --search-timeout S   wait for the port search (default 75)\n"
               "\n"
               "Exit codes: 0 ok, 1 refused by the card, 2 usage, 3 library missing or lacking\n"
               "an export, 4 no card, 5 AT port busy or closed, 6 timeout, 7 setup, 130 interrupted.\n");
}

bool ParseSeconds(const char* text, int* ms) {
  char* end = nullptr;
  errno = 0;
  const double s = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0' || s < 0 || s > 86400) return false;
  *ms = static_cast<int>(s * 1000);
  return true;
}

bool g_json = false;

int Usage(const std::string& message) {
  Console(g_json, false, false).Error(kExitUsage, "usage", message + " (see modlink --help)");
  return kExitUsage;
}

int ListIndications(Console& out) {
  for (const auto& row : Catalogue()) {
    if (out.Json()) {
      Value v = Value::Object();
      v.Set("type", Value::Text("catalogue"));
      v.Set("id", Value::Int(row.id));
      v.Set("name", Value::Text(row.name));
      v.Set("meaning", Value::Text(row.meaning));
      std::printf("%s\n", v.ToJson().c_str());
    } else {
      std::printf("%5d %-20s %s\n", static_cast<int>(row.id), row.name, row.meaning);
    }
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  // Message texts are in the locale's encoding, as the library reads them.
  std::setlocale(LC_CTYPE, "");
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) break;
    if (std::strcmp(argv[i], "--json") == 0) g_json = true;
  }
  Options options;
  std::vector<std::string> words;
  bool help = false;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) return nullptr;
      (void)name;
      return argv[++i];
    };
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      words.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (a == "--help" || a == "-h") {
      help = true;
    } else if (a == "--json") {
      options.json = true;
    } else if (a == "--quiet" || a == "-q") {
      options.quiet = true;
    } else if (a == "--keep") {
      options.keep = true;
    } else if (a == "--video") {
      options.video = true;
    } else if (a == "--no-connect") {
      options.noConnect = true;
    } else if (a == "--library" || a == "--root" || a == "--trace-dir") {
      const char* v = value(a.c_str());
      if (!v) return Usage(a + " needs a value");
      (a == "--library" ? options.library : a == "--root" ? options.root : options.traceDir) = v;
    } else if (a == "--timeout" || a == "--search-timeout" || a == "--duration") {
      const char* v = value(a.c_str());
      int ms = 0;
      if (!v || !ParseSeconds(v, &ms)) return Usage(a + " needs a number of seconds");
      (a == "--timeout" ? options.timeouts.requestMs
                        : a == "--search-timeout" ? options.timeouts.searchMs
                                                  : options.durationMs) = ms;
    } else if (a == "--count") {
      const char* v = value(a.c_str());
      char* end = nullptr;
      const long n = v ? std::strtol(v, &end, 10) : -1;
      if (!v || *end != '\0' || n < 1 || n > 1000000) return Usage("--count needs a positive number");
      options.count = static_cast<int>(n);
    } else {
      return Usage("unknown option " + a);
    }
  }
  if (help) {
    PrintUsage(stdout);
    return kExitOk;
  }
  if (words.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }

  Console out(options.json, options.quiet, isatty(STDERR_FILENO) != 0);
  InstallInterruptHandlers();

  if (words[0] == "indications" && words.size() == 1) return ListIndications(out);
  if (words[0] == "demo") {
    if (words.size() != 1) return Usage("demo takes no arguments");
    return RunDemo(options, out);
  }

  size_t used = 0;
  const Command* cmd = FindCommand(words, &used);
  if (!cmd) {
    std::string family;
    for (const auto& c : Commands()) {
      const std::string w = c.words;
      if (w.rfind(words[0] + " ", 0) == 0) family += (family.empty() ? "" : ", ") + w;
    }
    return Usage(family.empty() ? "unknown command '" + words[0] + "'"
                                : "'" + words[0] + "' needs a subcommand: " + family);
  }
  std::vector<std::string> args(words.begin() + static_cast<long>(used), words.end());
  if (args.size() < cmd->minArgs || args.size() > cmd->maxArgs) {
    return Usage(std::string(cmd->words) + " takes " +
                 (*cmd->usage ? std::string("the arguments ") + cmd->usage : "no arguments"));
  }
  const std::string root = ResolveRoot(options.root);
  const std::string traceDir = ChooseTraceDir(options.traceDir, root);
  const bool attach = cmd->attach && !(options.noConnect && std::strcmp(cmd->words, "watch") == 0);
  return RunSession(options, out, root, traceDir, cmd->exports, attach, [&](Session& session) -> int {
    CommandContext ctx{session, out, options, args};
    return cmd->run(ctx);
  });
}
