// A strict JSON checker for the tool's --json lines (RFC 8259 grammar, UTF-8
// text), with a lookup of top-level members for the assertions.
#pragma once

#include <map>
#include <string>

namespace clitest {

// True when |text| is one complete JSON value. The raw text of each member
// of a top-level object goes into |members| (strings keep their quotes).
bool ParseJsonObject(const std::string& text, std::map<std::string, std::string>* members);

}  // namespace clitest
