// The text checks the client runs on message text before it picks the
// alphabet and splits a message. Each takes ANSI text and a byte length
// (-1: up to the terminating zero), converts it to UCS-2 (at most
// kCheckMaxUnits units are looked at) and works on the units up to the
// first zero unit. The empty text is all-default. A null text is refused:
// every check then returns 0.
//
// These back the exports Dll_GetSMSLen, Dll_IsPureAsciiString,
// Dll_IsPureAsciiString_PC, Dll_IsGsmExtCode and Dll_IsExtShiftCode
// one to one. Pure; any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace modlink {

inline constexpr size_t kCheckMaxUnits = 3299;

// Septets the text needs: 2 per extension character, 1 per other unit.
int32_t GetSmsLen(const char* text, int32_t len);

// 1 when every unit is a default or an extension character, else 0.
// *shiftFlag (may be null) is set to 0 first, and to 1 when the result is 1
// and some unit needs the Turkish single shift.
int32_t IsPureAsciiString(const char* text, int32_t len, int32_t* shiftFlag);

// 1 when every unit is a default character, else 0.
int32_t IsPureAsciiStringPc(const char* text, int32_t len);

// 1 when the low 16 bits are an extension character, else 0.
int32_t IsGsmExtCode(uint32_t ch);

// 1 when the low 16 bits are a shift character, else 0.
int32_t IsExtShiftCode(uint32_t ch);

}  // namespace modlink
