// SPDX-License-Identifier: MIT
// Every SCTE 104 message of the ST 2110-40 streams of a capture, read to
// its end and written as JSON Lines or as a timeline: what --anc does once
// the file is open.
#ifndef SCTE104_ANC_REPORT_H
#define SCTE104_ANC_REPORT_H

#include <cstdint>
#include <vector>

#include "capture/capture_file.h"
#include "output.h"
#include "scte/scte35.h"

namespace scte104 {

struct AncReportOptions {
  bool json_lines = false;
  std::vector<std::uint16_t> ports;  // UDP destination ports of the streams
  scte_104::Scte35Settings scte35;
};

void report_anc(capture::CaptureFile& file, const AncReportOptions& options, Output& out);

}  // namespace scte104

#endif  // SCTE104_ANC_REPORT_H
