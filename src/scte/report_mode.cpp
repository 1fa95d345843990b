// SPDX-License-Identifier: MIT
// The text and JSON reports of one queue mark.
#include <unistd.h>

#include <optional>
#include <vector>

#include "cli.h"
#include "input.h"
#include "modes.h"
#include "options.h"

namespace scte104 {

int run_report_mode(const char* progname, int argc, char** argv, int at, ReportFormat format) {
  scte_104::Scte35Settings scte35;
  if (format == ReportFormat::json) {
    at = read_scte35_options(argc, argv, at, scte35);
    if (at >= argc) {
      show_usage(progname);
      return kFailureStatus;
    }
  }
  // argv[argc] is a null pointer, which stands for "-f" without a name.
  std::optional<std::vector<std::uint8_t>> input = read_mark(argv[at], argv[at + 1]);
  if (!input) {
    write_all(STDERR_FILENO, {"Data is not initialized\n"});
    return kCannotOpenStatus;
  }
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  inspect(std::move(*input), out, format, scte35);
  out.flush();
  return 0;
}

}  // namespace scte104
