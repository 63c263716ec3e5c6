// The request frame shared by every request function: check the arguments,
// format one AT command line into a 260-byte buffer, queue it in WriteQ
// under its RequestId with the signal flag 1, return the queue's answer.
//
// Client strings are measured: a line that would not fit the buffer is
// refused (false, nothing queued, one trace line), never cut into a
// different command.
#pragma once

#include <cstddef>
#include <cstdint>

#include "modlink/linklayer/linklayer.h"

namespace modlink {

constexpr size_t kLineBufferSize = 260;

// RequestIds of the request catalogue.
constexpr int32_t kReqSmsMisc = 0;
constexpr int32_t kReqPin = 1;
constexpr int32_t kReqModemState = 3;
constexpr int32_t kReqGeneral5 = 5;
constexpr int32_t kReqDial = 8;
constexpr int32_t kReqAnswer = 9;
constexpr int32_t kReqRegistrationQuery = 10;  // = kRequestQuiet
constexpr int32_t kReqVolume = 12;
constexpr int32_t kReqSms = 28;
constexpr int32_t kReqPhonebook = 30;
constexpr int32_t kReqCallSupplementary = 31;
constexpr int32_t kReqGeneric = 32;
constexpr int32_t kReqOperator = 34;
constexpr int32_t kReqPcm = 50;
constexpr int32_t kReqEcho = 78;

// Formats `format` and queues the line; false when it does not fit or the
// queue refuses it.
bool QueueFormatted(linklayer& link, int32_t requestId, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// Queues `length` bytes as they are.
bool QueueLine(linklayer& link, int32_t requestId, const char* line, size_t length);

// A boolean argument: only its low byte counts.
inline bool LowByte(int32_t value) { return (value & 0xFF) != 0; }

// Whether a client string is there at all; traces the refusal.
bool StringGiven(const char* value, const char* function);

}  // namespace modlink
