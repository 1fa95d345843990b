// SPDX-License-Identifier: MIT
// Link layers, IP, TCP and UDP headers, every read checked against the
// frame's end.
#include "capture/packet.h"

#include <arpa/inet.h>

#include <cstring>

namespace capture {
namespace {

// libpcap's numbers for the link types (DLT_*; raw IP has three).
enum LinkType : int {
  kNull = 0,
  kEthernet = 1,
  kRawCommon = 12,
  kRawOpenBsd = 14,
  kRaw = 101,
  kLoop = 108,
  kLinuxSll = 113,
  kIpv4 = 228,
  kIpv6 = 229,
  kLinuxSll2 = 276,
};

constexpr std::uint16_t kEtherTypeIpv4 = 0x0800;
constexpr std::uint16_t kEtherTypeIpv6 = 0x86DD;
constexpr std::uint16_t kEtherTypeVlan = 0x8100;
constexpr std::uint16_t kEtherTypeQinQ = 0x88A8;
constexpr std::uint8_t kProtocolTcp = 6;
constexpr std::uint8_t kProtocolUdp = 17;

// What a frame holds once the link layer is off.
enum class Network { ipv4, ipv6, other };

// A view of the bytes still to read.
struct Bytes {
  const std::uint8_t* data;
  std::size_t size;

