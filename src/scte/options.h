// SPDX-License-Identifier: MIT
// The options that shape a report's SCTE 35 part: --pts TICKS and
// --frame-rate RATE, each given at most as often as the user likes (the last
// one counts), right after the mode's own option and before the input.
#ifndef SCTE104_OPTIONS_H
#define SCTE104_OPTIONS_H

#include "scte/scte35.h"

namespace scte104 {

// Reads --pts and --frame-rate from argv[at] on and returns the index of
// the first argument that is neither. A bad value or an option without one
// throws std::runtime_error with the line to show.
int read_scte35_options(int argc, char** argv, int at, scte_104::Scte35Settings& settings);

}  // namespace scte104

#endif  // SCTE104_OPTIONS_H
