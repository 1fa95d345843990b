// SPDX-License-Identifier: MIT
#include "host_port.h"

#include "option_reader.h"

namespace scte104 {

HostPort parse_host_port(std::string_view option, std::string_view value,
                         std::uint16_t default_port) {
  constexpr std::string_view expected =
      "HOST[:PORT]: an IPv4 address, [IPv6 address] or host name, PORT 1-65535";
  HostPort peer;
  peer.port = default_port;
  std::string_view host = value;
  std::string_view port;
  if (!value.empty() && value.front() == '[') {
    const std::size_t close = value.find(']');
    if (close == std::string_view::npos) bad_option_value(option, value, expected);
    host = value.substr(1, close - 1);
    const std::string_view rest = value.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') bad_option_value(option, value, expected);
      port = rest.substr(1);
      if (port.empty()) bad_option_value(option, value, expected);
    }
    peer.bracketed = true;
    if (host.find(':') == std::string_view::npos) bad_option_value(option, value, expected);
  } else {
    const std::size_t colon = value.find(':');
    if (colon != std::string_view::npos) {
      host = value.substr(0, colon);
      port = value.substr(colon + 1);
      // A second colon: an IPv6 literal without its brackets.
      if (port.empty() || port.find(':') != std::string_view::npos) {
        bad_option_value(option, value, expected);
      }
    }
  }
  if (host.empty()) bad_option_value(option, value, expected);
  peer.host = std::string(host);
  if (!port.empty()) {
    unsigned number = 0;
    for (const char c : port) {
      if (c < '0' || c > '9' || number > 65535) bad_option_value(option, value, expected);
      number = number * 10 + static_cast<unsigned>(c - '0');
    }
    if (number < 1 || number > 65535) bad_option_value(option, value, expected);
    peer.port = static_cast<std::uint16_t>(number);
  }
  return peer;
}

std::string to_string(const HostPort& peer) {
  const std::string host = peer.bracketed ? "[" + peer.host + "]" : peer.host;
  return host + ":" + std::to_string(peer.port);
}

}  // namespace scte104
