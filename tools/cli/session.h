// One client session with the loaded library: the notification eventfd, the
// indication stream, and the steps every command builds on (find the card,
// search its ports, open the AT port, send a request and wait for its answer).
//
// Runs on the tool's main thread; the library's own threads only write the
// eventfd. Every indication read is printed as it arrives, whatever the step
// waits for.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue.h"
#include "console.h"
#include "library.h"

namespace modlink_cli {

// Set by SIGINT / SIGTERM; waits end with kExitInterrupted. The handlers are
// installed with both signals blocked in the calling (main) thread, so that
// every thread started afterwards (the library's, the simulated card's)
// inherits the block and never takes them; UnblockInterrupts lets them reach
// the main thread once those threads exist.
void InstallInterruptHandlers();
void UnblockInterrupts();
bool Interrupted();
// Clears the interrupt, so that a clean-up after Ctrl-C can still wait.
void ResetInterrupt();

struct Failure {
  int exit = kExitOk;
  std::string reason;   // short stable token: "no-card", "timeout", ...
  std::string message;  // one line for a person
};

struct Timeouts {
  int deviceCheckMs = 3000;  // the monitor's first re-check after load
  int searchMs = 75000;      // a port scan: up to 2.1 s per candidate port
  int requestMs = 25000;     // one request's answer (the library retries at 20 s)
  int operatorSearchMs = 180000;
  int dialMs = 120000;       // a dial-up connect or disconnect
};

class Session {
 public:
  // Takes the loaded library; unloads it (after Dll_Disconnect) before the
  // eventfd it writes to is closed.
  Session(std::unique_ptr<ModlinkLibrary> lib, Console& out, Timeouts timeouts);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  ModlinkLibrary& Library() { return *m_lib; }
  int IndicationsRead() const { return m_read; }
  Console& Out() { return m_out; }
  const Timeouts& Limits() const { return m_timeouts; }
  const std::string& Root() const { return m_root; }
  void SetRoot(std::string root) { m_root = std::move(root); }

  // Creates the eventfd and hands it to Dll_SetNotify.
  bool Start(Failure* failure);

  enum class Next { kIndication, kTimeout, kInterrupted };
  // The next indication (printed), waiting until |deadlineMs| from now at most.
  Next Read(int timeoutMs, Indication* ind);

  // Waits for the device monitor's first report; no card -> failure.
  bool CheckDevice(Failure* failure);
  // Dll_SearchPort and its 195 result; |dualPort| from Dll_IsDualPort.
  bool SearchPorts(Failure* failure, bool* dualPort);
  // Dll_SearchVideoPort and its 196 result.
  bool SearchVideoPort(Failure* failure, bool* found, int* port);
  // Dll_Connect.
  bool Connect(Failure* failure);
  // CheckDevice + SearchPorts + Connect.
  bool Attach(Failure* failure);

  // Sends one request through |send| (false: the library refused it) and reads
  // until |finals| final results arrived. The indications of the answer are
  // appended to |answer|. Failure: refused, ERROR/CME/CMS, port closed (161),
  // card gone (162 with 0), timeout, interrupt.
  bool Request(const std::string& what, const std::function<bool()>& send, int finals,
               int timeoutMs, std::vector<Indication>* answer, Failure* failure);

  // Sends through |send| and reads until |verdict| decides: it returns 0 to
  // go on, 1 when done, or a failure (exit code and message set) to stop.
  // For work answered by indications rather than a final result (dial-up).
  bool Await(const std::string& what, const std::function<bool()>& send,
             const std::function<int(const Indication&, Failure*)>& verdict, int timeoutMs,
             std::vector<Indication>* answer, Failure* failure);

  // Reads and prints indications until |durationMs| passed (< 0: until
  // interrupted) or |count| were read (< 0: no limit).
  int Watch(int durationMs, int count);

 private:
  bool Drain(Indication* ind);

  std::unique_ptr<ModlinkLibrary> m_lib;
  Console& m_out;
  Timeouts m_timeouts;
  std::string m_root;
  int m_eventFd = -1;
  bool m_deviceChecked = false;
  bool m_devicePresent = false;
  int m_read = 0;
};

}  // namespace modlink_cli
