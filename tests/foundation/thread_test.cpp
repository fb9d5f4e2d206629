#include "foundation/thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/stream.h"
#include "foundation/error_log.h"
#include "foundation/exception.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"

namespace vmqdSDK {
namespace {

using Common::CIllegalMonitorStateException;
using Common::CInterruptedException;
using Common::CRuntimeException;

// Polls `done` until it holds; the bound only keeps a broken build from hanging the run.
bool Eventually(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::size_t WaitersOf(Monitor& m) {
  m.Enter();
  std::size_t n = m.Waiters();
  m.Leave();
  return n;
}

std::string ErrorLogText() {
  std::string name = FileNamePart(platform::ModuleFileName());
  name = name.substr(0, name.rfind('.'));
  std::string path = GetModuleFolder() + "log\\" + name + ".log";
  CFileStream file;
  if (!file.Open(1, kGenericRead, kShareRead | kShareWrite, path)) return {};
  std::string text(file.GetSize(), '\0');
  if (!text.empty() && !file.ReadAll(text.data(), static_cast<std::uint32_t>(text.size()))) return {};
  return text;
}

TEST(RecursiveLock, NestedEntriesAndExtraLeave) {
  RecursiveLock lock;
  lock.Enter();
  lock.Enter();
  EXPECT_TRUE(lock.IsHeldByCurrentThread());
  lock.Leave();
  EXPECT_TRUE(lock.IsHeldByCurrentThread());
  lock.Leave();
  EXPECT_FALSE(lock.IsHeldByCurrentThread());
  try {
    lock.Leave();
    FAIL() << "a third Leave must raise";
  } catch (const CRuntimeException& e) {
    EXPECT_NE(std::string(e.what()).find("error:CRuntimeException\r\nLeave is done though Enter is not done."),
              std::string::npos);
  }
  // Still usable afterwards, also by another thread.
  std::thread other([&] {
    LockGuard guard(lock);
    EXPECT_TRUE(lock.IsHeldByCurrentThread());
  });
  other.join();
  EXPECT_FALSE(lock.IsHeldByCurrentThread());
}

TEST(RecursiveLock, LeaveByAThreadThatDoesNotHoldItRaisesAndKeepsTheOwner) {
  RecursiveLock lock;
  lock.Enter();
  bool raised = false;
  std::thread other([&] {
    try {
      lock.Leave();
    } catch (const CRuntimeException&) {
      raised = true;
    }
  });
  other.join();
  EXPECT_TRUE(raised);
  EXPECT_TRUE(lock.IsHeldByCurrentThread());
  EXPECT_EQ(lock.LeaveAll(), 1u);
  EXPECT_FALSE(lock.IsHeldByCurrentThread());
}

TEST(RecursiveLock, DestroyedWhileHeldIsLoggedAndReleased) {
  ResetErrorLogForTesting();
  {
    auto lock = std::make_unique<RecursiveLock>();
    lock->Enter();
    lock->Enter();
  }
  ResetErrorLogForTesting();
  EXPECT_EQ(ErrorLogText().rfind("not unlocked", 0), 0u);
}

TEST(Event, SetResetAndTimeouts) {
  Event autoReset(false, true);
  EXPECT_FALSE(autoReset.IsManualReset());
  EXPECT_EQ(autoReset.Wait(0), kWaitObject0);
  EXPECT_EQ(autoReset.Wait(0), kWaitTimeout) << "an auto-reset event is taken by one wait";

  Event manual(true, false);
  EXPECT_EQ(manual.Wait(10), kWaitTimeout);
  manual.Set();
  EXPECT_EQ(manual.Wait(0), kWaitObject0);
  EXPECT_EQ(manual.Wait(0), kWaitObject0) << "a manual-reset event stays set";
  manual.Reset();
  EXPECT_EQ(manual.Wait(0), kWaitTimeout);
}

TEST(Event, WaitAnyReportsTheSetOneAndWakesFromAnotherThread) {
  Event a(false, false), b(false, false);
  Event* both[] = {&a, &b};
  std::thread setter([&] { b.Set(); });
  EXPECT_EQ(Event::WaitAny(both, 2, kInfinite), kWaitObject0 + 1);
  setter.join();
  EXPECT_EQ(Event::WaitAny(both, 2, 0), kWaitTimeout);
  Event* withNull[] = {&a, nullptr};
  EXPECT_EQ(Event::WaitAny(withNull, 2, 0), kWaitFailed);
  EXPECT_EQ(Event::WaitAny(both, 0, 0), kWaitFailed);
}

TEST(Event, SameNameSharesOneState) {
  Event first(true, false, nullptr, "hvxfer-test-event");
  Event second(false, true, nullptr, "hvxfer-test-event");  // the existing event's settings win
  EXPECT_TRUE(second.IsManualReset());
  EXPECT_EQ(second.Wait(0), kWaitTimeout);
  first.Set();
  EXPECT_EQ(second.Wait(0), kWaitObject0);
  Event unrelated(true, false, nullptr, "hvxfer-other-event");
  EXPECT_EQ(unrelated.Wait(0), kWaitTimeout);
}

TEST(Event, NameIsFreedWithItsLastEvent) {
  { Event gone(true, true, nullptr, "hvxfer-short-lived"); }
  Event fresh(false, false, nullptr, "hvxfer-short-lived");
  EXPECT_FALSE(fresh.IsManualReset());
  EXPECT_EQ(fresh.Wait(0), kWaitTimeout);
}

TEST(Monitor, WaitAndNotifyRequireOwnership) {
  Monitor m;
  EXPECT_THROW(m.Wait(0), CIllegalMonitorStateException);
  EXPECT_THROW(m.Notify(), CIllegalMonitorStateException);
  EXPECT_THROW(m.NotifyAll(), CIllegalMonitorStateException);
  EXPECT_THROW(m.NotifyThread(std::this_thread::get_id()), CIllegalMonitorStateException);
  EXPECT_THROW(m.Leave(), CRuntimeException);
  m.Enter();
  EXPECT_FALSE(m.Wait(5)) << "nobody notifies: the wait times out";
  EXPECT_TRUE(m.IsHeldByCurrentThread());
  m.Leave();
}

// Threads that wait on one monitor, started one after another so that their registration order is known.
class Waiters {
 public:
  explicit Waiters(Monitor& m) : m_(m) {}
  ~Waiters() {
    m_.Enter();
    m_.NotifyAll();
    m_.Leave();
    for (auto& t : threads_) t.join();
  }

  void Add(int tag) {
    std::size_t before = WaitersOf(m_);
    threads_.emplace_back([this, tag] {
      m_.Enter();
      bool notified = m_.Wait();
      if (notified) woken_.push_back(tag);
      m_.Leave();
    });
    ASSERT_TRUE(Eventually([&] { return WaitersOf(m_) == before + 1; }));
  }

  std::vector<int> Woken(std::size_t atLeast) {
    EXPECT_TRUE(Eventually([&] {
      m_.Enter();
      bool enough = woken_.size() >= atLeast;
      m_.Leave();
      return enough;
    }));
    m_.Enter();
    std::vector<int> copy = woken_;
    m_.Leave();
    return copy;
  }

 private:
  Monitor& m_;
  std::vector<std::thread> threads_;
  std::vector<int> woken_;  // guarded by the monitor
};

TEST(Monitor, NotifyWakesTheNewestWaiterAndNotifyAllTheRest) {
  Monitor m;
  Waiters w(m);
  w.Add(1);
  w.Add(2);
  w.Add(3);
  m.Enter();
  m.Notify();
  m.Leave();
  EXPECT_EQ(w.Woken(1), std::vector<int>({3}));
  m.Enter();
  m.NotifyAll();
  m.Leave();
  std::vector<int> all = w.Woken(3);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0], 3);
}

TEST(Monitor, TwoNotifiesInARowWakeTwoWaiters) {
  Monitor m;
  Waiters w(m);
  w.Add(1);
  w.Add(2);
  w.Add(3);
  m.Enter();
  m.Notify();
  m.Notify();  // before the first one woke: must not hit the same waiter again
  EXPECT_EQ(m.Waiters(), 1u);
  m.Leave();
  std::vector<int> woken = w.Woken(2);
  std::sort(woken.begin(), woken.end());
  EXPECT_EQ(woken, std::vector<int>({2, 3}));
}

TEST(Monitor, NotifyByANonOwnerWakesNobody) {
  Monitor m;
  Waiters w(m);
  w.Add(1);
  bool raised = false;
  std::thread outsider([&] {
    try {
      m.Notify();
    } catch (const CIllegalMonitorStateException&) {
      raised = true;
    }
  });
  outsider.join();
  EXPECT_TRUE(raised);
  EXPECT_EQ(WaitersOf(m), 1u);
}

TEST(Monitor, NotifyThreadWakesOnlyThatThread) {
  Monitor m;
  std::thread::id target;
  bool targetWoken = false;
  std::thread waiter([&] {
    m.Enter();
    target = std::this_thread::get_id();
    targetWoken = m.Wait();
    m.Leave();
  });
  Waiters others(m);
  ASSERT_TRUE(Eventually([&] { return WaitersOf(m) == 1; }));
  others.Add(2);
  m.Enter();
  m.NotifyThread(target);
  m.Leave();
  waiter.join();
  EXPECT_TRUE(targetWoken);
  EXPECT_EQ(WaitersOf(m), 1u) << "the other waiter still waits";
}

TEST(Monitor, WaitReleasesEveryEntryAndRestoresThem) {
  Monitor m;
  bool notified = false;
  std::thread waiter([&] {
    m.Enter();
    m.Enter();
    notified = m.Wait();
    m.Leave();
    m.Leave();
    EXPECT_THROW(m.Leave(), CRuntimeException);
  });
  // Entering proves the waiter let go of both entries.
  ASSERT_TRUE(Eventually([&] { return WaitersOf(m) == 1; }));
  m.Enter();
  m.Notify();
  m.Leave();
  waiter.join();
  EXPECT_TRUE(notified);
}

TEST(WorkerThread, InterruptEndsAMonitorWaitWithTheMonitorHeld) {
  Monitor m;
  bool raised = false, heldInHandler = false;
  WorkerThread worker([&] {
    m.Enter();
    try {
      m.Wait();
    } catch (const CInterruptedException& e) {
      raised = true;
      heldInHandler = m.IsHeldByCurrentThread();
      EXPECT_NE(std::string(e.what()).find("CInterruptedException\r\nna"), std::string::npos);
    }
    m.Leave();
  });
  ASSERT_TRUE(worker.Start());
  EXPECT_FALSE(worker.Start());
  ASSERT_TRUE(Eventually([&] { return WaitersOf(m) == 1; }));
  worker.Interrupt();
  EXPECT_EQ(worker.Join(), kWaitObject0);
  EXPECT_TRUE(raised);
  EXPECT_TRUE(heldInHandler);
  EXPECT_EQ(WaitersOf(m), 0u);
}

TEST(WorkerThread, JoinTimesOutWhileRunningAndFailsWhenNeverStarted) {
  Event release(true, false);
  WorkerThread worker([&] { release.Wait(); });
  EXPECT_EQ(worker.Join(0), kWaitFailed);
  ASSERT_TRUE(worker.Start());
  EXPECT_EQ(worker.Join(10), kWaitTimeout);
  release.Set();
  EXPECT_EQ(worker.Join(), kWaitObject0);
  EXPECT_EQ(worker.Join(0), kWaitObject0);
}

TEST(WorkerThread, SuspensionPointHoldsWhileSuspended) {
  Event reached(true, false);
  std::atomic<bool> passed{false};
  WorkerThread worker([&] {
    reached.Set();
    WorkerThread::SuspensionPoint();
    passed = true;
  });
  worker.Suspend();
  worker.Suspend();
  ASSERT_TRUE(worker.Start());
  ASSERT_EQ(reached.Wait(), kWaitObject0);
  worker.Resume();
  EXPECT_EQ(worker.Join(20), kWaitTimeout) << "still suspended once";
  EXPECT_FALSE(passed);
  worker.Resume();
  EXPECT_EQ(worker.Join(), kWaitObject0);
  EXPECT_TRUE(passed);
}

TEST(WorkerThread, DestructionRequestsTermination) {
  std::atomic<bool> sawRequest{false};
  {
    WorkerThread worker([&] {
      while (!WorkerThread::IsTerminationRequested()) WorkerThread::SuspensionPoint(), std::this_thread::yield();
      sawRequest = true;
    });
    worker.Suspend();  // termination must also end a suspension
    ASSERT_TRUE(worker.Start());
  }
  EXPECT_TRUE(sawRequest);
  EXPECT_FALSE(WorkerThread::IsTerminationRequested()) << "not a worker thread";
}

TEST(WorkerThread, ThreadThatDoesNotEndInTimeIsLogged) {
  auto release = std::make_shared<Event>(true, false);
  auto ended = std::make_shared<Event>(true, false);
  ResetErrorLogForTesting();
  {
    WorkerThread worker(
        [release, ended] {
          release->Wait();
          ended->Set();
        },
        10);
    ASSERT_TRUE(worker.Start());
  }
  release->Set();
  EXPECT_EQ(ended->Wait(20000), kWaitObject0);
  ResetErrorLogForTesting();
  EXPECT_EQ(ErrorLogText().rfind("Failed Terminate", 0), 0u);
}

TEST(WorkerThread, EscapingExceptionIsLoggedNotFatal) {
  ResetErrorLogForTesting();
  WorkerThread worker([] { throw CRuntimeException("boom", "na", 0); });
  ASSERT_TRUE(worker.Start());
  EXPECT_EQ(worker.Join(), kWaitObject0);
  ResetErrorLogForTesting();
  std::string log = ErrorLogText();
  EXPECT_EQ(log.rfind("exception CatchHandler", 0), 0u) << log;
  EXPECT_NE(log.find("boom"), std::string::npos);
}

}  // namespace
}  // namespace vmqdSDK
