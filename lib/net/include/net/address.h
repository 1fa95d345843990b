// SPDX-License-Identifier: MIT
// Socket addresses: parsed from "ADDR:PORT" and printed as "ip:port"
// ("[v6]:port" for IPv6, in the form inet_ntop gives).
#ifndef SCTE104_NET_ADDRESS_H
#define SCTE104_NET_ADDRESS_H

#include <sys/socket.h>

#include <string>
#include <string_view>

namespace net {

struct Address {
  sockaddr_storage storage{};
  socklen_t length = 0;

  const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
  sockaddr* get() { return reinterpret_cast<sockaddr*>(&storage); }
  int family() const { return storage.ss_family; }
};

// Parses "1.2.3.4:PORT" or "[::1]:PORT"; names are not resolved here. The
// port is decimal, 0-65535. Returns an empty string, or what was expected
// instead ("a port from 0 to 65535").
std::string parse_address(std::string_view text, Address& address);

// "127.0.0.1:5167", "[::1]:5167".
std::string to_string(const Address& address);

}  // namespace net

#endif  // SCTE104_NET_ADDRESS_H
