// SPDX-License-Identifier: MIT
#include "net/loop.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace net {
namespace {

constexpr int kEventsPerTurn = 256;

[[noreturn]] void fail(const char* what) {
  throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

Loop::Loop() : mNow(Clock::now()) {
  mEpoll = epoll_create1(EPOLL_CLOEXEC);
  if (mEpoll < 0) fail("epoll_create1");
}

Loop::~Loop() { ::close(mEpoll); }

void Loop::add(int fd, std::uint32_t events, Handler* handler) {
  epoll_event event{};
  event.events = events;
  event.data.ptr = handler;
  if (epoll_ctl(mEpoll, EPOLL_CTL_ADD, fd, &event) != 0) fail("epoll_ctl");
}

void Loop::modify(int fd, std::uint32_t events, Handler* handler) {
  epoll_event event{};
  event.events = events;
  event.data.ptr = handler;
  if (epoll_ctl(mEpoll, EPOLL_CTL_MOD, fd, &event) != 0) fail("epoll_ctl");
}

void Loop::remove(int fd, Handler* handler) {
  epoll_ctl(mEpoll, EPOLL_CTL_DEL, fd, nullptr);
  mRemoved.push_back(handler);
}

Loop::TimerId Loop::make_timer(std::function<void()> callback) {
  TimerId id;
  if (!mFreeTimers.empty()) {
    id = mFreeTimers.back();
    mFreeTimers.pop_back();
  } else {
    id = static_cast<TimerId>(mTimers.size());
    mTimers.emplace_back();
  }
  TimerSlot& slot = mTimers[id];
  slot.callback = std::move(callback);  // new or released, it is not queued
  return id;
}

void Loop::arm(TimerId timer, TimePoint when) {
  // A time already past fires in the next turn, never again in this one:
  // a callback that re-arms for now cannot hold the loop.
  if (when <= mNow) when = mNow + Clock::duration(1);
  TimerSlot& slot = mTimers[timer];
  if (slot.position == kNotQueued) {
    slot.when = when;
    mHeap.push_back(timer);
    slot.position = mHeap.size() - 1;
    sift_up(slot.position);
    return;
  }
  const bool earlier = when < slot.when;
  slot.when = when;
  if (earlier) {
    sift_up(slot.position);
  } else {
    sift_down(slot.position);
  }
}

void Loop::disarm(TimerId timer) { unqueue(timer); }

bool Loop::armed(TimerId timer) const { return mTimers[timer].position != kNotQueued; }

void Loop::release(TimerId timer) {
  unqueue(timer);
  TimerSlot& slot = mTimers[timer];
  slot.callback = nullptr;
  mFreeTimers.push_back(timer);
}

bool Loop::before(std::size_t a, std::size_t b) const {
  return mTimers[mHeap[a]].when < mTimers[mHeap[b]].when;
}

void Loop::place(std::size_t position, TimerId timer) {
  mHeap[position] = timer;
  mTimers[timer].position = position;
}

void Loop::sift_up(std::size_t position) {
  while (position > 0) {
    const std::size_t parent = (position - 1) / 2;
    if (!before(position, parent)) break;
    const TimerId moved = mHeap[parent];
    place(parent, mHeap[position]);
    place(position, moved);
    position = parent;
  }
}

void Loop::sift_down(std::size_t position) {
  for (;;) {
    const std::size_t left = 2 * position + 1;
    if (left >= mHeap.size()) break;
    std::size_t least = left;
    if (left + 1 < mHeap.size() && before(left + 1, left)) least = left + 1;
    if (!before(least, position)) break;
    const TimerId moved = mHeap[least];
    place(least, mHeap[position]);
    place(position, moved);
    position = least;
  }
}

void Loop::unqueue(TimerId timer) {
  TimerSlot& slot = mTimers[timer];
  const std::size_t position = slot.position;
  if (position == kNotQueued) return;
  slot.position = kNotQueued;
  const TimerId last = mHeap.back();
  mHeap.pop_back();
  if (position == mHeap.size()) return;
  place(position, last);
  sift_up(position);
  sift_down(mTimers[last].position);
}

void Loop::fire_due_timers() {
  while (!mHeap.empty()) {
    const TimerId timer = mHeap.front();
    if (mTimers[timer].when > mNow) break;
    unqueue(timer);
    // The callback may re-arm or release its own timer: call a copy.
    const std::function<void()> callback = mTimers[timer].callback;
    if (callback) callback();
  }
}

void Loop::run() {
  while (!mStopped) run_once();
}

void Loop::run_once(TimePoint limit) {
  TimePoint wake = limit;
  if (!mHeap.empty()) wake = std::min(wake, mTimers[mHeap.front()].when);
  int timeout = -1;
  if (wake != TimePoint::max()) {
    const auto wait = wake - Clock::now();
    // Rounded up: waking early would only turn the loop once more.
    timeout = wait <= Clock::duration::zero()
                  ? 0
                  : static_cast<int>(std::min<std::int64_t>(
                        std::chrono::ceil<std::chrono::milliseconds>(wait).count(), 3'600'000));
  }
  std::array<epoll_event, kEventsPerTurn> events;
  const int count = epoll_wait(mEpoll, events.data(), kEventsPerTurn, timeout);
  if (count < 0 && errno != EINTR) fail("epoll_wait");
  mNow = Clock::now();
  mRemoved.clear();
  for (int i = 0; i < count; ++i) {
    auto* handler = static_cast<Handler*>(events[static_cast<std::size_t>(i)].data.ptr);
    if (std::find(mRemoved.begin(), mRemoved.end(), handler) != mRemoved.end()) continue;
    handler->on_events(events[static_cast<std::size_t>(i)].events);
  }
  mRemoved.clear();
  fire_due_timers();
  if (mTurnEnd) mTurnEnd();
}

}  // namespace net
