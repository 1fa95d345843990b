// SPDX-License-Identifier: MIT
// --json-lines: a whole log of queue marks in one run, one JSON line per
// mark, following a live pipe as it grows.
#include <unistd.h>

#include "cli.h"
#include "input_file.h"
#include "json_lines.h"
#include "modes.h"
#include "scte35_options.h"

namespace scte104 {

int run_json_lines_mode(const char* progname, int argc, char** argv, int at) {
  scte_104::Scte35Settings scte35;
  at = read_scte35_options(argc, argv, at, scte35);
  if (!input_follows(progname, argc, at)) return kFailureStatus;
  // Arguments after the input are ignored, as in the other modes.
  const InputFile input(argv[at]);
  if (!input.is_open()) return kCannotOpenStatus;
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  const bool live = input.is_live();
  LineReader lines([&out, live, read = input.source()](
                       char* into, std::size_t size) {
    // Each mark's line leaves before the next one is waited for; a file's
    // lines leave in large writes.
    if (live) out.flush();
    try {
      return read(into, size);
    } catch (...) {
      out.flush();  // the lines reported so far are whole: keep them
      throw;
    }
  });
  const bool all_reported = write_json_lines(lines, out, scte35);
  out.flush();
  return all_reported ? 0 : kFailureStatus;
}

}  // namespace scte104
