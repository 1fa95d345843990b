// SPDX-License-Identifier: MIT
// The automation system's TCP connection: every address of the host tried
// in getaddrinfo's order within one timeout, non-blocking connects watched
// with poll(2), the socket left non-blocking with TCP_NODELAY.
#ifndef SCTE104_TCP_CONNECT_H
#define SCTE104_TCP_CONNECT_H

#include <cstdint>
#include <string>

#include "capture/packet.h"
#include "host_port.h"

namespace scte104 {

struct TcpConnection {
  int fd = -1;         // -1: not connected
  bool interrupted = false;  // `stop_fd` became readable first
  std::string error;   // why not, when not
  capture::Endpoint local;
  capture::Endpoint remote;
};

// Connects within `timeout_ms`, every address included. `stop_fd` (a
// signalfd, or -1) ends the attempt when it becomes readable.
TcpConnection tcp_connect(const HostPort& peer, std::int64_t timeout_ms, int stop_fd);

// Monotonic and wall clocks, in microseconds.
std::int64_t monotonic_us();
std::int64_t wall_us();

}  // namespace scte104

#endif  // SCTE104_TCP_CONNECT_H
