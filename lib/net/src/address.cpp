// SPDX-License-Identifier: MIT
#include "net/address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace net {
namespace {

// Decimal, 0-65535; leading zeros are fine, as they are for --send.
bool parse_port(std::string_view text, std::uint16_t& port) {
  if (text.empty()) return false;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 65535) return false;
  }
  port = static_cast<std::uint16_t>(value);
  return true;
}

}  // namespace

std::string parse_address(std::string_view text, Address& address) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) return "ADDR:PORT";
  std::uint16_t port = 0;
  if (!parse_port(text.substr(colon + 1), port)) return "a port from 0 to 65535";
  std::string_view host = text.substr(0, colon);
  address = Address{};
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    const std::string literal(host.substr(1, host.size() - 2));
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address.storage);
    if (inet_pton(AF_INET6, literal.c_str(), &v6->sin6_addr) != 1) {
      return "an IPv6 address in brackets";
    }
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    address.length = sizeof(sockaddr_in6);
    return "";
  }
  const std::string name(host);
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address.storage);
  if (inet_pton(AF_INET, name.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    address.length = sizeof(sockaddr_in);
    return "";
  }
  return "an IPv4 address or a bracketed IPv6 address";
}

std::string to_string(const Address& address) {
  char text[INET6_ADDRSTRLEN] = "";
  if (address.family() == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address.storage);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    return std::string("[") + text + "]:" + std::to_string(ntohs(v6->sin6_port));
  }
  const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address.storage);
  inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
  return std::string(text) + ":" + std::to_string(ntohs(v4->sin_port));
}

}  // namespace net
