// What the tool prints: indications, notes, the command's result and errors,
// readable (default) or as JSON lines (--json), plus a progress line on stderr
// for waits longer than a second when stderr is a terminal.
//
// Single-threaded: only the tool's main thread prints.
#pragma once

#include <chrono>
#include <string>

#include "catalogue.h"
#include "value.h"

namespace modlink_cli {

// Exit codes (README "Exit codes").
enum ExitCode : int {
  kExitOk = 0,
  kExitRefused = 1,      // the card answered ERROR / +CME ERROR / +CMS ERROR, or the library refused
  kExitUsage = 2,        // bad command line
  kExitLibrary = 3,      // library not found, not loadable, or lacking an export
  kExitNoCard = 4,       // no card port present, or no port answered the search
  kExitPort = 5,         // AT port could not be opened, or closed under a request
  kExitTimeout = 6,      // no answer in time
  kExitSetup = 7,        // the tool's own environment (trace dir, simulated card) failed
  kExitInterrupted = 130,
};

class Console {
 public:
  Console(bool json, bool quiet, bool progress);

  bool Json() const { return m_json; }

  void PrintIndication(const Indication& ind);
  // An informational line (readable only unless |always|; JSON: {"type":"note"}).
  void Note(const std::string& text);
  // A heading between steps of a scripted session.
  void Step(const std::string& title);
  // The command's outcome: readable "command: k=v ...", JSON {"type":"result",...}.
  void Result(const std::string& command, const Value& fields);
  // One-line reason: readable on stderr "modlink: <message>", JSON on stdout.
  void Error(int exitCode, const std::string& reason, const std::string& message);

  // Progress: call Tick while waiting; after one second a spinner line with the
  // label and the elapsed time appears on stderr; Done clears it.
  void BeginWait(const std::string& label);
  void Tick();
  void EndWait();

 private:
  void Line(const std::string& text);

  bool m_json;
  bool m_quiet;
  bool m_progress;
  std::string m_waitLabel;
  std::chrono::steady_clock::time_point m_waitStart;
  bool m_waiting = false;
  bool m_drawn = false;
  unsigned m_frame = 0;
};

}  // namespace modlink_cli
