// SPDX-License-Identifier: MIT
// --pcap [--json-lines] [--port N]... [--pts TICKS] [--frame-rate RATE]
// (FILE | -): every SCTE 104 session of a capture, message by message, with
// the problems found on the way.
#include "capture_input.h"
#include "modes.h"
#include "session_report.h"

namespace scte104 {
namespace {

// The injector listens here unless --port says otherwise.
constexpr std::uint16_t kDefaultPort = 5167;

}  // namespace

int run_pcap_mode(const char* progname, int argc, char** argv, int at) {
  SessionReportOptions options;
  at = read_options(argc, argv, at,
                    capture_options(options.scte35, options.json_lines, options.ports,
                                    "a TCP port from 1 to 65535"));
  if (options.ports.empty()) options.ports.push_back(kDefaultPort);
  return report_capture(progname, "--pcap", argc, argv, at,
                        [&options](capture::CaptureFile& file, Output& out) {
                          report_sessions(file, options, out);
                        });
}

}  // namespace scte104
