// Splitting a message text into the parts the card sends (3GPP TS 23.038 /
// 23.040): GSM 7-bit when every character is in the default alphabet as
// printable ASCII (extension characters count two septets), UCS-2 otherwise.
// One part holds 160 septets or 70 UCS-2 units; a concatenated part, whose
// user-data header takes room, 153 or 67.
//
// The text is in the process's locale encoding (LC_CTYPE), the client code
// page the library also converts from; parts are cut at character boundaries.
#pragma once

#include <string>
#include <vector>

namespace modlink_cli {

struct SmsParts {
  int coding = 0;  // 0 GSM 7-bit, 8 UCS-2 (the data coding the library takes)
  std::vector<std::string> parts;
};

// False with a reason for text that is empty, not valid in the locale's
// encoding, or longer than |maxParts| parts.
bool SplitSmsText(const std::string& text, size_t maxParts, SmsParts* out, std::string* error);

// The text of a GSM 7-bit part as the library takes it: the library maps an
// extension character to its code in the extension table without the escape
// in front, so the client writes the escape (0x1B) before each one.
std::string WithGsmEscapes(const std::string& part);

}  // namespace modlink_cli
