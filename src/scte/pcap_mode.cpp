// SPDX-License-Identifier: MIT
// --pcap [--json-lines] [--port N]... [--pts TICKS] [--frame-rate RATE]
// (FILE | -): every SCTE 104 session of a capture, message by message, with
// the problems found on the way.
#include <unistd.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture/capture_file.h"
#include "cli.h"
#include "modes.h"
#include "options.h"
#include "session_report.h"

namespace scte104 {
namespace {

// The injector listens here unless --port says otherwise.
constexpr std::uint16_t kDefaultPort = 5167;

std::uint16_t parse_port(const char* text) {
  std::uint32_t value = 0;
  bool valid = *text != '\0';
  for (const char* c = text; valid && *c != '\0'; ++c) {
    valid = *c >= '0' && *c <= '9';
    value = value * 10 + static_cast<std::uint32_t>(*c - '0');
    valid = valid && value <= 65535;
  }
  if (!valid || value == 0) {
    throw std::runtime_error(std::string("Invalid --port value \"") + text +
                             "\": expected a TCP port from 1 to 65535");
  }
  return static_cast<std::uint16_t>(value);
}

// Reads the options, in any order, up to the input; returns its index.
int read_pcap_options(int argc, char** argv, int at, SessionReportOptions& options) {
  while (at < argc && argv[at] != nullptr) {
    if (std::strcmp(argv[at], "--json-lines") == 0) {
      options.json_lines = true;
      ++at;
    } else if (std::strcmp(argv[at], "--port") == 0) {
      if (at + 1 >= argc) throw std::runtime_error("--port needs a value");
      options.ports.push_back(parse_port(argv[at + 1]));
      at += 2;
    } else {
      const int next = read_scte35_options(argc, argv, at, options.scte35);
      if (next == at) break;
      at = next;
    }
  }
  if (options.ports.empty()) options.ports.push_back(kDefaultPort);
  return at;
}

}  // namespace

int run_pcap_mode(const char* progname, int argc, char** argv, int at) {
  SessionReportOptions options;
  at = read_pcap_options(argc, argv, at, options);
  if (!input_follows(progname, argc, at)) return kFailureStatus;
  if (at + 1 < argc) {
    throw std::runtime_error(std::string("--pcap reads one capture, not also \"") + argv[at + 1] +
                             "\"");
  }
  std::unique_ptr<capture::CaptureFile> file;
  try {
    file = std::make_unique<capture::CaptureFile>(argv[at]);
  } catch (const capture::CannotOpenError& e) {
    report_error(e.what());
    return kCannotOpenStatus;
  }
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  report_sessions(*file, options, out);
  out.flush();
  return 0;
}

}  // namespace scte104
