// `modlink demo` in a build without the simulated card.
#include "demo.h"

namespace modlink_cli {

int RunDemo(const Options&, Console& out) {
  Failure f{kExitSetup, "no-simulator",
            "this modlink was built without the simulated card (tools/cardsim); "
            "run a card by hand and use the other commands with MODLINK_ROOT"};
  return Report(out, f);
}

}  // namespace modlink_cli
