// SPDX-License-Identifier: MIT
// --encode (FILE | -): a queue mark described in JSON, in the shape of the
// JSON report, printed as the Base64 line the tool itself takes.
#include <unistd.h>

#include "cli.h"
#include "input_file.h"
#include "json_reader.h"
#include "modes.h"
#include "output.h"

namespace scte104 {

int run_encode_mode(const char* progname, int argc, char** argv, int at) {
  if (!input_follows(progname, argc, at)) return kFailureStatus;
  const InputFile input(argv[at]);
  if (!input.is_open()) return kCannotOpenStatus;
  const std::vector<std::uint8_t> mark = encode_json_mark(input.source());
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  out.base64(mark.data(), mark.size());
  out.text("\n");
  out.flush();
  return 0;
}

}  // namespace scte104
