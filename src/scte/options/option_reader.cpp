// SPDX-License-Identifier: MIT
#include "option_reader.h"

#include <algorithm>

namespace scte104 {
namespace {

const Option* find_option(const OptionTable& table, std::string_view name) {
  const auto found = std::find_if(table.begin(), table.end(),
                                  [name](const Option& option) { return option.name == name; });
  return found == table.end() ? nullptr : &*found;
}

// Applies argv[at], a known option, and returns the index after it (and its value).
int apply_option(int argc, char** argv, int at, const Option& option,
                 std::vector<const Option*>& seen) {
  if (!option.repeatable) {
    if (std::find(seen.begin(), seen.end(), &option) != seen.end()) {
      throw OptionError(std::string(option.name) + " is given twice");
    }
    seen.push_back(&option);
  }
  if (!option.takes_value) {
    option.apply({});
    return at + 1;
  }
  if (at + 1 >= argc || argv[at + 1] == nullptr) {
    throw MissingOptionValue(std::string(option.name) + " needs a value");
  }
  option.apply(argv[at + 1]);
  return at + 2;
}

}  // namespace

int read_options(int argc, char** argv, int at, const OptionTable& table) {
  std::vector<const Option*> seen;
  while (at < argc && argv[at] != nullptr) {
    const Option* option = find_option(table, argv[at]);
    if (option == nullptr) break;
    at = apply_option(argc, argv, at, *option, seen);
  }
  return at;
}

std::vector<const char*> read_options_and_inputs(int argc, char** argv, int at,
                                                 const OptionTable& table) {
  std::vector<const Option*> seen;
  std::vector<const char*> inputs;
  while (at < argc && argv[at] != nullptr) {
    const std::string_view argument = argv[at];
    if (const Option* option = find_option(table, argument)) {
      at = apply_option(argc, argv, at, *option, seen);
    } else if (argument.size() > 1 && argument[0] == '-') {
      throw OptionError("Unknown option \"" + std::string(argument) + "\"");
    } else {
      inputs.push_back(argv[at++]);
    }
  }
  return inputs;
}

void bad_option_value(std::string_view option, std::string_view value, std::string_view expected) {
  throw OptionError("Invalid " + std::string(option) + " value \"" + std::string(value) +
                    "\": expected " + std::string(expected));
}

std::uint64_t parse_decimal_option(std::string_view option, std::string_view value,
                                   std::uint64_t min, std::uint64_t max,
                                   std::string_view expected) {
  std::uint64_t number = 0;
  bool valid = !value.empty();
  for (const char c : value) {
    valid = valid && c >= '0' && c <= '9' && number <= max;
    if (!valid) break;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (!valid || number < min || number > max) bad_option_value(option, value, expected);
  return number;
}

std::uint64_t parse_duration_option(std::string_view option, std::string_view value) {
  constexpr std::string_view expected = "a duration such as 250ms or 5s, at most 86400s";
  constexpr std::uint64_t kMaxMs = 86400ULL * 1000;
  if (value == "0") return 0;
  std::uint64_t unit_ms = 0;
  std::string_view digits;
  if (value.size() > 2 && value.substr(value.size() - 2) == "ms") {
    unit_ms = 1;
    digits = value.substr(0, value.size() - 2);
  } else if (value.size() > 1 && value.back() == 's') {
    unit_ms = 1000;
    digits = value.substr(0, value.size() - 1);
  } else {
    bad_option_value(option, value, expected);
  }
  // Reading the digits with their own bound keeps the product from overflowing.
  std::uint64_t number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9' || number > kMaxMs) bad_option_value(option, value, expected);
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (number > kMaxMs / unit_ms) bad_option_value(option, value, expected);
  return number * unit_ms;
}

}  // namespace scte104
