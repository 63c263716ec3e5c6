// Conversion between the client's 8-bit code page and UTF-16.
//
// Windows: CP_ACP. POSIX: iconv, with the code page named by
// MODLINK_CODEPAGE (an iconv name such as "CP936"); when unset, the codeset
// of LC_ALL, LC_CTYPE or LANG; else UTF-8.
//
// Both directions write at most dstCap units, never split a character
// (a surrogate pair or a multibyte sequence is written whole or not at all),
// write no terminator and return the number of units written. Characters
// the target cannot represent, and input bytes that decode to nothing,
// become '?', so the output is always text.
#pragma once

#include <cstddef>

namespace plat {

size_t AnsiToUtf16(const char* src, size_t srcLen, char16_t* dst,
                   size_t dstCap);
size_t Utf16ToAnsi(const char16_t* src, size_t srcLen, char* dst,
                   size_t dstCap);

// Name of the code page in use (for traces and tests).
const char* AnsiCodePageName();

}  // namespace plat
