// SPDX-License-Identifier: MIT
// The framer: messages split over segments or sharing one, lost framing and
// where the search resumes, holes, and what is left at the end.
#include "scte/framer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "samples.h"

namespace {

struct Piece {
  std::string hex;
  bool segment_start;  // false: continues the segment before
};

struct FramerCase {
  const char* name;
  std::vector<Piece> pieces;        // "gap" as hex skips a hole
  std::vector<std::string> events;  // message hex, or "lost OPID SIZE"
  std::size_t leftover;
};

const std::string kInit = "0001000dffffffff0000010000";
const std::string kMark = "ffff000c0000010000000000";  // the smallest queue mark

const FramerCase kCases[] = {
    {"split_over_three",
     {{"0001", true}, {"000dffffff", true}, {"ff0000010000", true}},
     {kInit},
     0},
    {"two_in_one_segment", {{kInit + kMark, true}}, {kInit, kMark}, 0},
    {"partial_at_the_end", {{kInit + "0003000d00", true}}, {kInit}, 5},
    {"mark_of_12_single_of_12", {{kMark + "0001000c", true}}, {kMark, "lost 1 12"}, 0},
    {"resumes_at_next_segment",
     {{"0005000400ff", true}, {"aabb", false}, {kInit, true}},
     {"lost 5 4", kInit},
     0},
    {"skips_starts_that_look_wrong",
     {{"00010001", true}, {"0200000dffff", true}, {"ffff000bffff", true}, {kMark, true}},
     {"lost 1 1", kMark},
     0},
    {"candidate_needs_four_bytes",
     {{"00010001", true}, {"00", true}, {"01000d", false}, {kInit.substr(8), false}},
     {"lost 1 1", kInit},
     0},
    {"user_defined_start",
     {{"00010001", true}, {"8000000f0000000000000000000077", true}},
     {"lost 1 1", "8000000f0000000000000000000077"},
     0},
    {"gap_drops_the_partial_message",
     {{"0001000dffff", true}, {"gap", false}, {"ffff0000", false}, {kInit, true}},
     {kInit},
     0},
    // A start recorded before the lost header was whole, then resumed at.
    {"resumes_inside_the_lost_header", {{"0005", true}, {kInit, true}}, {"lost 5 1", kInit}, 0},
    // An empty segment is no place to resume: what follows it continues it.
    {"empty_segment_is_no_start",
     {{"00010001", true}, {"", true}, {kInit, false}, {kMark, true}},
     {"lost 1 1", kMark},
     0},
    {"search_mode_leaves_nothing", {{"00010002abcdef", true}}, {"lost 1 2"}, 0},
};

std::string hex_of(const std::uint8_t* bytes, std::size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    text += digits[bytes[i] >> 4u];
    text += digits[bytes[i] & 0xFu];
  }
  return text;
}

TEST(framer, cases) {
  for (const FramerCase& c : kCases) {
    scte_104::Framer framer;
    std::vector<std::string> events;
    for (const Piece& piece : c.pieces) {
      if (piece.hex == "gap") {
        framer.skip_gap();
        continue;
      }
      const std::vector<std::uint8_t> bytes = samples::bytes(piece.hex);
      framer.feed(bytes.data(), bytes.size(), piece.segment_start);
      scte_104::FramerEvent event;
      while (framer.next(event)) {
        events.push_back(event.kind == scte_104::FramerEvent::Kind::message
                             ? hex_of(event.bytes, event.size)
                             : "lost " + std::to_string(event.op_id) + " " +
                                   std::to_string(event.message_size));
      }
    }
    EXPECT_EQ(events, c.events) << c.name;
    EXPECT_EQ(framer.finish(), c.leftover) << c.name;
  }
}

}  // namespace
