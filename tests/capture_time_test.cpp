// SPDX-License-Identifier: MIT
// Capture time stamps as UTC text, and the comparisons behind the 5 s and
// 60 s checks, up to the ends of the 64-bit range that pcapng allows.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "capture_time.h"

namespace {

using scte104::CaptureTime;

TEST(capture_time, utc_text) {
  const std::pair<CaptureTime, const char*> cases[] = {
      {{0, 0}, "1970-01-01T00:00:00.000000Z"},
      {{1768324732, 127456000}, "2026-01-13T17:18:52.127456Z"},
      {{1768324732, 127456001}, "2026-01-13T17:18:52.127456001Z"},
      {{1709164800 + 86399, 999999000}, "2024-02-29T23:59:59.999999Z"},
      {{951782400, 0}, "2000-02-29T00:00:00.000000Z"},
      {{4102444800, 0}, "2100-01-01T00:00:00.000000Z"},
      {{253402300799, 0}, "9999-12-31T23:59:59.000000Z"},
  };
  for (const auto& [time, text] : cases) EXPECT_EQ(scte104::format_capture_time(time), text);
  // Past the year 9999: some text, still one line.
  const std::string far = scte104::format_capture_time({std::numeric_limits<std::int64_t>::max(), 1});
  EXPECT_EQ(far.back(), 'Z');
}

TEST(capture_time, more_than_after) {
  constexpr std::int64_t kFive = 5'000'000'000;
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  struct Case {
    CaptureTime earlier, later;
    bool more;
  };
  const Case cases[] = {
      {{10, 500}, {15, 500}, false},  // exactly 5 s is in time
      {{10, 500}, {15, 501}, true},
      {{10, 999999999}, {16, 0}, true},
      {{10, 999999999}, {15, 999999999}, false},
      {{20, 0}, {10, 0}, false},  // time going backwards
      {{kMin, 0}, {kMax, 0}, true},
      {{kMax, 0}, {kMin, 0}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(scte104::more_than_after(c.earlier, c.later, kFive), c.more)
        << c.earlier.seconds << " " << c.later.seconds;
  }
}

}  // namespace
