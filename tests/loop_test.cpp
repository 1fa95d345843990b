// SPDX-License-Identifier: MIT
// The event loop's deadline heap: timers fire in deadline order, re-arming
// moves a timer either way, a disarmed or released one never fires, and a
// callback that re-arms for now waits for the next turn.
#include "net/loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using std::chrono::milliseconds;

TEST(loop, timers_fire_in_deadline_order) {
  net::Loop loop;
  std::string fired;
  std::vector<net::Loop::TimerId> timers;
  for (const char name : std::string("abcdef")) {
    timers.push_back(loop.make_timer([&fired, name] { fired += name; }));
  }
  const net::TimePoint start = net::Clock::now();
  // Armed out of order; c moves later, e earlier; d disarmed; f released.
  const int offsets[] = {4, 1, 2, 3, 6, 5};
  for (std::size_t i = 0; i < timers.size(); ++i) loop.arm(timers[i], start + milliseconds(offsets[i]));
  loop.arm(timers[2], start + milliseconds(7));
  loop.arm(timers[4], start + milliseconds(0) + std::chrono::microseconds(500));
  loop.disarm(timers[3]);
  loop.release(timers[5]);
  EXPECT_FALSE(loop.armed(timers[3]));
  EXPECT_TRUE(loop.armed(timers[0]));
  while (fired.size() < 4) loop.run_once(net::Clock::now() + milliseconds(20));
  EXPECT_EQ(fired, "ebac");
  // A released id is given out again.
  EXPECT_EQ(loop.make_timer([] {}), timers[5]);
}

TEST(loop, rearming_for_now_waits_a_turn) {
  net::Loop loop;
  int count = 0;
  net::Loop::TimerId timer = 0;
  timer = loop.make_timer([&] {
    ++count;
    loop.arm(timer, loop.now());
  });
  loop.arm(timer, net::Clock::now());
  loop.run_once(net::Clock::now() + milliseconds(5));
  EXPECT_EQ(count, 1);
  loop.run_once(net::Clock::now() + milliseconds(5));
  EXPECT_EQ(count, 2);
}

}  // namespace
