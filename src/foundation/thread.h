// Locks, events, monitors and worker threads for the window framework, over the standard library.
//
// Wait results and time-outs use the Win32 values so that callers can compare them the same way on every
// platform: kWaitObject0 + index when an object was signalled, kWaitTimeout, kWaitFailed; kInfinite waits
// for ever.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vmqdSDK {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 0x102;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;

// A lock its owner may enter again; every Enter needs one Leave.
class RecursiveLock {
 public:
  RecursiveLock() = default;
  // A lock still held is logged ("not unlocked") and destroyed anyway.
  ~RecursiveLock();
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;

  void Enter();
  // Raises CRuntimeException when the calling thread has not entered the lock.
  void Leave();
  bool IsHeldByCurrentThread() const;
  // Leaves as often as the calling thread entered; returns that count (0 when it does not hold the lock).
  std::uint32_t LeaveAll();

 private:
  std::recursive_mutex mutex_;
  std::atomic<std::thread::id> owner_{};
  std::uint32_t count_ = 0;  // changed only by the owner
};

class LockGuard {
 public:
  explicit LockGuard(RecursiveLock& lock) : lock_(lock) { lock_.Enter(); }
  ~LockGuard() { lock_.Leave(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  RecursiveLock& lock_;
};

// A manual-reset or auto-reset event. Events made with the same non-empty name share one state within the
// process (the first one's reset mode and initial state count, as with system events).
class Event {
 public:
  explicit Event(bool manualReset = false, bool initiallySet = false, const void* securityAttributes = nullptr,
                 const std::string& name = {});
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  // kWaitObject0 once set (an auto-reset event is then unset again), or kWaitTimeout.
  std::uint32_t Wait(std::uint32_t timeoutMs = kInfinite);
  void Set();
  void Reset();
  bool IsManualReset() const;

  // Waits until one of `events` is set and takes it as Wait does: kWaitObject0 + the index of the first set
  // one, kWaitTimeout, or kWaitFailed for an empty list or a null entry.
  static std::uint32_t WaitAny(Event* const* events, std::size_t count, std::uint32_t timeoutMs);

  struct State;

 private:
  std::shared_ptr<State> state_;
  bool named_;
};

// A lock with wait and notify, in the manner of a condition bound to its lock.
class Monitor {
 public:
  Monitor() = default;
  Monitor(const Monitor&) = delete;
  Monitor& operator=(const Monitor&) = delete;

  void Enter() { lock_.Enter(); }
  void Leave() { lock_.Leave(); }
  bool IsHeldByCurrentThread() const { return lock_.IsHeldByCurrentThread(); }

  // The rest raise CIllegalMonitorStateException unless the calling thread holds the monitor.
  //
  // Leaves the monitor (all of the caller's entries, so that a notifier can enter it), waits to be notified
  // or for the time-out, enters it again as often as before. True when notified. On a WorkerThread an
  // interrupt ends the wait with CInterruptedException, raised after the monitor is held again.
  bool Wait(std::uint32_t timeoutMs = kInfinite);
  // Wakes the most recent waiter not yet woken.
  void Notify();
  void NotifyAll();
  void NotifyThread(std::thread::id thread);
  // Threads waiting and not yet woken.
  std::size_t Waiters() const;

 private:
  struct Waiter;
  void CheckOwner() const;
  bool WakeNewest();

  RecursiveLock lock_;
  std::vector<Waiter*> waiters_;  // registration order; changed only while the monitor is held
};

// A thread running one body. The body is run under handlers that log what escapes it.
class WorkerThread {
 public:
  using Body = std::function<void()>;

  explicit WorkerThread(Body body, std::uint32_t terminationTimeoutMs = 5000);
  // Requests termination and joins with the termination time-out; a thread that does not end in time is
  // logged ("Failed Terminate") and left to finish on its own.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // False when already started or when the system refuses a thread.
  bool Start();
  // Suspension is cooperative: the body stops at its next SuspensionPoint while suspended. Suspend and
  // Resume nest.
  void Suspend();
  void Resume();
  // Ends the thread's current or next Monitor::Wait with CInterruptedException.
  void Interrupt();
  // kWaitObject0 when the thread has ended, kWaitTimeout, or kWaitFailed when it was never started or the
  // thread would join itself.
  std::uint32_t Join(std::uint32_t timeoutMs = kInfinite);

  // For the body: whether its WorkerThread is being destroyed; false on any other thread.
  static bool IsTerminationRequested();
  // For the body: blocks while its WorkerThread is suspended (not after termination was requested).
  static void SuspensionPoint();

  struct State;

 private:
  std::shared_ptr<State> state_;
  std::thread thread_;
  std::mutex joinMutex_;
  std::uint32_t terminationTimeoutMs_;
  std::atomic<bool> started_{false};
};

}  // namespace vmqdSDK
