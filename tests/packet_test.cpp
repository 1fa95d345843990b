// SPDX-License-Identifier: MIT
// From frames to TCP segments: every link type, IPv4 and IPv6 headers, and
// the packets that must be ignored.
#include <gtest/gtest.h>

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
      {"more_fragments", "4500002b" "00002000" "4006" "0000" "0a000005" "0a000009" + kTcp},
      {"fragment_offset", "4500002b" "00000001" "4006" "0000" "0a000005" "0a000009" + kTcp},
      {"udp", "4500002b" "00004000" "4011" "0000" "0a000005" "0a000009" + kTcp},
      {"cut_by_snapshot", ("4500002b" "00004000" "4006" "0000" "0a000005" "0a000009" + kTcp)
                              .substr(0, 80)},
      {"ipv6_fragment_header", "60000000" "001f" "2c" "40" + kIpv6.substr(16, 64) + options + kTcp},
      {"ipv6_jumbogram", "60000000" "0000" "06" "40" + kIpv6.substr(16)},
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
