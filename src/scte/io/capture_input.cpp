// SPDX-License-Identifier: MIT
#include "capture_input.h"

#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "cli.h"

namespace scte104 {

int report_capture(const char* progname, const char* mode, int argc, char** argv, int at,
                   const CaptureReport& report) {
  if (!input_follows(progname, argc, at)) return kFailureStatus;
  if (at + 1 < argc) {
    throw std::runtime_error(std::string(mode) + " reads one capture, not also \"" +
                             argv[at + 1] + "\"");
  }
  std::unique_ptr<capture::CaptureFile> file;
  try {
    file = std::make_unique<capture::CaptureFile>(argv[at]);
  } catch (const capture::CannotOpenError& e) {
    report_error(e.what());
    return kCannotOpenStatus;
  }
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  report(*file, out);
  out.flush();
  return 0;
}

}  // namespace scte104
