// `modlink demo`: a simulated card in a temporary root and a short scripted
// session against it through the library.
#pragma once

#include "commands.h"

namespace modlink_cli {

int RunDemo(const Options& options, Console& out);

}  // namespace modlink_cli
