// SPDX-License-Identifier: MIT
// One reader for the options of every mode. A mode lists its options in a
// table (name, whether a value follows, what to do with the value, whether
// it may be given more than once) and the reader walks argv with it, so
// every mode gives the same errors and a new option is one line.
#ifndef SCTE104_OPTION_READER_H
#define SCTE104_OPTION_READER_H

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace scte104 {

// A bad option: what() is the line to show after "scte104: ".
class OptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An option that needs a value came last: "--pts needs a value". Modes that
// show the usage lines for it instead catch this one.
class MissingOptionValue : public OptionError {
 public:
  using OptionError::OptionError;
};

struct Option {
  std::string_view name;  // "--port"
  bool takes_value = false;
  bool repeatable = true;  // false: a second one is an error; true: each is applied in turn
  // Called with the value (empty for an option without one); stores it or
  // throws OptionError, usually through bad_option_value.
  std::function<void(std::string_view value)> apply;
};

using OptionTable = std::vector<Option>;

// Reads options from argv[at] on while they are in the table and returns the
// index of the first argument that is not: the input. Modes whose inputs may
// look like options (Base64, a file named "-x") use this one.
int read_options(int argc, char** argv, int at, const OptionTable& table);

// Reads options and inputs in any order from argv[at] on and returns the
// inputs. An argument that starts with '-' (but is not "-" alone) and is not
// in the table is an unknown option.
std::vector<const char*> read_options_and_inputs(int argc, char** argv, int at,
                                                 const OptionTable& table);

// Throws OptionError: `Invalid --port value "x": expected <expected>`.
[[noreturn]] void bad_option_value(std::string_view option, std::string_view value,
                                   std::string_view expected);

// Decimal digits only, from min to max; else bad_option_value with `expected`.
std::uint64_t parse_decimal_option(std::string_view option, std::string_view value,
                                   std::uint64_t min, std::uint64_t max, std::string_view expected);

// A duration in milliseconds: decimal digits then "ms" or "s", or "0" alone,
// at most 86400s ("250ms", "5s", "0"; not "1.5s", "5", "-1s", "5 s").
std::uint64_t parse_duration_option(std::string_view option, std::string_view value);

}  // namespace scte104

#endif  // SCTE104_OPTION_READER_H
