// SPDX-License-Identifier: MIT
#include "capture_input.h"

#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "cli.h"
#include "scte35_options.h"

namespace scte104 {

OptionTable capture_options(scte_104::Scte35Settings& scte35, bool& json_lines,
                            std::vector<std::uint16_t>& ports, const char* port) {
  OptionTable table = scte35_options(scte35);
  table.push_back({"--json-lines", false, true, [&json_lines](std::string_view) {
                     json_lines = true;
                   }});
  table.push_back({"--port", true, true, [&ports, port](std::string_view value) {
                     ports.push_back(static_cast<std::uint16_t>(
                         parse_decimal_option("--port", value, 1, 65535, port)));
                   }});
  return table;
}

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
