// SPDX-License-Identifier: MIT
// What the capture modes (--pcap, --anc) share: their options, and the one
// capture file they read, named after the options: opened and reported on
// standard output, with the same statuses and errors.
#ifndef SCTE104_CAPTURE_INPUT_H
#define SCTE104_CAPTURE_INPUT_H

#include <cstdint>
#include <functional>
#include <vector>

#include "capture/capture_file.h"
#include "option_reader.h"
#include "output.h"
#include "scte/scte35.h"

namespace scte104 {

// --pts, --frame-rate, --json-lines and --port N, which may repeat; `port`
// says what a port is ("a TCP port from 1 to 65535").
OptionTable capture_options(scte_104::Scte35Settings& scte35, bool& json_lines,
                            std::vector<std::uint16_t>& ports, const char* port);

using CaptureReport = std::function<void(capture::CaptureFile& file, Output& out)>;

// Opens argv[at] (a file, or "-" for standard input) and hands it to
// `report` with standard output; returns the exit status. No input shows
// the usage lines; a second one is an error naming `mode`; a capture that
// cannot be opened is reported with kCannotOpenStatus.
int report_capture(const char* progname, const char* mode, int argc, char** argv, int at,
                   const CaptureReport& report);

}  // namespace scte104

#endif  // SCTE104_CAPTURE_INPUT_H
