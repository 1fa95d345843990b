// SPDX-License-Identifier: MIT
// From frames to TCP segments: every link type, IPv4 and IPv6 headers, and
// the packets that must be ignored.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "capture/packet.h"
#include "samples.h"

namespace {

// 10.0.0.5:56176 > 10.0.0.9:5167, sequence 7, PSH|ACK, payload "abc".
const std::string kTcp = "db70142f" "00000007" "00000000" "5018ffff00000000" "616263";
const std::string kIpv4 = "4500002b" "00004000" "4006" "0000" "0a000005" "0a000009" + kTcp;
const std::string kIpv6 = "60000000" "0017" "06" "40" "20010db8000000000000000000000005"
                          "20010db8000000000000000000000009" + kTcp;

struct LinkCase {
  const char* name;
  int link_type;
  std::string frame;
  bool ipv6;
};

const LinkCase kLinks[] = {
    {"null_little_endian", 0, "02000000" + kIpv4, false},
    {"null_big_endian_ipv6", 0, "0000001e" + kIpv6, true},
    {"ethernet", 1, "000000000000020000000001" "0800" + kIpv4 + "0000", false},
    {"ethernet_two_tags", 1, "000000000000020000000001" "88a80001" "81000002" "86dd" + kIpv6, true},
    {"raw", 101, kIpv4, false},
    {"raw_as_dlt_12", 12, kIpv6, true},
    {"loop", 108, "00000018" + kIpv6, true},
    {"linux_sll", 113, "0000000100060000000000000000" "0800" + kIpv4, false},
    {"ipv4", 228, kIpv4, false},
    {"ipv6", 229, kIpv6, true},
    {"linux_sll2", 276, "0800" "0000" "00000002" "0001" "00" "06" "0000000000000000" + kIpv4, false},
};

TEST(packet, every_link_type) {
  for (const LinkCase& c : kLinks) {
    const std::vector<std::uint8_t> frame = samples::bytes(c.frame);
    capture::TcpSegment segment;
    ASSERT_TRUE(capture::is_supported_link_type(c.link_type)) << c.name;
    ASSERT_TRUE(capture::read_tcp_segment(c.link_type, frame.data(), frame.size(), segment))
        << c.name;
    EXPECT_EQ(segment.source.port, 56176) << c.name;
    EXPECT_EQ(segment.destination.port, 5167) << c.name;
    EXPECT_EQ(segment.sequence, 7u) << c.name;
    EXPECT_TRUE(segment.ack && !segment.syn && !segment.fin && !segment.rst) << c.name;
    // Ethernet padding after the IP total length is no payload.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(segment.payload), segment.payload_size),
              "abc")
        << c.name;
    EXPECT_EQ(capture::to_string(segment.destination),
              c.ipv6 ? "[2001:db8::9]:5167" : "10.0.0.9:5167")
        << c.name;
  }
  EXPECT_FALSE(capture::is_supported_link_type(147));
}

