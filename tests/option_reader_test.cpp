// SPDX-License-Identifier: MIT
#include "option_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using scte104::MissingOptionValue;
using scte104::OptionError;
using scte104::OptionTable;

struct Argv {
  explicit Argv(std::vector<std::string> words) : words_(std::move(words)) {
    for (std::string& word : words_) pointers_.push_back(word.data());
  }
  int argc() const { return static_cast<int>(pointers_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

std::string error_of(void (*run)()) {
  try {
    run();
  } catch (const OptionError& e) {
    return e.what();
  }
  return "";
}

TEST(option_reader, durations) {
  struct Case {
    const char* text;
    std::uint64_t ms;  // UINT64_MAX: refused
  };
  constexpr std::uint64_t kBad = UINT64_MAX;
  const Case cases[] = {
      {"0", 0},
      {"250ms", 250},
      {"5s", 5000},
      {"0s", 0},
      {"86400s", 86400000},
      {"86400000ms", 86400000},
      {"86401s", kBad},
      {"86400001ms", kBad},
      {"1.5s", kBad},
      {"5", kBad},
      {"-1s", kBad},
      {"5 s", kBad},
      {"s", kBad},
      {"ms", kBad},
      {"", kBad},
      {"00", kBad},
      {"99999999999999999999s", kBad},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.ms == kBad) {
      EXPECT_THROW(scte104::parse_duration_option("--delay", c.text), OptionError);
    } else {
      EXPECT_EQ(scte104::parse_duration_option("--delay", c.text), c.ms);
    }
  }
}

TEST(option_reader, decimals_and_their_error) {
  EXPECT_EQ(scte104::parse_decimal_option("--port", "1", 1, 65535, "a port"), 1U);
  EXPECT_EQ(scte104::parse_decimal_option("--port", "65535", 1, 65535, "a port"), 65535U);
  for (const char* bad : {"0", "65536", "", "+1", "1x", "99999999999999999999999"}) {
    EXPECT_THROW(scte104::parse_decimal_option("--port", bad, 1, 65535, "a port"), OptionError)
        << bad;
  }
  EXPECT_EQ(error_of([] { scte104::parse_decimal_option("--port", "x", 1, 9, "a port"); }),
            "Invalid --port value \"x\": expected a port");
}

TEST(option_reader, options_then_input) {
  std::vector<std::string> seen;
  const OptionTable table = {
      {"--flag", false, false, [&seen](std::string_view) { seen.emplace_back("flag"); }},
      {"--n", true, true, [&seen](std::string_view v) { seen.emplace_back(v); }},
  };
  Argv args({"scte104", "--mode", "--n", "1", "--flag", "--n", "2", "-f", "--n", "3"});
  EXPECT_EQ(scte104::read_options(args.argc(), args.argv(), 2, table), 7);
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "flag", "2"}));

  Argv twice({"scte104", "--flag", "--flag"});
  EXPECT_THROW(scte104::read_options(twice.argc(), twice.argv(), 1, table), OptionError);
  Argv last({"scte104", "--n"});
  EXPECT_THROW(scte104::read_options(last.argc(), last.argv(), 1, table), MissingOptionValue);
}

TEST(option_reader, options_and_inputs_in_any_order) {
  std::string value;
  const OptionTable table = {{"--n", true, true, [&value](std::string_view v) { value = v; }}};
  Argv args({"scte104", "a", "--n", "-5", "-", "b"});
  const std::vector<const char*> inputs =
      scte104::read_options_and_inputs(args.argc(), args.argv(), 1, table);
  ASSERT_EQ(inputs.size(), 3U);
  EXPECT_STREQ(inputs[0], "a");
  EXPECT_STREQ(inputs[1], "-");
  EXPECT_STREQ(inputs[2], "b");
  EXPECT_EQ(value, "-5");

  Argv unknown({"scte104", "--m"});
  try {
    scte104::read_options_and_inputs(unknown.argc(), unknown.argv(), 1, table);
    ADD_FAILURE();
  } catch (const OptionError& e) {
    EXPECT_STREQ(e.what(), "Unknown option \"--m\"");
  }
}

}  // namespace
