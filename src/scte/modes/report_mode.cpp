// SPDX-License-Identifier: MIT
// The text and JSON reports of one queue mark.
#include <unistd.h>

#include <optional>
#include <vector>

#include "cli.h"
#include "input.h"
#include "modes.h"
#include "scte35_options.h"

namespace scte104 {

int run_report_mode(const char* progname, int argc, char** argv, int at, ReportFormat format) {
  scte_104::Scte35Settings scte35;
  if (format == ReportFormat::json) {
    at = read_scte35_options(argc, argv, at, scte35);
    if (!input_follows(progname, argc, at)) return kFailureStatus;
  }
  std::optional<std::vector<std::uint8_t>> input = read_mark(argv[at], argv[at + 1]);
  if (!input) return kCannotOpenStatus;
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  inspect(std::move(*input), out, format, scte35);
  out.flush();
  return 0;
}

}  // namespace scte104
