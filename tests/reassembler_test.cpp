// SPDX-License-Identifier: MIT
// TCP reassembly of one direction: order by sequence number, the first copy
// of a byte wins, holes declared at the end or past 1 MiB of waiting bytes.
#include "capture/reassembler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what comes out: bytes as text, "|" where a segment starts,
// "[gap N]" for holes.
class Recorder : public capture::StreamSink {
 public:
  void on_bytes(const std::uint8_t* bytes, std::size_t size, bool segment_start) override {
    if (segment_start) text += "|";
    text.append(reinterpret_cast<const char*>(bytes), size);
  }
  void on_gap(std::uint64_t bytes) override { text += "[gap " + std::to_string(bytes) + "]"; }
  std::string text;
};

struct Segment {
  std::uint32_t sequence;
  const char* payload;
};

struct ReassemblyCase {
  const char* name;
  std::uint32_t first;
  std::vector<Segment> segments;
  std::string before_finish;
  std::string after_finish;
};

const ReassemblyCase kCases[] = {
    {"in_order", 100, {{100, "abc"}, {103, "def"}}, "|abc|def", "|abc|def"},
    {"out_of_order", 100, {{103, "def"}, {100, "abc"}}, "|abc|def", "|abc|def"},
    {"retransmission_first_copy_wins", 100, {{100, "abc"}, {101, "XYZd"}}, "|abc|Zd", "|abc|Zd"},
    {"waiting_copy_wins", 100, {{103, "def"}, {100, "abcXY"}}, "|abc|def", "|abc|def"},
    // Only the first piece of a segment split around a waiting one starts it.
    {"split_around_a_waiting_one", 100, {{104, "e"}, {101, "bcdef"}, {100, "a"}}, "|a|bcd|ef",
     "|a|bcd|ef"},
    {"behind_the_start", 100, {{90, "0123456789abc"}}, "|abc", "|abc"},
    {"wraps", 0xFFFFFFFE, {{0, "cd"}, {0xFFFFFFFE, "ab"}, {0xFFFFFFFC, "zz"}}, "|ab|cd", "|ab|cd"},
    {"hole_declared_at_the_end",
     100,
     {{100, "ab"}, {105, "fg"}, {110, "k"}},
     "|ab",
     "|ab[gap 3]|fg[gap 3]|k"},
};

TEST(reassembler, cases) {
  for (const ReassemblyCase& c : kCases) {
    capture::Reassembler stream;
    stream.start(c.first);
    Recorder out;
    for (const Segment& s : c.segments) {
      const std::string payload = s.payload;
      stream.add(s.sequence, reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size(),
                 out);
    }
    EXPECT_EQ(out.text, c.before_finish) << c.name;
    stream.finish(out);
    EXPECT_EQ(out.text, c.after_finish) << c.name;
  }
}

TEST(reassembler, gives_up_on_a_hole_at_one_mebibyte) {
  capture::Reassembler stream;
  stream.start(0);
  Recorder out;
  const std::vector<std::uint8_t> chunk(64 * 1024, 'x');
  for (std::uint32_t i = 0; i < 15; ++i)
    stream.add(10 + i * 65536, chunk.data(), chunk.size(), out);
  EXPECT_EQ(out.text, "");  // 960 KiB wait
  stream.add(10 + 15 * 65536, chunk.data(), chunk.size(), out);
  EXPECT_EQ(out.text.substr(0, 9), "[gap 10]|");
  EXPECT_EQ(out.text.size(), 9 + 16 * 65536 + 15);
}

}  // namespace
