// SPDX-License-Identifier: MIT
// --anc [--json-lines] --port N [--port N]... [--pts TICKS] [--frame-rate
// RATE] (FILE | -): the SCTE 104 messages carried as ANC data in the
// ST 2110-40 streams of a capture, with the problems of their RTP and ANC
// layers.
#include "anc_report.h"
#include "capture_input.h"
#include "cli.h"
#include "modes.h"

namespace scte104 {

int run_anc_mode(const char* progname, int argc, char** argv, int at) {
  AncReportOptions options;
  at = read_options(argc, argv, at,
                    capture_options(options.scte35, options.json_lines, options.ports,
                                    "a UDP port from 1 to 65535"));
  // ST 2110-40 has no port of its own: without one there is nothing to read.
  if (options.ports.empty()) {
    show_usage(progname);
    return kFailureStatus;
  }
  return report_capture(progname, "--anc", argc, argv, at,
                        [&options](capture::CaptureFile& file, Output& out) {
                          report_anc(file, options, out);
                        });
}

}  // namespace scte104
