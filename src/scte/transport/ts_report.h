// SPDX-License-Identifier: MIT
// Everything --ts reports about one transport stream: the SCTE 104
// messages of its ST 2038 PIDs, the SCTE 35 sections of its SCTE 35 PIDs,
// which mark each section answers and how it differs, and every problem,
// in stream order.
#ifndef SCTE104_TS_REPORT_H
#define SCTE104_TS_REPORT_H

#include <cstdint>
#include <vector>

#include "input_file.h"
#include "output.h"
#include "scte/scte35.h"

namespace scte104 {

struct TsReportOptions {
  bool json_lines = false;
  std::vector<std::uint16_t> pids;  // read whatever the PMT says
  scte_104::FrameRate frame_rate;
  // Each line leaves before more input is waited for (a pipe, a terminal).
  bool live = false;
};

// Reads `source` to its end and writes the report. Input that is no
// transport stream at all throws before anything is written.
void report_transport_stream(const ByteSource& source, const TsReportOptions& options, Output& out);

}  // namespace scte104

#endif  // SCTE104_TS_REPORT_H
