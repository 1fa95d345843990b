// SPDX-License-Identifier: MIT
#include "session_report.h"

#include <memory>

#include "capture/connections.h"
#include "capture/packet.h"
#include "scte/session.h"
#include "session_log.h"
#include "session_writers.h"

namespace scte104 {
namespace {

scte_104::SessionDirection direction_of(capture::Direction direction) {
  return direction == capture::Direction::to_server ? scte_104::SessionDirection::to_injector
                                                    : scte_104::SessionDirection::from_injector;
}

// Hands what the connection tracker sees to the session checker.
class CaptureSessions : public capture::ConnectionListener {
 public:
  CaptureSessions(scte_104::SessionChecker& checker, SessionLog& log)
      : mChecker(checker), mLog(log) {}

  void on_connection_start(const capture::ConnectionInfo& connection) override {
    mLog.add_connection(connection.number, capture::to_string(connection.client),
                        capture::to_string(connection.server));
    mChecker.open(connection.number, connection.saw_handshake);
  }
  void on_bytes(const capture::ConnectionInfo& connection, capture::Direction direction,
                const std::uint8_t* bytes, std::size_t size, bool segment_start) override {
    mChecker.feed(connection.number, direction_of(direction), bytes, size, segment_start);
  }
  void on_gap(const capture::ConnectionInfo& connection, capture::Direction direction,
              std::uint64_t bytes) override {
    mChecker.gap(connection.number, direction_of(direction), bytes);
  }
  void on_direction_end(const capture::ConnectionInfo& connection,
                        capture::Direction direction) override {
    mChecker.end_direction(connection.number, direction_of(direction));
  }
  void on_connection_end(const capture::ConnectionInfo& connection, bool capture_ended) override {
    mChecker.close(connection.number, !capture_ended);
    mLog.remove_connection(connection.number);
  }

 private:
  scte_104::SessionChecker& mChecker;
  SessionLog& mLog;
};

}  // namespace

void report_sessions(capture::CaptureFile& file, const SessionReportOptions& options, Output& out) {
  const std::unique_ptr<SessionWriter> writer =
      options.json_lines ? make_json_lines_writer(out, options.scte35) : make_timeline_writer(out);
  SessionLog log(*writer);
  scte_104::SessionChecker checker(log);
  CaptureSessions sessions(checker, log);
  capture::ConnectionTracker tracker(options.ports, sessions);
  capture::Record record;
  std::uint64_t last = 0;
  for (;;) {
    const capture::ReadStatus status = file.next(record);
    if (status == capture::ReadStatus::end) break;
    if (status == capture::ReadStatus::error) {
      checker.capture_error();
      break;
    }
    last = record.number;
    checker.advance(record.number, CaptureTime{record.seconds, record.nanoseconds});
    capture::TcpSegment segment;
    if (capture::read_tcp_segment(file.link_type(), record.data, record.size, segment)) {
      tracker.add(segment);
    }
  }
  tracker.finish();
  writer->summary(SessionSummary{last, tracker.connection_count(), checker.messages(),
                                 checker.problems()});
}

}  // namespace scte104
