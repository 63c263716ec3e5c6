#include "platform/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "platform/thread.h"

namespace {

using plat::Event;
using plat::ResetMode;

TEST(Event, ManualResetStaysSetUntilReset) {
  Event e(ResetMode::Manual);
  ASSERT_TRUE(e.Valid());
  EXPECT_FALSE(e.Wait(0));
  e.Set();
  EXPECT_TRUE(e.Wait(0));
  EXPECT_TRUE(e.Wait(0));
  e.Reset();
  EXPECT_FALSE(e.Wait(0));
}

TEST(Event, AutoResetReleasesOneWait) {
  Event e(ResetMode::Auto);
  e.Set();
  e.Set();  // setting twice still releases one wait
  EXPECT_TRUE(e.Wait(0));
  EXPECT_FALSE(e.Wait(0));
}

TEST(Event, WaitTimesOutWhenNeverSet) {
  Event e;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(e.Wait(50));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
}

TEST(Event, WaitAnyLowestSetIndexWins) {
  Event a(ResetMode::Manual), b(ResetMode::Auto), c(ResetMode::Auto);
  Event* all[] = {&a, &b, &c};
  EXPECT_EQ(plat::WaitAny(all, 3, 0), plat::kWaitTimeout);
  c.Set();
  b.Set();
  EXPECT_EQ(plat::WaitAny(all, 3, 0), 1);  // b consumed, c still set
  EXPECT_EQ(plat::WaitAny(all, 3, 0), 2);
  EXPECT_EQ(plat::WaitAny(all, 3, 0), plat::kWaitTimeout);
  a.Set();
  c.Set();
  EXPECT_EQ(plat::WaitAny(all, 3, 0), 0);
  EXPECT_EQ(plat::WaitAny(all, 3, 0), 0);  // manual: still set
}

TEST(Event, WaitAnyWakesWhenAnotherThreadSets) {
  Event a, b;
  Event* all[] = {&a, &b};
  plat::Thread setter;
  ASSERT_TRUE(setter.Start("setter", [&] {
    plat::SleepMs(20);
    b.Set();
  }));
  EXPECT_EQ(plat::WaitAny(all, 2, 5000), 1);
  setter.Join();
}

TEST(Event, WaitAnyRefusesBadArguments) {
  Event a;
  Event* withNull[] = {&a, nullptr};
  EXPECT_EQ(plat::WaitAny(withNull, 2, 0), plat::kWaitFailed);
  EXPECT_EQ(plat::WaitAny(nullptr, 0, 0), plat::kWaitFailed);
}

}  // namespace
