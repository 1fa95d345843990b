// SPDX-License-Identifier: MIT
// --send's standard output: one line per mark as it settles and per bad
// input line as it is read, as JSON Lines or as readable lines, then the
// summary with the latency percentiles.
#ifndef SCTE104_SEND_REPORT_H
#define SCTE104_SEND_REPORT_H

#include <cstdint>
#include <string_view>

#include "automation_client.h"
#include "latency_summary.h"
#include "output.h"

namespace scte104 {

class SendReport {
 public:
  SendReport(Output& out, bool json_lines) : mOut(out), mJson(json_lines) {}

  void mark(const MarkReport& mark);
  void error_line(std::uint64_t line, std::string_view text);
  void summary();
  // Every mark accepted and no bad line.
  bool all_accepted() const { return mAccepted == mMarks && mErrors == 0; }

 private:
  void time(std::int64_t wall_us);

  Output& mOut;
  bool mJson;
  std::uint64_t mMarks = 0;
  std::uint64_t mAccepted = 0;
  std::uint64_t mRefused = 0;
  std::uint64_t mNoResponse = 0;
  std::uint64_t mNotSent = 0;
  std::uint64_t mInterrupted = 0;
  std::uint64_t mErrors = 0;
  LatencySummary mLatency;
};

}  // namespace scte104

#endif  // SCTE104_SEND_REPORT_H
