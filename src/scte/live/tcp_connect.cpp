// SPDX-License-Identifier: MIT
#include "tcp_connect.h"

#include <netdb.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <memory>

#include "net/loop.h"
#include "net/socket.h"

namespace scte104 {
namespace {

std::string duration_text(std::int64_t ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + "s" : std::to_string(ms) + "ms";
}

// Wakes the loop when its descriptor has events.
class Flag final : public net::Handler {
 public:
  void on_events(std::uint32_t) override { raised = true; }
  bool raised = false;
};

}  // namespace

std::int64_t monotonic_us() {
  return std::chrono::duration_cast<std::chrono::microseconds>(net::Clock::now().time_since_epoch())
      .count();
}

std::int64_t wall_us() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

TcpConnection tcp_connect(const HostPort& peer, std::int64_t timeout_ms, int stop_fd) {
  TcpConnection result;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(peer.port);
  if (const int failed = getaddrinfo(peer.host.c_str(), port.c_str(), &hints, &found)) {
    result.error = gai_strerror(failed);
    return result;
  }
  const std::unique_ptr<addrinfo, void (*)(addrinfo*)> addresses(found, freeaddrinfo);
  net::Loop loop;
  bool timed_out = false;
  const net::Loop::TimerId timer = loop.make_timer([&timed_out] { timed_out = true; });
  loop.arm(timer, net::Clock::now() + std::chrono::milliseconds(timeout_ms));
  Flag stop;
  if (stop_fd >= 0) loop.add(stop_fd, EPOLLIN, &stop);
  for (const addrinfo* a = found; a != nullptr && !timed_out; a = a->ai_next) {
    net::Address address;
    std::memcpy(&address.storage, a->ai_addr, a->ai_addrlen);
    address.length = a->ai_addrlen;
    const int fd = net::connect_to(address, result.error);
    if (fd < 0) continue;
    Flag ready;
    loop.add(fd, EPOLLOUT, &ready);
    while (!ready.raised && !stop.raised && !timed_out) loop.run_once();
    loop.remove(fd, &ready);
    if (stop.raised) {
      ::close(fd);
      result.interrupted = true;
      return result;
    }
    const int error = ready.raised ? net::connect_result(fd) : ETIMEDOUT;
    if (error == 0) {
      result.fd = fd;
      result.local = net::to_string(net::local_address(fd));
      result.remote = net::to_string(net::peer_address(fd));
      result.error.clear();
      return result;
    }
    ::close(fd);
    result.error = std::strerror(error);
  }
  if (timed_out) result.error = "no connection within " + duration_text(timeout_ms);
  return result;
}

}  // namespace scte104
