// SPDX-License-Identifier: MIT
#include "session_report.h"

#include <memory>

#include "capture/connections.h"
#include "capture/packet.h"
#include "session_checks.h"
#include "session_writers.h"

namespace scte104 {

void report_sessions(capture::CaptureFile& file, const SessionReportOptions& options, Output& out) {
  const std::unique_ptr<SessionWriter> writer =
      options.json_lines ? make_json_lines_writer(out, options.scte35) : make_timeline_writer(out);
  SessionChecks checks(*writer);
  capture::ConnectionTracker tracker(options.ports, checks);
  capture::Record record;
  for (;;) {
    const capture::ReadStatus status = file.next(record);
    if (status == capture::ReadStatus::end) break;
    if (status == capture::ReadStatus::error) {
      checks.capture_error();
      break;
    }
    checks.begin_record(record.number, CaptureTime{record.seconds, record.nanoseconds});
    capture::TcpSegment segment;
    if (capture::read_tcp_segment(file.link_type(), record.data, record.size, segment)) {
      tracker.add(segment);
    }
  }
  tracker.finish();
  checks.write_summary(tracker.connection_count());
}

}  // namespace scte104
