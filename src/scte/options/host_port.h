// SPDX-License-Identifier: MIT
// HOST[:PORT] of a TCP peer: an IPv4 literal, a bracketed IPv6 literal
// ("[::1]", "[2001:db8::9]:6000") or a host name, the port 1-65535 in
// decimal or the default.
#ifndef SCTE104_HOST_PORT_H
#define SCTE104_HOST_PORT_H

#include <cstdint>
#include <string>
#include <string_view>

namespace scte104 {

struct HostPort {
  std::string host;  // without the brackets of an IPv6 literal
  std::uint16_t port = 0;
  bool bracketed = false;
};

// Throws OptionError through bad_option_value for an empty host, a bare
// IPv6 literal, a port 0 or a port that is no number.
HostPort parse_host_port(std::string_view option, std::string_view value,
                         std::uint16_t default_port);

// "host:port", "[v6]:port".
std::string to_string(const HostPort& peer);

}  // namespace scte104

#endif  // SCTE104_HOST_PORT_H
