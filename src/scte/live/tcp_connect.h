// SPDX-License-Identifier: MIT
// The automation system's TCP connection: every address getaddrinfo gives
// for the host tried in its order, all within one timeout, each a
// non-blocking connect of the event loop.
#ifndef SCTE104_TCP_CONNECT_H
#define SCTE104_TCP_CONNECT_H

#include <cstdint>
#include <string>

#include "host_port.h"

namespace scte104 {

struct TcpConnection {
  int fd = -1;               // -1: not connected
  bool interrupted = false;  // a signal came first (`stop_fd` became readable)
  std::string error;         // why not, when not
  std::string local;         // "127.0.0.1:40000", "[::1]:40000"
  std::string remote;
};

// Connects within `timeout_ms`, every address included; the socket is
// non-blocking with TCP_NODELAY.
TcpConnection tcp_connect(const HostPort& peer, std::int64_t timeout_ms, int stop_fd);

// Monotonic (the event loop's steady clock) and wall clocks, in microseconds.
std::int64_t monotonic_us();
std::int64_t wall_us();

}  // namespace scte104

#endif  // SCTE104_TCP_CONNECT_H
