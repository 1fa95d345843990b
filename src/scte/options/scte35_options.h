// SPDX-License-Identifier: MIT
// The options that shape a report's SCTE 35 part: --pts TICKS and
// --frame-rate RATE, each given as often as the user likes (the last one
// counts), with the mode's own options and before the input.
#ifndef SCTE104_SCTE35_OPTIONS_H
#define SCTE104_SCTE35_OPTIONS_H

#include "option_reader.h"
#include "scte/scte35.h"

namespace scte104 {

// The --pts and --frame-rate entries of an option table, storing into settings.
OptionTable scte35_options(scte_104::Scte35Settings& settings);

// Reads --pts and --frame-rate from argv[at] on and returns the index of
// the first argument that is neither. A bad value or an option without one
// throws OptionError with the line to show.
int read_scte35_options(int argc, char** argv, int at, scte_104::Scte35Settings& settings);

}  // namespace scte104

#endif  // SCTE104_SCTE35_OPTIONS_H
