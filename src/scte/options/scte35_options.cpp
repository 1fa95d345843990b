// SPDX-License-Identifier: MIT
#include "scte35_options.h"

#include <string>

namespace scte104 {

OptionTable scte35_options(scte_104::Scte35Settings& settings) {
  return {
      {"--pts", true, true,
       [&settings](std::string_view value) {
         settings.reference_pts = parse_decimal_option("--pts", value, 0, scte_104::kMaxPts,
                                                       "90 kHz ticks from 0 to 8589934591");
       }},
      {"--frame-rate", true, true,
       [&settings](std::string_view value) {
         if (!scte_104::parse_frame_rate(std::string(value), settings.frame_rate)) {
           bad_option_value("--frame-rate", value,
                            "one of 24000/1001, 24, 25, 30000/1001, 30, 50, 60000/1001, 60");
         }
       }},
  };
}

int read_scte35_options(int argc, char** argv, int at, scte_104::Scte35Settings& settings) {
  return read_options(argc, argv, at, scte35_options(settings));
}

}  // namespace scte104
