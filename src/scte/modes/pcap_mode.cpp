// SPDX-License-Identifier: MIT
// --pcap [--json-lines] [--port N]... [--pts TICKS] [--frame-rate RATE]
// (FILE | -): every SCTE 104 session of a capture, message by message, with
// the problems found on the way.
#include <string>
#include <vector>

#include "capture_input.h"
#include "cli.h"
#include "modes.h"
#include "scte35_options.h"
#include "session_report.h"

namespace scte104 {
namespace {

// The injector listens here unless --port says otherwise.
constexpr std::uint16_t kDefaultPort = 5167;

// Reads the options, in any order, up to the input; returns its index.
int read_pcap_options(int argc, char** argv, int at, SessionReportOptions& options) {
  OptionTable table = scte35_options(options.scte35);
  table.push_back({"--json-lines", false, true, [&options](std::string_view) {
                     options.json_lines = true;
                   }});
  table.push_back({"--port", true, true, [&options](std::string_view value) {
                     options.ports.push_back(static_cast<std::uint16_t>(parse_decimal_option(
                         "--port", value, 1, 65535, "a TCP port from 1 to 65535")));
                   }});
  at = read_options(argc, argv, at, table);
  if (options.ports.empty()) options.ports.push_back(kDefaultPort);
  return at;
}

}  // namespace

int run_pcap_mode(const char* progname, int argc, char** argv, int at) {
  SessionReportOptions options;
  at = read_pcap_options(argc, argv, at, options);
  return report_capture(progname, "--pcap", argc, argv, at,
                        [&options](capture::CaptureFile& file, Output& out) {
                          report_sessions(file, options, out);
                        });
}

}  // namespace scte104
