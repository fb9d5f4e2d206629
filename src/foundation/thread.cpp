#include "foundation/thread.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>

#include "foundation/error_log.h"
#include "foundation/exception.h"

namespace vmqdSDK {
namespace {

[[noreturn]] void ThrowNotEntered() {
  throw Common::CRuntimeException("Leave is done though Enter is not done.", "na", 0);
}

// One thread blocked in WaitAny; every event it waits for knows it and wakes it when set.
struct Sleeper {
  std::mutex mutex;
  std::condition_variable wake;
  bool woken = false;
};

}  // namespace

// ---- RecursiveLock

RecursiveLock::~RecursiveLock() {
  if (owner_.load() == std::thread::id()) return;
  LogError("not unlocked", "", kErrorStyle, nullptr);
  // A mutex must not be destroyed locked; the owner can still release it. (Destroying a lock that another
  // thread holds is beyond repair here.)
  LeaveAll();
}

void RecursiveLock::Enter() {
  mutex_.lock();
  owner_.store(std::this_thread::get_id());
  ++count_;
}

void RecursiveLock::Leave() {
  // A thread that does not own the lock must not touch it: the count belongs to the owner.
  if (owner_.load() != std::this_thread::get_id() || count_ == 0) ThrowNotEntered();
  if (--count_ == 0) owner_.store(std::thread::id());
  mutex_.unlock();
}

bool RecursiveLock::IsHeldByCurrentThread() const { return owner_.load() == std::this_thread::get_id(); }

std::uint32_t RecursiveLock::LeaveAll() {
  if (!IsHeldByCurrentThread()) return 0;
  std::uint32_t entries = count_;
  for (std::uint32_t i = 0; i < entries; ++i) Leave();
  return entries;
}

// ---- Event

struct Event::State {
  std::mutex mutex;
  bool set = false;
  bool manualReset = false;
  std::vector<Sleeper*> sleepers;
};

namespace {

// Named events of this process; an entry lives as long as one Event of that name does. Never destroyed, so
// that an Event with static storage may still end after them.
std::mutex& NamesMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::map<std::string, std::weak_ptr<Event::State>>& Names() {
  static auto* names = new std::map<std::string, std::weak_ptr<Event::State>>;
  return *names;
}

std::shared_ptr<Event::State> MakeState(bool manualReset, bool initiallySet) {
  auto state = std::make_shared<Event::State>();
  state->manualReset = manualReset;
  state->set = initiallySet;
  return state;
}

}  // namespace

Event::Event(bool manualReset, bool initiallySet, const void*, const std::string& name) : named_(!name.empty()) {
  if (!named_) {
    state_ = MakeState(manualReset, initiallySet);
    return;
  }
  std::lock_guard<std::mutex> lock(NamesMutex());
  std::weak_ptr<State>& entry = Names()[name];
  state_ = entry.lock();
  if (!state_) {
    state_ = MakeState(manualReset, initiallySet);
    entry = state_;
  }
}

Event::~Event() {
  if (!named_) return;
  std::lock_guard<std::mutex> lock(NamesMutex());
  state_.reset();
  std::erase_if(Names(), [](const auto& entry) { return entry.second.expired(); });
}

std::uint32_t Event::Wait(std::uint32_t timeoutMs) {
  Event* self = this;
  return WaitAny(&self, 1, timeoutMs);
}

void Event::Set() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->set = true;
  for (Sleeper* s : state_->sleepers) {
    std::lock_guard<std::mutex> sleeperLock(s->mutex);
    s->woken = true;
    s->wake.notify_one();
  }
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->set = false;
}

bool Event::IsManualReset() const { return state_->manualReset; }

std::uint32_t Event::WaitAny(Event* const* events, std::size_t count, std::uint32_t timeoutMs) {
  if (events == nullptr || count == 0) return kWaitFailed;
  // The states are held here so that an Event destroyed meanwhile cannot pull them away.
  std::vector<std::shared_ptr<State>> states;
  for (std::size_t i = 0; i < count; ++i) {
    if (events[i] == nullptr) return kWaitFailed;
    states.push_back(events[i]->state_);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);

  Sleeper sleeper;
  // Registered before the first look, so that a Set between a look and the sleep still wakes it.
  for (auto& s : states) {
    std::lock_guard<std::mutex> lock(s->mutex);
    s->sleepers.push_back(&sleeper);
  }
  std::uint32_t result = kWaitTimeout;
  for (;;) {
    bool taken = false;
    for (std::size_t i = 0; i < states.size() && !taken; ++i) {
      std::lock_guard<std::mutex> lock(states[i]->mutex);
      if (states[i]->set) {
        if (!states[i]->manualReset) states[i]->set = false;
        result = kWaitObject0 + static_cast<std::uint32_t>(i);
        taken = true;
      }
    }
    if (taken) break;
    std::unique_lock<std::mutex> lock(sleeper.mutex);
    if (timeoutMs == kInfinite) {
      sleeper.wake.wait(lock, [&] { return sleeper.woken; });
    } else if (!sleeper.wake.wait_until(lock, deadline, [&] { return sleeper.woken; })) {
      break;
    }
    sleeper.woken = false;
  }
  for (auto& s : states) {
    std::lock_guard<std::mutex> lock(s->mutex);
    s->sleepers.erase(std::remove(s->sleepers.begin(), s->sleepers.end(), &sleeper), s->sleepers.end());
  }
  return result;
}

