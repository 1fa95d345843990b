// SPDX-License-Identifier: MIT
// Every SCTE 104 session of a capture, read to its end and written as
// JSON Lines or as a timeline: what --pcap does once the file is open.
#ifndef SCTE104_SESSION_REPORT_H
#define SCTE104_SESSION_REPORT_H

#include <cstdint>
#include <vector>

#include "capture/capture_file.h"
#include "output.h"
#include "scte/scte35.h"

namespace scte104 {

struct SessionReportOptions {
  bool json_lines = false;
  std::vector<std::uint16_t> ports;  // where injectors listen
  scte_104::Scte35Settings scte35;
};

void report_sessions(capture::CaptureFile& file, const SessionReportOptions& options, Output& out);

}  // namespace scte104

#endif  // SCTE104_SESSION_REPORT_H
