// SPDX-License-Identifier: MIT
#include "options.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace scte104 {
namespace {

// A decimal number of 90 kHz ticks within 33 bits; digits only.
bool parse_pts(const char* text, std::uint64_t& pts) {
  if (*text == '\0') return false;
  std::uint64_t value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(*c - '0');
    if (value > scte_104::kMaxPts) return false;
  }
  pts = value;
  return true;
}

const char* value_of(int argc, char** argv, int at) {
  if (at + 1 >= argc) {
    throw std::runtime_error(std::string(argv[at]) + " needs a value");
  }
  return argv[at + 1];
}

}  // namespace

int read_scte35_options(int argc, char** argv, int at, scte_104::Scte35Settings& settings) {
  while (at < argc) {
    if (std::strcmp(argv[at], "--pts") == 0) {
      const char* text = value_of(argc, argv, at);
      if (!parse_pts(text, settings.reference_pts)) {
        throw std::runtime_error(std::string("Invalid --pts value \"") + text +
                                 "\": expected 90 kHz ticks from 0 to 8589934591");
      }
    } else if (std::strcmp(argv[at], "--frame-rate") == 0) {
      const char* text = value_of(argc, argv, at);
      if (!scte_104::parse_frame_rate(text, settings.frame_rate)) {
        throw std::runtime_error(std::string("Invalid --frame-rate value \"") + text +
                                 "\": expected one of 24000/1001, 24, 25, 30000/1001, 30, 50, "
                                 "60000/1001, 60");
      }
    } else {
      return at;
    }
    at += 2;
  }
  return at;
}

}  // namespace scte104
