// SPDX-License-Identifier: MIT
// From a captured frame to the TCP segment or UDP datagram it carries: the
// link layers, IPv4 and IPv6, and the TCP or UDP header. Checksums are not verified (captures
// taken on the sending host hold wrong ones).
#ifndef SCTE104_CAPTURE_PACKET_H
#define SCTE104_CAPTURE_PACKET_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace capture {

// One end of a TCP connection or of a UDP datagram's path.
struct Endpoint {
  std::array<std::uint8_t, 16> address{};  // IPv4 in the first 4 bytes
  std::uint16_t port = 0;
  bool ipv6 = false;

  bool operator==(const Endpoint& other) const {
    return port == other.port && ipv6 == other.ipv6 && address == other.address;
  }
  bool operator!=(const Endpoint& other) const { return !(*this == other); }
};

// "ip:port", IPv6 in brackets as inet_ntop writes it: "[2001:db8::9]:5167".
std::string to_string(const Endpoint& endpoint);

struct TcpSegment {
  Endpoint source;
  Endpoint destination;
  std::uint32_t sequence = 0;
  bool syn = false;
  bool ack = false;
  bool fin = false;
  bool rst = false;
  const std::uint8_t* payload = nullptr;
  std::size_t payload_size = 0;
};

struct UdpDatagram {
  Endpoint source;
  Endpoint destination;
  const std::uint8_t* payload = nullptr;
  std::size_t payload_size = 0;
};

// Whether frames of this libpcap link type can be read.
bool is_supported_link_type(int link_type);

// Reads the TCP segment that a frame carries. False for anything else:
// another protocol, an IP fragment, an IPv6 packet with a fragment or
// unknown extension header or a jumbogram, or a packet whose IP or TCP bytes
// are not all in the frame.
bool read_tcp_segment(int link_type, const std::uint8_t* frame, std::size_t size,
                      TcpSegment& segment);

// Reads the UDP datagram that a frame carries, with the same rules as
// read_tcp_segment. False also when the UDP length is below 8 or passes the
// IP payload; bytes after that length are no payload. Checksums are not
// verified.
bool read_udp_datagram(int link_type, const std::uint8_t* frame, std::size_t size,
                       UdpDatagram& datagram);

}  // namespace capture

#endif  // SCTE104_CAPTURE_PACKET_H
