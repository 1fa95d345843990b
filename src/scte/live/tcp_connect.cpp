// SPDX-License-Identifier: MIT
#include "tcp_connect.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

namespace scte104 {
namespace {

capture::Endpoint end_of(int fd, bool local) {
  sockaddr_storage address{};
  socklen_t size = sizeof address;
  capture::Endpoint end;
  const int got = local ? getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size)
                        : getpeername(fd, reinterpret_cast<sockaddr*>(&address), &size);
  if (got != 0) return end;
  if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    std::memcpy(end.address.data(), &v6.sin6_addr, 16);
    end.port = ntohs(v6.sin6_port);
    end.ipv6 = true;
  } else {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    std::memcpy(end.address.data(), &v4.sin_addr, 4);
    end.port = ntohs(v4.sin_port);
  }
  return end;
}

std::int64_t clock_us(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

}  // namespace

std::int64_t monotonic_us() { return clock_us(CLOCK_MONOTONIC); }
std::int64_t wall_us() { return clock_us(CLOCK_REALTIME); }

TcpConnection tcp_connect(const HostPort& peer, std::int64_t timeout_ms, int stop_fd) {
  TcpConnection result;
  const std::int64_t deadline = monotonic_us() + timeout_ms * 1000;
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
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          a->ai_protocol);
    if (fd < 0) {
      result.error = std::strerror(errno);
      continue;
    }
    int error = 0;
    if (connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      error = errno;
      if (error == EINPROGRESS) {
        error = ETIMEDOUT;
        for (;;) {
          const std::int64_t left_us = deadline - monotonic_us();
          if (left_us <= 0) break;
          pollfd fds[2] = {{fd, POLLOUT, 0}, {stop_fd, POLLIN, 0}};
          const int ready = poll(fds, stop_fd >= 0 ? 2 : 1, static_cast<int>((left_us + 999) / 1000));
          if (ready < 0 && errno == EINTR) continue;
          if (stop_fd >= 0 && (fds[1].revents & POLLIN) != 0) {
            ::close(fd);
            result.interrupted = true;
            return result;
          }
          if (fds[0].revents != 0) {
            socklen_t size = sizeof error;
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
            break;
          }
        }
      }
    }
    if (error == 0) {
      const int on = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      result.fd = fd;
      result.local = end_of(fd, true);
      result.remote = end_of(fd, false);
      result.error.clear();
      return result;
    }
    ::close(fd);
    if (error == ETIMEDOUT && monotonic_us() >= deadline) {
      result.error = "no connection within " +
                     (timeout_ms % 1000 == 0 ? std::to_string(timeout_ms / 1000) + "s"
                                             : std::to_string(timeout_ms) + "ms");
      return result;
    }
    result.error = std::strerror(error);
  }
  return result;
}

}  // namespace scte104
