// SPDX-License-Identifier: MIT
// The RTP header, extended sequence numbers and the RFC 8331 payload:
// where the payload lies, every ordering rule, and ANC packets of every
// size modulo 32 bits read back from bits written here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtp/anc_payload.h"
#include "rtp/rtp_packet.h"
#include "rtp/sequence.h"
#include "samples.h"

namespace {

TEST(rtp, header_and_payload) {
  struct Case {
    const char* name;
    std::string hex;
    bool rtp;
    std::size_t payload_at;
    std::size_t payload_size;
  };
  const std::string fixed = "e4" "0102" "00000064" "5f3a0c01";  // M, PT 100, seq 258
  const Case cases[] = {
      {"plain", "80" + fixed + "aabb", true, 12, 2},
      {"two_csrcs", "82" + fixed + "1111111122222222" "aabb", true, 20, 2},
      {"extension", "90" + fixed + "bede0002" "0000000000000000" "aabb", true, 24, 2},
      {"padding", "a0" + fixed + "aabb" "000003", true, 12, 2},
      {"all_three", "b1" + fixed + "11111111" "bede0000" "aabb" "01", true, 20, 2},
      {"padding_leaves_header", "a0" + fixed + "aabb" "03", true, 12, 0},
      {"eleven_bytes", "80" + fixed.substr(0, 20), false, 0, 0},
      {"version_1", "40" + fixed + "aabb", false, 0, 0},
      {"csrcs_past_end", "83" + fixed + "1111111122222222", false, 0, 0},
      {"extension_header_past_end", "90" + fixed + "bede00", false, 0, 0},
      {"extension_words_past_end", "90" + fixed + "bede0002" "00000000", false, 0, 0},
      {"padding_count_0", "a0" + fixed + "aabb" "00", false, 0, 0},
      {"padding_eats_header", "a0" + fixed + "aabb" "04", false, 0, 0},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> data = samples::bytes(c.hex);
    rtp::RtpPacket packet;
    ASSERT_EQ(rtp::read_rtp_packet(data.data(), data.size(), packet), c.rtp) << c.name;
    if (!c.rtp) continue;
    EXPECT_EQ(packet.payload - data.data(), static_cast<std::ptrdiff_t>(c.payload_at)) << c.name;
    EXPECT_EQ(packet.payload_size, c.payload_size) << c.name;
    EXPECT_TRUE(packet.marker) << c.name;
    EXPECT_EQ(packet.payload_type, 100) << c.name;
    EXPECT_EQ(packet.sequence, 258) << c.name;
    EXPECT_EQ(packet.timestamp, 100u) << c.name;
    EXPECT_EQ(packet.ssrc, 0x5F3A0C01u) << c.name;
  }
}

TEST(rtp, sequence_rules) {
  struct Step {
    std::uint32_t extended;
    std::uint32_t timestamp;
    bool marker;
    rtp::Order order;
    std::uint32_t expected;  // checked unless first
    std::uint32_t missing;
    bool missing_marker;
  };
  using rtp::Order;
  const Step steps[] = {
      {0xFFFFFFFD, 1, true, Order::first, 0, 0, false},
      {0xFFFFFFFE, 1, false, Order::in_order, 0xFFFFFFFE, 0, false},
      {0xFFFFFFFF, 1, true, Order::in_order, 0xFFFFFFFF, 0, false},  // same timestamp: no marker needed
      {0x00000000, 2, false, Order::in_order, 0, 0, false},           // 2^32 wraps
      {0x00000001, 3, true, Order::in_order, 1, 0, true},             // timestamp changed, no marker
      {0x00000001, 3, true, Order::duplicate, 2, 0, false},
      {0x00000004, 9, false, Order::gap, 2, 2, false},
      {0x00000003, 9, true, Order::behind, 5, 0, false},
      {0x00000005, 10, true, Order::in_order, 5, 0, true},  // the packet behind changed nothing
      {0x80000005, 11, true, Order::gap, 6, 0x7FFFFFFF, false},  // the farthest ahead
      {0x00000006, 11, true, Order::behind, 0x80000006, 0, false},  // 2^31 away: behind
  };
  rtp::SequenceTracker tracker;
  int at = 0;
  for (const Step& s : steps) {
    const rtp::SequenceCheck check = tracker.take(s.extended, s.timestamp, s.marker);
    EXPECT_EQ(check.order, s.order) << "step " << at;
    if (s.order != Order::first) {
      EXPECT_EQ(check.expected, s.expected) << "step " << at;
    }
    EXPECT_EQ(check.missing, s.missing) << "step " << at;
    EXPECT_EQ(check.missing_marker, s.missing_marker) << "step " << at;
    ++at;
  }
}

TEST(rtp, payload_header) {
  struct Case {
    const char* name;
    std::string hex;
    std::size_t size;  // the whole payload
    rtp::PayloadHeaderFault fault;
  };
  using rtp::PayloadHeaderFault;
  const Case cases[] = {
      {"keep_alive", "0003" "0000" "00" "800000", 8, PayloadHeaderFault::none},
      {"reserved_first", "0003" "0005" "00" "400001", 8, PayloadHeaderFault::reserved},
      {"reserved_high_bit", "0003" "0000" "00" "a00000", 8, PayloadHeaderFault::reserved},
      {"reserved_low_bit", "0003" "0000" "00" "c10000", 8, PayloadHeaderFault::reserved},
      {"length_above", "0003" "0005" "01" "c00000", 12, PayloadHeaderFault::length},
      {"length_below", "0003" "0003" "01" "c00000", 12, PayloadHeaderFault::length},
      {"invalid_field", "0003" "0004" "01" "400000", 12, PayloadHeaderFault::invalid_field},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> data = samples::bytes(c.hex);
    rtp::PayloadHeader header;
    ASSERT_TRUE(rtp::read_payload_header(data.data(), data.size(), header)) << c.name;
    EXPECT_EQ(header.extended_sequence, 3) << c.name;
    EXPECT_EQ(rtp::check_payload_header(header, c.size), c.fault) << c.name;
  }
  rtp::PayloadHeader header;
  EXPECT_FALSE(rtp::read_payload_header(samples::bytes("00030000008000").data(), 7, header));
}

// ANC packets written field by field, 10-bit words with parity, the
// checksum, then 0 bits to the next 32-bit boundary.
class AncWriter : public samples::BitWriter {
 public:
  void packet(std::uint8_t did, std::uint8_t sdid, std::size_t count, std::uint16_t line,
              std::uint16_t flip = 0) {
    put(1, 0);     // C
    put(11, line);
    put(12, 0xFFE);  // Horizontal_Offset
    put(1, 1);     // S
    put(7, 3);     // StreamNum
    std::vector<unsigned> data;
    for (std::size_t i = 0; i < count; ++i) data.push_back(static_cast<std::uint8_t>(i * 7));
    std::vector<std::uint16_t> words = samples::anc_words(did, sdid, data);
    words[words.size() - 2] ^= flip;
    put_words(words);
    align(32, false);
  }
};

TEST(rtp, anc_packets_of_every_size) {
  // 10 bits a word make the sizes repeat every 16 words.
  AncWriter writer;
  for (std::size_t count = 0; count < 16; ++count) {
    writer.packet(0x60, static_cast<std::uint8_t>(count), count, static_cast<std::uint16_t>(count));
  }
  writer.packet(0x41, 0x07, 255, 0x7FF);
  const std::vector<std::uint8_t> data = writer.bytes();
  std::size_t total = rtp::anc_packet_size(255);
  for (std::size_t count = 0; count < 16; ++count) total += rtp::anc_packet_size(count);
  ASSERT_EQ(data.size(), total);
  rtp::AncPacketReader reader(data.data(), data.size(), 17);
  rtp::AncPacket packet;
  for (std::size_t count = 0; count < 17; ++count) {
    ASSERT_EQ(reader.next(packet), rtp::AncPacketReader::Next::packet) << count;
    const std::size_t words = count < 16 ? count : 255;
    EXPECT_EQ(packet.did, count < 16 ? 0x60 : 0x41) << count;
    EXPECT_EQ(packet.data_count, words) << count;
    EXPECT_EQ(packet.line_number, count < 16 ? count : 0x7FF) << count;
    EXPECT_EQ(packet.horizontal_offset, 0xFFE) << count;
    EXPECT_TRUE(packet.stream_flag) << count;
    EXPECT_EQ(packet.stream_num, 3) << count;
    EXPECT_EQ(packet.check, rtp::WordCheck::ok) << count;
    if (words > 0) {
      EXPECT_EQ(packet.user_data[words - 1], static_cast<std::uint8_t>((words - 1) * 7)) << count;
    }
  }
  EXPECT_EQ(reader.next(packet), rtp::AncPacketReader::Next::end);
  EXPECT_EQ(rtp::anc_packet_size(0), 12u);
  EXPECT_EQ(rtp::anc_packet_size(3), 16u);   // 102 bits
  EXPECT_EQ(rtp::anc_packet_size(4), 16u);   // 112 bits
  EXPECT_EQ(rtp::anc_packet_size(6), 20u);   // 132 bits
}

TEST(rtp, anc_packet_faults) {
  using Next = rtp::AncPacketReader::Next;
  AncWriter two;
  two.packet(0x61, 0x01, 5, 9);
  two.packet(0x61, 0x01, 5, 9, 0x200);  // bit 9 of the last user word wrong
  AncWriter checksum;
  checksum.packet(0x41, 0x07, 5, 9, 0x001);  // a value bit: the parity is now wrong
  AncWriter sum_only;
  sum_only.packet(0x41, 0x07, 5, 9, 0x301);  // value, parity and bit 9 changed: only the sum is off
  struct Case {
    const char* name;
    std::vector<std::uint8_t> data;
    std::uint8_t count;
    std::vector<Next> steps;
    rtp::WordCheck last_check;
  };
  std::vector<std::uint8_t> with_extra = two.bytes();
  with_extra.insert(with_extra.end(), 4, 0);
  const std::vector<std::uint8_t> whole = two.bytes();
  const Case cases[] = {
      {"parity", whole, 2, {Next::packet, Next::packet, Next::end}, rtp::WordCheck::parity},
      {"value_bit", checksum.bytes(), 1, {Next::packet, Next::end}, rtp::WordCheck::parity},
      {"checksum", sum_only.bytes(), 1, {Next::packet, Next::end}, rtp::WordCheck::checksum},
      {"extra", with_extra, 2, {Next::packet, Next::packet, Next::extra, Next::end},
       rtp::WordCheck::parity},
      {"count_past_data", whole, 3, {Next::packet, Next::packet, Next::cut, Next::end},
       rtp::WordCheck::parity},
      {"cut_by_one_byte", {whole.begin(), whole.end() - 1}, 2, {Next::packet, Next::cut},
       rtp::WordCheck::ok},
      {"seven_bytes_left", {whole.begin(), whole.begin() + 16 + 7}, 2, {Next::packet, Next::cut},
       rtp::WordCheck::ok},
      {"count_0_nothing", {}, 0, {Next::end}, rtp::WordCheck::ok},
      {"count_0_bytes", whole, 0, {Next::extra, Next::end}, rtp::WordCheck::ok},
  };
  for (const Case& c : cases) {
    rtp::AncPacketReader reader(c.data.data(), c.data.size(), c.count);
    rtp::AncPacket packet;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      ASSERT_EQ(reader.next(packet), c.steps[i]) << c.name << " step " << i;
    }
    EXPECT_EQ(packet.check, c.last_check) << c.name;
  }
}

}  // namespace
