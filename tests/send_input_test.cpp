// SPDX-License-Identifier: MIT
// What --send reads and sums up: input lines (Base64, --encode JSON,
// comments, CRLF, the framing errors), a line reader fed by a pipe that has
// nothing yet, HOST[:PORT], and the latency percentiles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "host_port.h"
#include "latency_summary.h"
#include "line_reader.h"
#include "mark_line.h"
#include "option_reader.h"
#include "samples.h"

namespace {

using scte104::MarkLineKind;

using samples::hex;

struct LineCase {
  const char* line;
  MarkLineKind kind;
  const char* expected;  // hex of the mark, or the error text
};

const LineCase kLines[] = {
    {"CP//AB4AASEPoAAAAQEBAA4BAAAAAQAAH0ACWAAAAA==", MarkLineKind::mark,
     "ffff001e0001210fa00000010101000e010000000100001f400258000000"},
    {" \tCP//AB4AASEPoAAAAQEBAA4BAAAAAQAAH0ACWAAAAA==\r", MarkLineKind::mark,
     "ffff001e0001210fa00000010101000e010000000100001f400258000000"},
    // The lead byte is dropped whatever it is; time_type 3 is not checked.
    {"AP//AAwAAAEAAAADAA==", MarkLineKind::mark, "ffff000c0000010000000300"},
    {"", MarkLineKind::skip, ""},
    {" \r", MarkLineKind::skip, ""},
    {"# CP//AB4AASEPoAAAAQEBAA4BAAAAAQAAH0ACWAAAAA==", MarkLineKind::skip, ""},
    {"QUJD", MarkLineKind::error, "2 bytes are no multiple_operation_message (12 at least)"},
    {"CAABAAwAAAEAAAAAAA==", MarkLineKind::error,
     "the bytes start with 1, not 65535 (0xFFFF): no multiple_operation_message"},
    {"CP//AA0AAAEAAAAAAA==", MarkLineKind::error, "messageSize 13 but 12 bytes"},
    {R"({"message_number": 35, "operations": [{"opID": 260, "data": ""}]})", MarkLineKind::mark,
     "ffff0010000023000000000101040000"},
    {R"({"message_number": 300, "operations": []})", MarkLineKind::error,
     "/message_number: 300 is out of range 0 to 255"},
};

TEST(send_input, mark_lines) {
  for (const LineCase& c : kLines) {
    std::vector<std::uint8_t> mark;
    std::string error;
    const MarkLineKind kind = scte104::read_mark_line(c.line, mark, error);
    EXPECT_EQ(kind, c.kind) << c.line;
    const std::string got = kind == MarkLineKind::mark    ? hex(mark)
                            : kind == MarkLineKind::error ? error
                                                          : "";
    EXPECT_EQ(got, c.expected) << c.line;
  }
}

// A pipe that hands out its pieces one call at a time, "" standing for
// "nothing yet": lines come whole, and a last line without a line feed
// still counts once the input ends.
TEST(send_input, line_reader_waits_for_whole_lines) {
  const std::vector<std::string> pieces = {"ab", "", "c\nd", "", "e\n\nf", ""};
  std::size_t next = 0;
  scte104::LineReader reader(
      [&](char* into, std::size_t size) -> std::size_t {
        if (next == pieces.size()) return 0;
        const std::string& piece = pieces[next++];
        if (piece.empty()) return scte104::LineReader::kNothingYet;
        const std::size_t n = std::min(size, piece.size());
        std::copy_n(piece.data(), n, into);
        return n;
      },
      4);
  std::vector<std::string> got;
  std::string_view line;
  for (;;) {
    const auto status = reader.try_next(line);
    if (status == scte104::LineReader::Next::end) break;
    got.push_back(status == scte104::LineReader::Next::line ? std::string(line) : "-");
  }
  const std::vector<std::string> expected = {"-", "abc", "-", "de", "", "-", "f"};
  EXPECT_EQ(got, expected);
}

TEST(send_input, host_port) {
  struct Case {
    const char* value;
    const char* expected;  // "host port" or "bad"
  };
  const Case cases[] = {
      {"10.0.0.9", "10.0.0.9 5167"},
      {"10.0.0.9:6000", "10.0.0.9 6000"},
      {"[::1]", "::1 5167"},
      {"[2001:db8::9]:65535", "2001:db8::9 65535"},
      {"inj.example", "inj.example 5167"},
      {"::1:5167", "bad"},
      {":5167", "bad"},
      {"[]:5167", "bad"},
      {"10.0.0.9:0", "bad"},
      {"10.0.0.9:65536", "bad"},
      {"10.0.0.9:x", "bad"},
      {"10.0.0.9:", "bad"},
      {"[::1]5167", "bad"},
      {"[::1", "bad"},
  };
  for (const Case& c : cases) {
    std::string got;
    try {
      const scte104::HostPort peer = scte104::parse_host_port("--send", c.value, 5167);
      got = peer.host + " " + std::to_string(peer.port);
    } catch (const scte104::OptionError&) {
      got = "bad";
    }
    EXPECT_EQ(got, c.expected) << c.value;
  }
}

// Nearest rank: the value at rank ceil(P/100 * n) of the sorted values.
std::uint64_t exact_percentile(std::vector<std::uint64_t> values, unsigned percent) {
  std::sort(values.begin(), values.end());
  const auto rank =
      static_cast<std::size_t>(std::max<std::uint64_t>(1, (percent * values.size() + 99) / 100));
  return values[rank - 1];
}

TEST(send_input, latency_percentiles) {
  std::mt19937_64 random(104);
  std::vector<std::vector<std::uint64_t>> sets = {
      {7},
      {300, 100},
      {5, 1, 4, 2, 3},
  };
  // Skewed: most answers fast, a tail of slow ones up to seconds.
  std::vector<std::uint64_t> skewed;
  for (int i = 0; i < 10000; ++i) {
    skewed.push_back(i % 100 == 0 ? 1'000'000 + random() % 4'000'000 : 40 + random() % 400);
  }
  sets.push_back(skewed);
  std::vector<std::uint64_t> wide;
  for (int i = 0; i < 5000; ++i) wide.push_back(random() % 86'400'000'000);
  sets.push_back(wide);
  for (const auto& values : sets) {
    scte104::LatencySummary summary;
    for (const std::uint64_t v : values) summary.add(v);
    EXPECT_EQ(summary.min(), *std::min_element(values.begin(), values.end()));
    EXPECT_EQ(summary.max(), *std::max_element(values.begin(), values.end()));
    for (unsigned p = 1; p <= 100; ++p) {
      const std::uint64_t exact = exact_percentile(values, p);
      const std::uint64_t got = summary.percentile(p);
      // The lower edge of the value's bucket: at most 1/128 below it.
      EXPECT_LE(got, exact) << "p" << p << " of " << values.size() << " values";
      EXPECT_LE(exact - got, exact / 128) << "p" << p << " of " << values.size() << " values";
    }
  }
}

}  // namespace
