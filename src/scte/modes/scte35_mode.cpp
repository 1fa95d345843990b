// SPDX-License-Identifier: MIT
// The SCTE 35 sections that an injector makes of one queue mark, one line
// of Base64 each, ready to paste into any SCTE 35 tool.
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "input.h"
#include "modes.h"
#include "scte35_options.h"

namespace scte104 {

int run_scte35_mode(const char* progname, int argc, char** argv, int at) {
  scte_104::Scte35Settings settings;
  at = read_scte35_options(argc, argv, at, settings);
  if (!input_follows(progname, argc, at)) return kFailureStatus;
  std::optional<std::vector<std::uint8_t>> input = read_mark(argv[at], argv[at + 1]);
  if (!input) return kCannotOpenStatus;
  const auto message = decode_mark(std::move(*input));
  const scte_104::scte35::Translation translation = scte_104::scte35::translate(*message, settings);
  for (const scte_104::scte35::Problem& problem : translation.problems) {
    report_error("operation " + std::to_string(problem.operation) + ": " + problem.text);
  }
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  for (const scte_104::scte35::Section& section : translation.sections) {
    out.base64(section.bytes.data(), section.bytes.size());
    out.text("\n");
  }
  out.flush();
  return 0;
}

}  // namespace scte104
