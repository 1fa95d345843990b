// SPDX-License-Identifier: MIT
// --anc [--json-lines] --port N [--port N]... [--pts TICKS] [--frame-rate
// RATE] (FILE | -): the SCTE 104 messages carried as ANC data in the
// ST 2110-40 streams of a capture, with the problems of their RTP and ANC
// layers.
#include <string>

#include "anc_report.h"
#include "capture_input.h"
#include "cli.h"
#include "modes.h"
#include "scte35_options.h"

namespace scte104 {

int run_anc_mode(const char* progname, int argc, char** argv, int at) {
  AncReportOptions options;
  OptionTable table = scte35_options(options.scte35);
  table.push_back({"--json-lines", false, true, [&options](std::string_view) {
                     options.json_lines = true;
                   }});
  table.push_back({"--port", true, true, [&options](std::string_view value) {
                     options.ports.push_back(static_cast<std::uint16_t>(parse_decimal_option(
                         "--port", value, 1, 65535, "a UDP port from 1 to 65535")));
                   }});
  at = read_options(argc, argv, at, table);
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
