// SPDX-License-Identifier: MIT
#include "net/address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstring>

namespace net {
namespace {

bool parse_port(std::string_view text, std::uint16_t& port) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 65535) return false;
  port = static_cast<std::uint16_t>(value);
  return true;
}

}  // namespace

std::string parse_address(std::string_view text, HostNames names, Address& address) {
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
  if (name.find(':') == std::string::npos && inet_pton(AF_INET, name.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    address.length = sizeof(sockaddr_in);
    return "";
  }
  if (names == HostNames::refused || name.empty() || name.find(':') != std::string::npos) {
    return "an IPv4 address or a bracketed IPv6 address";
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(name.c_str(), nullptr, &hints, &found);
  if (status != 0 || found == nullptr) {
    return std::string("a host name that resolves (") + gai_strerror(status) + ")";
  }
  std::memcpy(&address.storage, found->ai_addr, found->ai_addrlen);
  address.length = found->ai_addrlen;
  freeaddrinfo(found);
  if (address.family() == AF_INET6) {
    reinterpret_cast<sockaddr_in6*>(&address.storage)->sin6_port = htons(port);
  } else {
    reinterpret_cast<sockaddr_in*>(&address.storage)->sin_port = htons(port);
  }
  return "";
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
