#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/event.h"

namespace {

TEST(Thread, RunsBodyAndJoins) {
  std::atomic<int> ran{0};
  plat::Thread t;
  ASSERT_TRUE(t.Start("worker", [&] {
    plat::Thread::SetCurrentPriority(plat::ThreadPriority::AboveNormal);
    ran = 1;
  }));
  EXPECT_TRUE(t.Started());
  t.Join();
  EXPECT_EQ(ran.load(), 1);
  EXPECT_FALSE(t.Started());
}

TEST(Thread, WaitFinishedTellsWhetherTheBodyReturned) {
  plat::Event go;
  plat::Thread t;
  ASSERT_TRUE(t.Start("blocked", [&] { go.Wait(plat::kInfinite); }));
  EXPECT_FALSE(t.WaitFinished(30));
  go.Set();
  EXPECT_TRUE(t.WaitFinished(5000));
  t.Join();
}

TEST(Thread, DestructorJoins) {
  std::atomic<bool> done{false};
  {
    plat::Thread t;
    ASSERT_TRUE(t.Start("short", [&] {
      plat::SleepMs(20);
      done = true;
    }));
  }
  EXPECT_TRUE(done.load());
}

}  // namespace
