// The serial port against a real pseudo-terminal: the test plays the device
// on the master side.
#include "platform/serial_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/thread.h"
#include "tests/support/pty.h"

namespace {

using Clock = std::chrono::steady_clock;
using plat::SerialPort;
using testsupport::PseudoTerminal;

int64_t MsSince(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// The AT port's timeouts: 10 ms interval, 10 ms per byte plus 100 ms total.
plat::SerialTimeouts AtTimeouts() {
  plat::SerialTimeouts t;
  t.readInterval = 10;
  t.readTotalMultiplier = 10;
  t.readTotalConstant = 100;
  t.writeTotalConstant = 100;
  return t;
}

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(port.Open(pty.SlavePath()));
    ASSERT_TRUE(port.SetTimeouts(AtTimeouts()));
    ASSERT_EQ(port.ApplyLineSettings(plat::SerialLineSettings{}), plat::ApplyResult::Ok);
  }
  PseudoTerminal pty;
  SerialPort port;
};

TEST_F(SerialPortTest, WriteReachesTheDevice) {
  const std::string line = "AT+CSQ\r\n";
  plat::IoResult r = port.Write(line.data(), static_cast<uint32_t>(line.size()));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.bytes, line.size());
  EXPECT_EQ(pty.Receive(1000), line);
}

TEST_F(SerialPortTest, IntervalTimeoutEndsReadShortlyAfterBurst) {
  Clock::time_point sent;
  plat::Thread device;
  ASSERT_TRUE(device.Start("device", [&] {
    plat::SleepMs(30);
    sent = Clock::now();
    pty.Send("\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
  }));
  char buf[4096];
  plat::IoResult r = port.Read(buf, sizeof buf);
  const auto returned = Clock::now();
  device.Join();
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(std::string(buf, r.bytes), "\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
  // The read ends once the line has been quiet for the 10 ms interval, far
  // below its 41 s total.
  const auto afterBurst =
      std::chrono::duration_cast<std::chrono::milliseconds>(returned - sent).count();
  EXPECT_GE(afterBurst, 9);
  EXPECT_LT(afterBurst, 1000);
}

TEST_F(SerialPortTest, TotalTimeoutEndsSilentRead) {
  char buf[8];  // total = 8 * 10 + 100 = 180 ms
  const auto start = Clock::now();
  plat::IoResult r = port.Read(buf, sizeof buf);
  const int64_t elapsed = MsSince(start);
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.pending);
  EXPECT_EQ(r.bytes, 0u);
  EXPECT_GE(elapsed, 170);
  EXPECT_LT(elapsed, 1500);
}

TEST_F(SerialPortTest, FullBufferEndsRead) {
  pty.Send("0123456789");
  char buf[4];
  plat::IoResult r = port.Read(buf, sizeof buf);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(std::string(buf, r.bytes), "0123");
}

TEST_F(SerialPortTest, CloseFromAnotherThreadEndsReadPromptly) {
  plat::SerialTimeouts slow;  // no timeouts at all: wait for a full buffer
  ASSERT_TRUE(port.SetTimeouts(slow));
  plat::IoResult r;
  Clock::time_point returned;
  plat::Thread reader;
  ASSERT_TRUE(reader.Start("reader", [&] {
    char buf[4096];
    r = port.Read(buf, sizeof buf);
    returned = Clock::now();
  }));
  plat::SleepMs(50);
  const auto closing = Clock::now();
  port.Close();
  reader.Join();
  EXPECT_FALSE(r.ok);
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(returned - closing).count(), 500);
  EXPECT_FALSE(port.IsOpen());
  char buf[4];
  EXPECT_FALSE(port.Read(buf, sizeof buf).ok);
  EXPECT_FALSE(port.Write("x", 1).ok);
}

TEST_F(SerialPortTest, SecondOpenerIsRefusedUntilClosed) {
  SerialPort other;
  EXPECT_FALSE(other.Open(pty.SlavePath()));
  port.Close();
  EXPECT_TRUE(other.Open(pty.SlavePath()));
}

TEST(SerialPortOpen, RefusesWhatIsNotASerialDevice) {
  SerialPort port;
  EXPECT_FALSE(port.Open("/nonexistent/ttyUSB9"));
  EXPECT_FALSE(port.Open("/etc/hostname"));
  EXPECT_FALSE(port.Open(""));
  EXPECT_EQ(port.Native(), -1);
}

TEST_F(SerialPortTest, PurgeReceiveDropsPendingInput) {
  pty.Send("stale");
  plat::SleepMs(20);
  port.PurgeReceive();
  pty.Send("new");
  char buf[16];
  plat::IoResult r = port.Read(buf, sizeof buf);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(std::string(buf, r.bytes), "new");
}

}  // namespace
