#include "demo.h"

#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>

#include "cardsim.h"
#include "runner.h"

namespace modlink_cli {
namespace {

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  remove(path);
  return 0;
}

void RemoveTree(const std::string& dir) {
  nftw(dir.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// One step of the scripted session: the request through its own export when
// the library has it, else the same AT line as a raw command (the library then
// shows whatever it decodes of the answer so far).
struct DemoStep {
  const char* title;
  const char* exportName;
  std::function<MODLINK_BOOL(ModlinkLibrary&)> viaExport;
  int finals;
  const char* rawLine;
  std::function<void(cardsim::Card&)> before = nullptr;  // a network-side event first
  int watchBeforeMs = 0;  // then show what arrives unasked
  int watchAfterMs = 0;   // and after the answer
};

using ReqVoid = MODLINK_BOOL MODLINK_CALL();
using ReqInt = MODLINK_BOOL MODLINK_CALL(int32_t);
using ReqText = MODLINK_BOOL MODLINK_CALL(const char*);

template <class Fn, class... A>
std::function<MODLINK_BOOL(ModlinkLibrary&)> Via(const char* name, A... args) {
  return [=](ModlinkLibrary& lib) { return lib.Find<Fn>(name)(args...); };
}

}  // namespace

int RunDemo(const Options& options, Console& out) {
  const auto started = std::chrono::steady_clock::now();
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/modlink-demo-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) {
    Failure f{kExitSetup, "setup", "cannot create a temporary directory for the simulated card: " +
                                       std::string(strerror(errno))};
    return Report(out, f);
  }
  const std::string root = buf.data();
  const std::string traceDir = options.traceDir.empty() ? root : ChooseTraceDir(options.traceDir, root);

  int rc;
  {
    cardsim::Card card(root);
    if (!card.Plug()) {
      Failure f{kExitSetup, "setup", "cannot start the simulated card (no pseudo-terminals?)"};
      RemoveTree(root);
      return Report(out, f);
    }
    out.Note("Simulated card started in " + root + " (AT port COM" + std::to_string(card.AtPort()) +
             " -> " + card.DevicePath(cardsim::PortKind::kAt) + ")");

    const std::vector<DemoStep> steps = {
        {"Is the card there?", nullptr, nullptr, 1, "AT"},
        {"Signal level", "Dll_GetSingalLevel", Via<ReqInt>("Dll_GetSingalLevel", 0), 1, "AT+CSQ"},
        {"Network registration", "Dll_QueryNetworkService",
         Via<ReqVoid>("Dll_QueryNetworkService"), 3, "AT+CREG?"},
        {"Current operator", "Dll_QueryCurrentOperator", Via<ReqVoid>("Dll_QueryCurrentOperator"),
         2, "AT+COPS?"},
        {"Device information", "Dll_VersionReq", Via<ReqVoid>("Dll_VersionReq"), 1, "ATI"},
        {"New-message notices on", "DLL_SetNewSmsIndicatorReq",
         Via<ReqInt>("DLL_SetNewSmsIndicatorReq", 1), 1, "AT+CNMI=1,1,2,1"},
        {"A message arrives, then the message list", "DLL_SmsListReq",
         Via<ReqInt>("DLL_SmsListReq", 4), 1, "AT+CMGL=4",
         [](cardsim::Card& c) {
           c.DeliverSms("+8613912345678", "Hello from the simulated network");
         },
         1000},
        {"Send a message", "Dll_SMSMoReq",
         [](ModlinkLibrary& lib) {
           ModlinkSmsPart part;
           std::memset(&part, 0, sizeof part);
           part.total = 1;
           const char kText[] = "Hello from modlink";
           std::memcpy(part.text, kText, sizeof kText - 1);
           return lib.Find<decltype(Dll_SMSMoReq)>("Dll_SMSMoReq")(
               "+8613912345678", &part, static_cast<int32_t>(sizeof kText - 1), 0, 0, 0);
         },
         1, nullptr},
        {"Caller identification on", "Dll_EnableCallIDReq", Via<ReqInt>("Dll_EnableCallIDReq", 1),
         1, "AT+CLIP=1"},
        {"An incoming call, ended by hanging up", "Dll_CallRel", Via<ReqVoid>("Dll_CallRel"), 1,
         "AT+CHUP", [](cardsim::Card& c) { c.IncomingCall("+8613912345678"); }, 1500},
        {"A call out", "Dll_CallMoReq", Via<ReqText>("Dll_CallMoReq", "13800138000"), 1,
         "ATD13800138000;", nullptr, 0, 1000},
        {"Hang up", "Dll_CallRel", Via<ReqVoid>("Dll_CallRel"), 1, "AT+CHUP"},
    };

    rc = RunSession(options, out, root, traceDir, {"Dll_RawCommandReq"}, true, [&](Session& s) -> int {
      auto* raw = s.Library().Find<decltype(Dll_RawCommandReq)>("Dll_RawCommandReq");
      for (const auto& step : steps) {
        out.Step(step.title);
        if (step.before) {
          step.before(card);
          if (step.watchBeforeMs > 0) s.Watch(step.watchBeforeMs, -1);
        }
        Failure failure;
        bool ok;
        if (step.exportName && s.Library().Find<ReqVoid>(step.exportName)) {
          ok = s.Request(step.title, [&] { return (step.viaExport(s.Library()) & 0xFF) != 0; },
                         step.finals, s.Limits().requestMs, nullptr, &failure);
        } else if (!step.rawLine) {
          out.Note(std::string("(skipped: this library has no ") + step.exportName + " yet)");
          continue;
        } else {
          if (step.exportName) {
            out.Note(std::string("(this library has no ") + step.exportName + " yet: sending " +
                     step.rawLine + " as a raw command)");
          } else {
            out.Note(std::string("sending ") + step.rawLine);
          }
          const std::string line = step.rawLine;
          ok = s.Request(line,
                         [&] { return (raw(line.data(), static_cast<int32_t>(line.size())) & 0xFF) != 0; },
                         1, s.Limits().requestMs, nullptr, &failure);
        }
        // A refusal is part of the show; a lost card or port ends it.
        if (!ok && failure.exit != kExitRefused) return Report(out, failure);
        if (!ok) out.Note(failure.message);
        if (step.watchAfterMs > 0) s.Watch(step.watchAfterMs, -1);
        if (Interrupted()) {
          return Report(out, Failure{kExitInterrupted, "interrupted", "interrupted"});
        }
      }
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      Value result = Value::Object();
      result.Set("indications", Value::Int(s.IndicationsRead()));
      result.Set("seconds", Value::Int(static_cast<int64_t>(seconds + 0.5)));
      result.Set("library", Value::Text(s.Library().Path()));
      out.Step("Done");
      out.Result("demo", result);
      return kExitOk;
    });
    // The session (and with it the library) is gone before the card.
  }
  if (options.keep) {
    out.Note("Kept the simulated card's root and trace file in " + root);
  } else {
    if (chdir("/") != 0) {
      // Only to leave the directory before removing it; nothing depends on it.
    }
    RemoveTree(root);
  }
  return rc;
}

}  // namespace modlink_cli
