// The subcommands of `modlink`: one table (commands.cc). A subcommand names the
// exports it needs; the tool checks them after loading the library and says
// which one is missing instead of failing later.
#pragma once

#include <string>
#include <vector>

#include "session.h"

namespace modlink_cli {

struct Options {
  bool json = false;
  bool quiet = false;
  bool keep = false;      // demo: keep the temporary root
  bool video = false;     // search: also the video port
  bool noConnect = false; // watch: do not search and connect first
  int durationMs = -1;    // watch
  int count = -1;         // watch
  std::string library;
  std::string traceDir;
  std::string root;
  Timeouts timeouts;
};

struct CommandContext {
  Session& session;
  Console& out;
  const Options& options;
  std::vector<std::string> args;  // after the command words
};

struct Command {
  const char* words;  // "at", "sms list"
  const char* usage;  // arguments, e.g. "COMMAND"
  const char* help;
  std::vector<const char*> exports;  // needed besides the core ones
  bool attach;                       // search the ports and connect first
  size_t minArgs;
  size_t maxArgs;
  int (*run)(CommandContext& ctx);
};

const std::vector<Command>& Commands();
// The command whose words begin |words| (longest match); |used| words taken.
const Command* FindCommand(const std::vector<std::string>& words, size_t* used);

// Prints |failure| and returns its exit code.
int Report(Console& out, const Failure& failure);

// Sends a raw AT line and waits for its final result.
bool RawRequest(Session& session, const std::string& line, std::vector<Indication>* answer,
                Failure* failure);

}  // namespace modlink_cli
