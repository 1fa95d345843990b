// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <cctype>
#include <string>

#include "utility/strings.h"

namespace {

// Local time is UTC for these tests, whatever the machine says.
class date : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

TEST_F(date, formats_seconds_in_local_time) {
  EXPECT_EQ(ext::date::dateformat("%F %T", std::time_t{0}), "1970-01-01 00:00:00");
  EXPECT_EQ(ext::date::dateformat("%F %T", std::time_t{1600000000}), "2020-09-13 12:26:40");
}

TEST_F(date, texts_longer_than_the_first_buffer) {
  // Literal text of exactly n characters around the limits 32, 48 and 72.
  // The empty text (n = 0) is told apart from a text that does not fit.
  for (const std::size_t n : {0u, 1u, 31u, 32u, 47u, 48u, 71u, 72u, 1000u}) {
    const std::string fmt(n, 'x');
    EXPECT_EQ(ext::date::dateformat(fmt.c_str(), std::time_t{0}), fmt) << n;
  }
  const std::string long_fmt = "%Y" + std::string(40, '-') + "%Y";
  EXPECT_EQ(ext::date::dateformat(long_fmt.c_str(), std::time_t{0}),
            "1970" + std::string(40, '-') + "1970");
}

TEST_F(date, both_overloads_agree) {
  for (const std::time_t t : {std::time_t{0}, std::time_t{951782400}, std::time_t{4102444799}}) {
    std::tm tm{};
    localtime_r(&t, &tm);
    EXPECT_EQ(ext::date::dateformat("%c %j %p", &tm), ext::date::dateformat("%c %j %p", t));
  }
}

TEST_F(date, now_ms_shape) {
  std::string shape = ext::date::now_ms();
  for (char& c : shape) c = std::isdigit(static_cast<unsigned char>(c)) ? '9' : c;
  EXPECT_EQ(shape, "9999-99-99 99:99:99.999");
}

}  // namespace