  bool holds(std::size_t count) const { return size >= count; }
  std::uint16_t u16(std::size_t at) const {
    return static_cast<std::uint16_t>(data[at] << 8u | data[at + 1]);
  }
  std::uint32_t u32(std::size_t at) const {
    return static_cast<std::uint32_t>(u16(at)) << 16u | u16(at + 2);
  }
  Bytes after(std::size_t count) const { return Bytes{data + count, size - count}; }
};

Network from_ether_type(std::uint16_t ether_type) {
  if (ether_type == kEtherTypeIpv4) return Network::ipv4;
  if (ether_type == kEtherTypeIpv6) return Network::ipv6;
  return Network::other;
}

Network from_version(const Bytes& frame) {
  if (!frame.holds(1)) return Network::other;
  const unsigned version = frame.data[0] >> 4u;
  return version == 4 ? Network::ipv4 : version == 6 ? Network::ipv6 : Network::other;
}

// BSD address families of the loopback headers: IPv4 is 2 everywhere, IPv6
// 24, 28 or 30 depending on the system that wrote the file.
Network from_family(std::uint32_t family) {
  if (family == 2) return Network::ipv4;
  if (family == 24 || family == 28 || family == 30) return Network::ipv6;
  return Network::other;
}

std::uint32_t byte_swapped(std::uint32_t value) {
  return (value >> 24u) | ((value >> 8u) & 0xFF00u) | ((value << 8u) & 0xFF0000u) | (value << 24u);
}

// Takes the link header off `frame` and says what follows.
Network strip_link_layer(int link_type, Bytes& frame) {
  switch (link_type) {
    case kNull: {  // the family in the byte order of the host that wrote it
      if (!frame.holds(4)) return Network::other;
      const std::uint32_t family = frame.u32(0);
      frame = frame.after(4);
      const Network network = from_family(family);
      return network != Network::other ? network : from_family(byte_swapped(family));
    }
    case kLoop: {
      if (!frame.holds(4)) return Network::other;
      const std::uint32_t family = frame.u32(0);
      frame = frame.after(4);
      return from_family(family);
    }
    case kEthernet: {
      std::size_t at = 12;
      if (!frame.holds(at + 2)) return Network::other;
      std::uint16_t ether_type = frame.u16(at);
      while (ether_type == kEtherTypeVlan || ether_type == kEtherTypeQinQ) {
        at += 4;
        if (!frame.holds(at + 2)) return Network::other;
        ether_type = frame.u16(at);
      }
      frame = frame.after(at + 2);
      return from_ether_type(ether_type);
    }
    case kLinuxSll: {
      if (!frame.holds(16)) return Network::other;
      const std::uint16_t ether_type = frame.u16(14);
      frame = frame.after(16);
      return from_ether_type(ether_type);
    }
    case kLinuxSll2: {
      if (!frame.holds(20)) return Network::other;
      const std::uint16_t ether_type = frame.u16(0);
      frame = frame.after(20);
      return from_ether_type(ether_type);
    }
    case kRaw:
    case kRawCommon:
    case kRawOpenBsd:
      return from_version(frame);
    case kIpv4:
      return Network::ipv4;
    case kIpv6:
      return Network::ipv6;
    default:
      return Network::other;
  }
}

// The bytes that an IP packet carries for one transport protocol, and the
// addresses they travel between.
struct IpPayload {
  Endpoint source;
  Endpoint destination;
  Bytes bytes{nullptr, 0};
};

// The `protocol` bytes of an IPv4 packet; false for fragments and other
// protocols.
bool strip_ipv4(Bytes& packet, std::uint8_t protocol, IpPayload& ip) {
  if (!packet.holds(20) || packet.data[0] >> 4u != 4) return false;
  const std::size_t header_size = (packet.data[0] & 0x0Fu) * 4u;
  const std::size_t total_size = packet.u16(2);
  if (header_size < 20 || total_size < header_size || !packet.holds(total_size)) return false;
  const std::uint16_t fragment = packet.u16(6);
  const bool more_fragments = (fragment & 0x2000u) != 0;
  if (more_fragments || (fragment & 0x1FFFu) != 0) return false;
  if (packet.data[9] != protocol) return false;
  std::memcpy(ip.source.address.data(), packet.data + 12, 4);
  std::memcpy(ip.destination.address.data(), packet.data + 16, 4);
  ip.source.ipv6 = ip.destination.ipv6 = false;
  // Bytes past the total length (Ethernet padding) are no payload.
  packet = Bytes{packet.data + header_size, total_size - header_size};
  return true;
}

// The `protocol` bytes of an IPv6 packet, past hop-by-hop, routing and
// destination options headers.
bool strip_ipv6(Bytes& packet, std::uint8_t protocol, IpPayload& ip) {
  constexpr std::size_t kHeaderSize = 40;
  if (!packet.holds(kHeaderSize) || packet.data[0] >> 4u != 6) return false;
  const std::size_t payload_size = packet.u16(4);
  if (payload_size == 0 || !packet.holds(kHeaderSize + payload_size)) return false;  // jumbogram
  std::uint8_t next_header = packet.data[6];
  std::memcpy(ip.source.address.data(), packet.data + 8, 16);
  std::memcpy(ip.destination.address.data(), packet.data + 24, 16);
  ip.source.ipv6 = ip.destination.ipv6 = true;
  packet = Bytes{packet.data + kHeaderSize, payload_size};
  while (next_header == 0 || next_header == 43 || next_header == 60) {
    if (!packet.holds(2)) return false;
    const std::size_t size = (static_cast<std::size_t>(packet.data[1]) + 1) * 8;
    if (!packet.holds(size)) return false;
    next_header = packet.data[0];
    packet = packet.after(size);
  }
  return next_header == protocol;
}

// Takes the link and IP headers off a frame: true when it holds a whole
// unfragmented packet of `protocol`.
bool read_ip_payload(int link_type, const std::uint8_t* frame, std::size_t size,
                     std::uint8_t protocol, IpPayload& payload) {
  Bytes packet{frame, size};
  switch (strip_link_layer(link_type, packet)) {
    case Network::ipv4:
      if (!strip_ipv4(packet, protocol, payload)) return false;
      break;
    case Network::ipv6:
      if (!strip_ipv6(packet, protocol, payload)) return false;
      break;
    case Network::other:
      return false;
  }
  payload.bytes = packet;
  return true;
}

bool read_tcp(Bytes tcp, TcpSegment& segment) {
  if (!tcp.holds(20)) return false;
  const std::size_t header_size = (tcp.data[12] >> 4u) * 4u;
  if (header_size < 20 || !tcp.holds(header_size)) return false;
  segment.source.port = tcp.u16(0);
  segment.destination.port = tcp.u16(2);
  segment.sequence = tcp.u32(4);
  const std::uint8_t flags = tcp.data[13];
  segment.fin = (flags & 0x01u) != 0;
  segment.syn = (flags & 0x02u) != 0;
  segment.rst = (flags & 0x04u) != 0;
  segment.ack = (flags & 0x10u) != 0;
  segment.payload = tcp.data + header_size;
  segment.payload_size = tcp.size - header_size;
  return true;
}

}  // namespace

bool is_supported_link_type(int link_type) {
  switch (link_type) {
    case kNull:
    case kEthernet:
    case kRawCommon:
    case kRawOpenBsd:
    case kRaw:
    case kLoop:
    case kLinuxSll:
    case kIpv4:
    case kIpv6:
    case kLinuxSll2:
      return true;
    default:
      return false;
  }
}

bool read_tcp_segment(int link_type, const std::uint8_t* frame, std::size_t size,
                      TcpSegment& segment) {
  IpPayload ip;
  if (!read_ip_payload(link_type, frame, size, kProtocolTcp, ip)) return false;
  segment.source = ip.source;
  segment.destination = ip.destination;
  return read_tcp(ip.bytes, segment);
}

bool read_udp_datagram(int link_type, const std::uint8_t* frame, std::size_t size,
                       UdpDatagram& datagram) {
  constexpr std::size_t kHeaderSize = 8;
  IpPayload ip;
  if (!read_ip_payload(link_type, frame, size, kProtocolUdp, ip)) return false;
  if (!ip.bytes.holds(kHeaderSize)) return false;
  // The length field counts the header; bytes after it are padding.
  const std::size_t length = ip.bytes.u16(4);
  if (length < kHeaderSize || !ip.bytes.holds(length)) return false;
  datagram.source = ip.source;
  datagram.destination = ip.destination;
  datagram.source.port = ip.bytes.u16(0);
  datagram.destination.port = ip.bytes.u16(2);
  datagram.payload = ip.bytes.data + kHeaderSize;
  datagram.payload_size = length - kHeaderSize;
  return true;
}

std::string to_string(const Endpoint& endpoint) {
  char text[INET6_ADDRSTRLEN] = "";
  inet_ntop(endpoint.ipv6 ? AF_INET6 : AF_INET, endpoint.address.data(), text, sizeof text);
  std::string result = endpoint.ipv6 ? std::string("[") + text + "]" : std::string(text);
  return result + ":" + std::to_string(endpoint.port);
}

}  // namespace capture
