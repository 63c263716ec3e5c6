// A serial port opened exclusively for asynchronous I/O.
//
// Reads follow the Windows COMMTIMEOUTS rules on every OS: a read returns
// when the buffer is full, when the interval timeout passes after a byte,
// or when the total timeout (multiplier * size + constant) expires; all
// three zero means "wait for the full buffer". Write timeouts likewise.
//
// Threads: one reader and one writer may be inside Read()/Write() while a
// third thread calls Close(); Close() wakes them (they return a failure)
// and releases the OS handle only after they have left, so a handle or
// descriptor number is never used after it was reused by someone else.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace plat {

struct SerialTimeouts {
  uint32_t readInterval = 0;
  uint32_t readTotalMultiplier = 0;
  uint32_t readTotalConstant = 0;
  uint32_t writeTotalMultiplier = 0;
  uint32_t writeTotalConstant = 0;
};

enum class Parity : uint8_t { None, Odd, Even };
enum class StopBits : uint8_t { One, Two };
enum class RtsMode : uint8_t { Enable, AsReported };

// The fields the link layer sets; everything else in the driver's control
// block is kept as the driver reports it.
struct SerialLineSettings {
  uint32_t baudRate = 115200;
  uint8_t dataBits = 8;
  Parity parity = Parity::None;
  StopBits stopBits = StopBits::One;
  bool binary = true;
  bool parityCheck = false;
  bool xonXoffOut = false;
  bool xonXoffIn = false;
  RtsMode rts = RtsMode::Enable;
  uint16_t xonLimit = 100;
  uint16_t xoffLimit = 100;
  char xonChar = 0x11;
  char xoffChar = 0x13;
};

// Event mask bits (the Windows EV_ values).
constexpr uint32_t kEventRxChar = 0x0001;
constexpr uint32_t kEventCts = 0x0008;

struct IoResult {
  bool ok = false;
  bool pending = false;   // the operation did not complete at once
  uint32_t bytes = 0;     // bytes transferred
  uint32_t error = 0;     // OS error code when !ok
};

enum class ApplyResult { Ok, ReadStateFailed, WriteStateFailed };

class SerialPort {
 public:
  SerialPort();
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens an existing device for exclusive read/write. A port another
  // opener holds counts as not openable. False when already open.
  bool Open(const std::string& devicePath);
  bool IsOpen() const;
  void Close();

  bool SetTimeouts(const SerialTimeouts& timeouts);
  // Reads the driver's current line settings, changes the given fields and
  // writes them back.
  ApplyResult ApplyLineSettings(const SerialLineSettings& settings);
  bool SetQueueSizes(uint32_t input, uint32_t output);
  bool SetEventMask(uint32_t mask);

  // Aborts pending writes and clears the transmit and receive buffers.
  void Purge();
  // Clears the receive buffer only.
  void PurgeReceive();
  void ClearErrors();

  IoResult Read(void* buffer, uint32_t size);
  IoResult Write(const void* data, uint32_t size);

  // OS handle for the client's raw access: HANDLE value on Windows, the
  // descriptor on POSIX; -1 when closed.
  intptr_t Native() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace plat
