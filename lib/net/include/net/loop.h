// SPDX-License-Identifier: MIT
// One thread's event loop: epoll for descriptors, a heap of deadlines for
// timers, and a hook at the end of every turn. A turn waits for the first
// of an event or a deadline, calls the handlers of the events, then the
// timers that are due, then the turn-end hook.
#ifndef SCTE104_NET_LOOP_H
#define SCTE104_NET_LOOP_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace net {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

// Told of the epoll events (EPOLLIN, EPOLLOUT, EPOLLERR, ...) of its
// descriptor.
class Handler {
 public:
  virtual ~Handler() = default;
  virtual void on_events(std::uint32_t events) = 0;
};

class Loop {
 public:
  using TimerId = std::uint32_t;

  Loop();
  ~Loop();
  Loop(const Loop&) = delete;
  Loop& operator=(const Loop&) = delete;

  // Watches `fd` (level-triggered) for `events`, calling `handler`.
  void add(int fd, std::uint32_t events, Handler* handler);
  void modify(int fd, std::uint32_t events, Handler* handler);
  // Stops watching `fd`; events of this turn not yet handed to `handler`
  // are dropped, so it may be destroyed at once (close fd after this).
  void remove(int fd, Handler* handler);

  // A timer calling `callback` when due; disarmed until arm().
  TimerId make_timer(std::function<void()> callback);
  // Due at `when` (replacing any earlier arming); a time already past
  // fires in this turn or the next.
  void arm(TimerId timer, TimePoint when);
  void disarm(TimerId timer);
  bool armed(TimerId timer) const;
  // The timer is gone; its id may be given out again.
  void release(TimerId timer);

  // Called at the end of every turn.
  void set_turn_end(std::function<void()> hook) { mTurnEnd = std::move(hook); }

  // Turns until stop().
  void run();
  // One turn; waits at most until `limit` for an event.
  void run_once(TimePoint limit = TimePoint::max());
  void stop() { mStopped = true; }
  bool stopped() const { return mStopped; }

  // The time this turn started (read once per turn after the wait).
  TimePoint now() const { return mNow; }

 private:
  struct TimerSlot {
    std::function<void()> callback;
    TimePoint when;
    std::size_t position = kNotQueued;  // in mHeap
  };
  static constexpr std::size_t kNotQueued = static_cast<std::size_t>(-1);

  bool before(std::size_t a, std::size_t b) const;
  void place(std::size_t position, TimerId timer);
  void sift_up(std::size_t position);
  void sift_down(std::size_t position);
  void unqueue(TimerId timer);
  void fire_due_timers();

  int mEpoll = -1;
  std::vector<TimerSlot> mTimers;
  std::vector<TimerId> mFreeTimers;
  std::vector<TimerId> mHeap;  // a binary heap of armed timers, earliest first
  std::vector<Handler*> mRemoved;  // during this turn's dispatch
  std::function<void()> mTurnEnd;
  TimePoint mNow;
  bool mStopped = false;
};

}  // namespace net

#endif  // SCTE104_NET_LOOP_H