TEST(packet, ignored) {
  const std::string options = "06" "00" "000000000000";  // destination options header
  struct Ignored {
    const char* name;
    std::string hex;
    int link_type = 228;
  };
  const Ignored ignored[] = {
      // An IP version that is not the link type's.
      {"ipv6_on_ipv4_link", kIpv6},
      {"ipv4_on_ipv6_link", kIpv4, 229},
      {"ipv5_raw", "5" + kIpv4.substr(1), 101},
      // From 80.0.0.5: read as TCP, these IP headers would pass as one.
      {"more_fragments", "4500002b" "00002000" "4006" "0000" "50000005" "0a000009" + kTcp},
      {"fragment_offset", "4500002b" "00000001" "4006" "0000" "50000005" "0a000009" + kTcp},
      {"udp", "4500002b" "00004000" "4011" "0000" "0a000005" "0a000009" + kTcp},
      {"cut_by_snapshot", ("4500002b" "00004000" "4006" "0000" "0a000005" "0a000009" + kTcp)
                              .substr(0, 80)},
      {"ipv6_fragment_header", "60000000" "001f" "2c" "40" + kIpv6.substr(16, 64) + options + kTcp},
      {"ipv6_jumbogram", "60000000" "0000" "06" "40" + kIpv6.substr(16)},
      {"tcp_header_cut", "45000027" "00004000" "4006" "0000" "0a000005" "0a000009" + kTcp.substr(0, 38)},
      {"tcp_header_too_long", "4500002b" "00004000" "4006" "0000" "0a000005" "0a000009" +
                                  kTcp.substr(0, 24) + "f018ffff00000000616263"},
  };
  for (const Ignored& c : ignored) {
    const std::vector<std::uint8_t> frame = samples::bytes(c.hex);
    capture::TcpSegment segment;
    EXPECT_FALSE(capture::read_tcp_segment(c.link_type, frame.data(), frame.size(), segment))
        << c.name;
  }
  // The same extension header before TCP is skipped.
  const std::vector<std::uint8_t> frame =
      samples::bytes("60000000" "001f" "3c" "40" + kIpv6.substr(16, 64) + options + kTcp);
  capture::TcpSegment segment;
  EXPECT_TRUE(capture::read_tcp_segment(229, frame.data(), frame.size(), segment));
  EXPECT_EQ(segment.payload_size, 3u);
}

}  // namespace

namespace {

// 10.0.0.5:50000 > 239.1.40.1:5004, UDP length 11: payload "abc", then
// Ethernet padding that the IP total length already leaves out, or bytes
// that only the UDP length leaves out.
std::string udp_ipv4(const std::string& udp_length, const std::string& tail = "") {
  const std::string udp = "c350138c" + udp_length + "0000" "616263" + tail;
  const unsigned total = 20 + static_cast<unsigned>(udp.size() / 2);
  char length[16];
  std::snprintf(length, sizeof length, "%04x", total);
  return std::string("4500") + length + "00004000" "4011" "0000" "0a000005" "ef012801" + udp;
}

TEST(packet, udp_datagrams) {
  struct Case {
    const char* name;
    int link_type;
    std::string frame;
    bool read;
    std::size_t payload_size;
  };
  const std::string ipv6_udp = "60000000" "000b" "11" "40" "20010db8000000000000000000000005"
                               "ff150000000000000000000000010040" "c350138c000b0000616263";
  const Case cases[] = {
      {"ethernet_vlan_padded", 1,
       "000000000000020000000001" "81000028" "0800" + udp_ipv4("000b") + "000000", true, 3},
      {"ipv6", 229, ipv6_udp, true, 3},
      {"bytes_after_udp_length", 228, udp_ipv4("000b", "ffff"), true, 3},
      {"header_only", 228, udp_ipv4("0008"), true, 0},
      {"udp_length_below_8", 228, udp_ipv4("0007"), false, 0},
      {"udp_length_past_ip", 228, udp_ipv4("000c"), false, 0},
      {"cut_by_snapshot", 228, udp_ipv4("000b").substr(0, 50), false, 0},
      {"tcp_is_not_udp", 228, kIpv4, false, 0},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> frame = samples::bytes(c.frame);
    capture::UdpDatagram datagram;
    ASSERT_EQ(capture::read_udp_datagram(c.link_type, frame.data(), frame.size(), datagram), c.read)
        << c.name;
    if (!c.read) continue;
    EXPECT_EQ(datagram.source.port, 50000) << c.name;
    EXPECT_EQ(datagram.destination.port, 5004) << c.name;
    EXPECT_EQ(datagram.payload_size, c.payload_size) << c.name;
    if (c.payload_size > 0) {
      EXPECT_EQ(datagram.payload[0], 'a') << c.name;
    }
  }
  // TCP on the same frame layout is still read as TCP only.
  const std::vector<std::uint8_t> frame = samples::bytes(udp_ipv4("000b"));
  capture::TcpSegment segment;
  EXPECT_FALSE(capture::read_tcp_segment(228, frame.data(), frame.size(), segment));
}

}  // namespace
