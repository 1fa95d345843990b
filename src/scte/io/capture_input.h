// SPDX-License-Identifier: MIT
// The one capture file a capture mode (--pcap, --anc) reads, named after
// its options: opened, reported on standard output, with the statuses and
// errors every such mode shares.
#ifndef SCTE104_CAPTURE_INPUT_H
#define SCTE104_CAPTURE_INPUT_H

#include <functional>

#include "capture/capture_file.h"
#include "output.h"

namespace scte104 {

using CaptureReport = std::function<void(capture::CaptureFile& file, Output& out)>;

// Opens argv[at] (a file, or "-" for standard input) and hands it to
// `report` with standard output; returns the exit status. No input shows
// the usage lines; a second one is an error naming `mode`; a capture that
// cannot be opened is reported with kCannotOpenStatus.
int report_capture(const char* progname, const char* mode, int argc, char** argv, int at,
                   const CaptureReport& report);

}  // namespace scte104

#endif  // SCTE104_CAPTURE_INPUT_H