// ---- WorkerThread state (needed by Monitor::Wait)

struct WorkerThread::State {
  explicit State(Body b) : body(std::move(b)) {}
  Body body;
  Event interrupt{false, false};
  Event finished{true, false};
  Event running{true, true};  // unset while suspended
  std::mutex suspendMutex;
  std::uint32_t suspendCount = 0;
  std::atomic<bool> terminate{false};
};

namespace {
thread_local WorkerThread::State* t_worker = nullptr;
}

// ---- Monitor

struct Monitor::Waiter {
  Event event{false, false};
  bool woken = false;
  std::thread::id thread;
};

void Monitor::CheckOwner() const {
  if (!lock_.IsHeldByCurrentThread()) throw Common::CIllegalMonitorStateException("na", "na", 0);
}

bool Monitor::WakeNewest() {
  for (auto it = waiters_.rbegin(); it != waiters_.rend(); ++it) {
    if (!(*it)->woken) {
      (*it)->woken = true;
      (*it)->event.Set();
      return true;
    }
  }
  return false;
}

bool Monitor::Wait(std::uint32_t timeoutMs) {
  CheckOwner();
  Waiter waiter;
  waiter.thread = std::this_thread::get_id();
  waiters_.push_back(&waiter);
  // All entries, not one: a notifier could not enter a monitor still held, and the wait would never end.
  const std::uint32_t entries = lock_.LeaveAll();

  bool interrupted = false;
  bool notified = false;
  if (t_worker != nullptr) {
    Event* events[] = {&t_worker->interrupt, &waiter.event};
    std::uint32_t r = Event::WaitAny(events, 2, timeoutMs);
    interrupted = r == kWaitObject0;
    notified = r == kWaitObject0 + 1;
  } else {
    notified = waiter.event.Wait(timeoutMs) == kWaitObject0;
  }

  for (std::uint32_t i = 0; i < entries; ++i) lock_.Enter();
  waiters_.erase(std::find(waiters_.begin(), waiters_.end(), &waiter));
  // A notification that arrived after the time-out or the interrupt goes to the next waiter, not lost.
  if (!notified && waiter.woken) WakeNewest();
  if (interrupted) throw Common::CInterruptedException("na", "na", 0);
  return notified;
}

void Monitor::Notify() {
  CheckOwner();
  WakeNewest();
}

void Monitor::NotifyAll() {
  CheckOwner();
  while (WakeNewest()) {
  }
}

void Monitor::NotifyThread(std::thread::id thread) {
  CheckOwner();
  for (Waiter* w : waiters_) {
    if (w->thread == thread && !w->woken) {
      w->woken = true;
      w->event.Set();
    }
  }
}

std::size_t Monitor::Waiters() const {
  CheckOwner();
  return static_cast<std::size_t>(std::count_if(waiters_.begin(), waiters_.end(), [](Waiter* w) { return !w->woken; }));
}

// ---- WorkerThread

WorkerThread::WorkerThread(Body body, std::uint32_t terminationTimeoutMs)
    : state_(std::make_shared<State>(std::move(body))), terminationTimeoutMs_(terminationTimeoutMs) {}

WorkerThread::~WorkerThread() {
  {
    std::lock_guard<std::mutex> lock(state_->suspendMutex);
    state_->terminate.store(true);
    state_->running.Set();
  }
  state_->interrupt.Set();
  if (!started_) return;
  if (Join(terminationTimeoutMs_) != kWaitObject0) {
    LogError("Failed Terminate", "", kErrorStyle, nullptr);
    // The thread keeps its own reference to the state, so it may run on safely without this object.
    std::lock_guard<std::mutex> lock(joinMutex_);
    if (thread_.joinable()) thread_.detach();
  }
}

bool WorkerThread::Start() {
  if (started_) return false;
  try {
    std::shared_ptr<State> state = state_;
    thread_ = std::thread([state] {
      t_worker = state.get();
      CatchAndReport(state->body, true);
      t_worker = nullptr;
      state->finished.Set();
    });
  } catch (...) {
    return false;
  }
  started_ = true;
  return true;
}

void WorkerThread::Suspend() {
  std::lock_guard<std::mutex> lock(state_->suspendMutex);
  if (state_->terminate.load()) return;
  if (state_->suspendCount++ == 0) state_->running.Reset();
}

void WorkerThread::Resume() {
  std::lock_guard<std::mutex> lock(state_->suspendMutex);
  if (state_->suspendCount > 0 && --state_->suspendCount == 0) state_->running.Set();
}

void WorkerThread::Interrupt() { state_->interrupt.Set(); }

std::uint32_t WorkerThread::Join(std::uint32_t timeoutMs) {
  if (!started_ || t_worker == state_.get()) return kWaitFailed;
  std::uint32_t r = state_->finished.Wait(timeoutMs);
  if (r != kWaitObject0) return r;
  std::lock_guard<std::mutex> lock(joinMutex_);
  if (thread_.joinable()) thread_.join();
  return kWaitObject0;
}

bool WorkerThread::IsTerminationRequested() { return t_worker != nullptr && t_worker->terminate.load(); }

void WorkerThread::SuspensionPoint() {
  // Termination sets `running` for good, so a thread being destroyed never stops here.
  if (t_worker != nullptr) t_worker->running.Wait(kInfinite);
}

}  // namespace vmqdSDK
