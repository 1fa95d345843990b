// SPDX-License-Identifier: MIT
#include "cli.h"

#include <unistd.h>

#include "output.h"

namespace scte104 {

void write_all(int fd, std::initializer_list<std::string_view> pieces) {
  Output out(fd == STDOUT_FILENO
                 ? descriptor_sink(fd, "standard output")
                 : descriptor_sink(fd, "standard error", OnWriteFailure::ignore));
  for (const std::string_view piece : pieces) out.text(piece);
  out.flush();
}

void show_usage(const char* progname) {
  write_all(STDERR_FILENO, {"Usage: ", progname,
                            " [-h] [-v] [-f] [scte-data]\n"
                            "Use -h/--help for more information\n"});
}

bool input_follows(const char* progname, int argc, int at) {
  if (at < argc) return true;
  show_usage(progname);
  return false;
}

void report_error(std::string_view what) {
  write_all(STDERR_FILENO, {"scte104: ", what, "\n"});
}

}  // namespace scte104
