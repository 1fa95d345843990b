// SPDX-License-Identifier: MIT
// The event loop's deadline heap: timers fire in deadline order, re-arming
// moves a timer either way, a disarmed or released one never fires, and a
// callback that re-arms for now waits for the next turn. A stream's queue
// behind a slow reader. Addresses read and printed back, and the options
// every socket is made with.
#include "net/loop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "net/address.h"
#include "net/socket.h"

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
  // A released id is given out again, once.
  EXPECT_EQ(loop.make_timer([] {}), timers[5]);
  EXPECT_NE(loop.make_timer([] {}), timers[5]);
}

// Armed latest first, then the earliest moved to the end.
TEST(loop, timers_armed_latest_first_fire_earliest_first) {
  net::Loop loop;
  std::string fired;
  const net::TimePoint start = net::Clock::now();
  net::Loop::TimerId a = 0;
  for (const char name : std::string("edcba")) {
    a = loop.make_timer([&fired, name] { fired += name; });
    loop.arm(a, start + milliseconds(name - 'a' + 1));
  }
  loop.arm(a, start + milliseconds(6));
  while (fired.size() < 5) loop.run_once(net::Clock::now() + milliseconds(20));
  EXPECT_EQ(fired, "bcdea");
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

// A megabyte sent in blocks to a peer that reads 3000 bytes a turn: most
// of it waits in the queue, which is cut from the front as it drains.
// Every byte arrives once and in order, and the bytes reported taken are
// the bytes sent.
TEST(stream, a_slow_reader_gets_every_byte_in_order) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds), 0);
  const int small_buffer = 65536;
  setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &small_buffer, sizeof small_buffer);
  net::Stream stream(fds[0]);
  std::vector<std::uint8_t> sent(std::size_t{1} << 20);
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  std::vector<std::uint8_t> taken_all;
  std::vector<std::uint8_t> received;
  const std::uint8_t* taken = nullptr;
  for (std::size_t at = 0; at < sent.size(); at += 4096) {
    const net::Stream::Result r = stream.send(sent.data() + at, 4096, taken);
    taken_all.insert(taken_all.end(), taken, taken + r.size);
  }
  EXPECT_GT(stream.queued(), 65536u);
  std::uint8_t buffer[3000];
  for (int turn = 0; turn < 100000 && received.size() < sent.size(); ++turn) {
    const ssize_t got = ::read(fds[1], buffer, sizeof buffer);
    if (got > 0) received.insert(received.end(), buffer, buffer + got);
    if (stream.queued() > 0) {
      const net::Stream::Result r = stream.flush(taken);
      taken_all.insert(taken_all.end(), taken, taken + r.size);
    }
  }
  ::close(fds[1]);
  EXPECT_TRUE(received == sent);
  EXPECT_TRUE(taken_all == sent);
  EXPECT_EQ(stream.queued(), 0u);
}

TEST(address, read_and_printed_back) {
  const struct {
    const char* text;
    const char* expected;  // as printed, or the error
  } cases[] = {
      {"127.0.0.1:5167", "127.0.0.1:5167"},
      {"10.1.2.3:016000", "10.1.2.3:16000"},
      {"0.0.0.0:0", "0.0.0.0:0"},
      {"[::1]:65535", "[::1]:65535"},
      {"[2001:DB8::9]:80", "[2001:db8::9]:80"},
      {"127.0.0.1", "ADDR:PORT"},
      {"127.0.0.1:65536", "a port from 0 to 65535"},
      {"127.0.0.1:", "a port from 0 to 65535"},
      {"127.0.0.1:5x", "a port from 0 to 65535"},
      {"[]:1", "an IPv6 address in brackets"},
      {"[1.2.3.4]:1", "an IPv6 address in brackets"},
      {"::1:5167", "an IPv4 address or a bracketed IPv6 address"},
      {"localhost:1", "an IPv4 address or a bracketed IPv6 address"},
  };
  for (const auto& c : cases) {
    net::Address address;
    const std::string error = net::parse_address(c.text, address);
    EXPECT_EQ(error.empty() ? net::to_string(address) : error, c.expected) << c.text;
  }
}

int option(int fd, int level, int name) {
  int value = 0;
  socklen_t size = sizeof value;
  getsockopt(fd, level, name, &value, &size);
  return value;
}

// Listeners rebind at once after a restart, IPv6 ones take IPv6 only;
// connections send small messages without delay; all of them are
// non-blocking and closed on exec.
TEST(socket, options_of_listeners_and_connections) {
  std::string error;
  for (const char* text : {"127.0.0.1:0", "[::1]:0"}) {
    net::Address address;
    ASSERT_EQ(net::parse_address(text, address), "");
    const int listener = net::listen_on(address, 4, error);
    if (listener < 0 && address.family() == AF_INET6) continue;  // a machine without IPv6
    ASSERT_GE(listener, 0) << text << ": " << error;
    EXPECT_NE(option(listener, SOL_SOCKET, SO_REUSEADDR), 0) << text;
    if (address.family() == AF_INET6) {
      EXPECT_NE(option(listener, IPPROTO_IPV6, IPV6_V6ONLY), 0);
    }
    const int connection = net::connect_to(net::local_address(listener), error);
    ASSERT_GE(connection, 0) << text << ": " << error;
    EXPECT_NE(option(connection, IPPROTO_TCP, TCP_NODELAY), 0) << text;
    for (const int fd : {listener, connection}) {
      EXPECT_NE(fcntl(fd, F_GETFL) & O_NONBLOCK, 0) << text;
      EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << text;
      close(fd);
    }
  }
}

}  // namespace
