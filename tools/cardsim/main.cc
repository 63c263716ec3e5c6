// cardsim: serves a simulated card on pseudo-terminals until SIGINT or SIGTERM.
//
//   cardsim --root DIR [--dual-port] [--echo] [--no-video] [--no-audio]
//           [--com-base N] [--pin] [--scenario FILE] [--verbose] [--clean]
//
// DIR defaults to $MODLINK_ROOT. The registered ports are printed on stdout, one
// line each ("AT COM3 /dev/pts/4"); --verbose prints the transcript on stderr.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "cardsim.h"
#include "scenario.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: cardsim --root DIR [--dual-port] [--echo] [--no-video] [--no-audio]\n"
               "               [--com-base N] [--pin] [--scenario FILE] [--verbose] [--clean]\n"
               "  --clean removes the card entries a killed cardsim left under DIR first\n");
}

}  // namespace

int main(int argc, char** argv) {
  using namespace cardsim;
  CardOptions options;
  options.transcriptLimitBytes = 16u << 20;  // a long data phase must not grow without bound
  std::string root = std::getenv("MODLINK_ROOT") ? std::getenv("MODLINK_ROOT") : "";
  std::string scenarioPath;
  bool verbose = false;
  bool clean = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        Usage();
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--root") {
      root = value();
    } else if (a == "--dual-port") {
      options.dualPort = true;
    } else if (a == "--echo") {
      options.echo = true;
    } else if (a == "--no-video") {
      options.videoPort = false;
    } else if (a == "--no-audio") {
      options.audioPort = false;
    } else if (a == "--com-base") {
      options.comBase = std::atoi(value().c_str());
      if (options.comBase < 1) {
        std::fprintf(stderr, "cardsim: --com-base must be at least 1\n");
        return 2;
      }
    } else if (a == "--pin") {
      options.modem.pinEnabled = true;
    } else if (a == "--scenario") {
      scenarioPath = value();
    } else if (a == "--verbose") {
      verbose = true;
    } else if (a == "--clean") {
      clean = true;
    } else {
      Usage();
      return 2;
    }
  }
  if (root.empty()) {
    std::fprintf(stderr, "cardsim: no key-store root (--root DIR or MODLINK_ROOT)\n");
    return 2;
  }
  Scenario scenario;
  if (!scenarioPath.empty()) {
    std::ifstream in(scenarioPath);
    if (!in) {
      std::fprintf(stderr, "cardsim: cannot read %s\n", scenarioPath.c_str());
      return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!ParseScenario(text.str(), &scenario, &error)) {
      std::fprintf(stderr, "cardsim: %s: %s\n", scenarioPath.c_str(), error.c_str());
      return 2;
    }
  }

  // Signals are taken with sigtimedwait; block them before any thread starts.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  if (clean) {
    int removed = KeyStore(root).RemoveCardEntries();
    if (removed > 0) std::fprintf(stderr, "cardsim: removed %d stale port entries\n", removed);
  }
  Card card(root, options);
  if (!card.Plug()) {
    std::fprintf(stderr, "cardsim: cannot create the ports under %s: %s\n", root.c_str(),
                 std::strerror(errno));
    return 1;
  }
  struct {
    const char* name;
    PortKind kind;
    int com;
  } ports[] = {{"AT", PortKind::kAt, card.AtPort()},
               {"MODEM", PortKind::kModem, options.dualPort ? card.ModemPort() : -1},
               {"VIDEO", PortKind::kVideo, card.VideoPort()},
               {"AUDIO", PortKind::kAudio, card.AudioPort()}};
  for (const auto& p : ports)
    if (p.com >= 0) std::printf("%s COM%d %s\n", p.name, p.com, card.DevicePath(p.kind).c_str());
  std::fflush(stdout);

  std::unique_ptr<ScenarioRunner> runner;
  if (!scenarioPath.empty()) runner = std::make_unique<ScenarioRunner>(card, scenario);

  size_t shown = 0;
  auto start = std::chrono::steady_clock::now();
  for (;;) {
    timespec wait{0, 200 * 1000 * 1000};
    int sig = sigtimedwait(&signals, nullptr, &wait);
    if (verbose) {
      for (const TranscriptEntry& e : card.TranscriptFrom(shown, &shown)) {
        long long ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(e.time - start).count();
        const char* dir = e.direction == Direction::kReceived ? "<-"
                          : e.direction == Direction::kSent   ? "->"
                                                              : "--";
        std::fprintf(stderr, "%8lld %-5s %s %s\n", ms, PortName(e.port), dir,
                     Printable(e.bytes).c_str());
      }
    }
    if (sig == SIGINT || sig == SIGTERM) break;
  }
  runner.reset();
  card.Unplug();
  return 0;
}
