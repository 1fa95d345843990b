// SPDX-License-Identifier: MIT
// --ts [--json-lines] [--pid N]... [--frame-rate RATE] (FILE | -): the
// queue marks of a transport stream's ST 2038 data, the SCTE 35 sections
// beside them, and which section answers which mark.
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli.h"
#include "input_file.h"
#include "modes.h"
#include "scte35_options.h"
#include "ts_report.h"

namespace scte104 {
namespace {

// PIDs 0-15 are reserved for tables, 8191 is the null packet.
constexpr std::uint64_t kFirstPid = 16;
constexpr std::uint64_t kLastPid = 8190;

// Reads the options and returns the inputs: options and the input come in any order.
std::vector<const char*> read_ts_options(int argc, char** argv, int at, TsReportOptions& options) {
  scte_104::Scte35Settings settings;
  OptionTable table = scte35_options(settings);
  // The reference PTS of each mark comes from the stream: only the frame rate is given.
  table.erase(std::remove_if(table.begin(), table.end(),
                             [](const Option& option) { return option.name == "--pts"; }),
              table.end());
  table.push_back({"--json-lines", false, true, [&options](std::string_view) {
                     options.json_lines = true;
                   }});
  table.push_back({"--pid", true, true, [&options](std::string_view value) {
                     options.pids.push_back(static_cast<std::uint16_t>(parse_decimal_option(
                         "--pid", value, kFirstPid, kLastPid, "a PID from 16 to 8190")));
                   }});
  std::vector<const char*> inputs = read_options_and_inputs(argc, argv, at, table);
  options.frame_rate = settings.frame_rate;
  return inputs;
}

}  // namespace

int run_ts_mode(const char* progname, int argc, char** argv, int at) {
  TsReportOptions options;
  const std::vector<const char*> inputs = read_ts_options(argc, argv, at, options);
  if (inputs.empty()) {
    show_usage(progname);
    return kFailureStatus;
  }
  if (inputs.size() > 1) {
    throw std::runtime_error(std::string("--ts reads one stream, not also \"") + inputs[1] + "\"");
  }
  const InputFile input(inputs[0]);
  if (!input.is_open()) return kCannotOpenStatus;
  options.live = input.is_live();
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  report_transport_stream(input.source(), options, out);
  out.flush();
  return 0;
}

}  // namespace scte104
