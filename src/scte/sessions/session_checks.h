// SPDX-License-Identifier: MIT
// The SCTE 104 side of a capture: each direction of each connection cut
// into messages, and the session checked as it goes (handshake, answers to
// queue marks, results, silence, lost bytes). Every message and problem
// goes to a SessionWriter as a line, in the order they occur.
#ifndef SCTE104_SESSION_CHECKS_H
#define SCTE104_SESSION_CHECKS_H

#include <bitset>
#include <cstdint>
#include <list>
#include <map>
#include <string>

#include "capture/connections.h"
#include "scte/framer.h"
#include "session_line.h"

namespace scte104 {

class SessionChecks : public capture::ConnectionListener {
 public:
  explicit SessionChecks(SessionWriter& writer) : mWriter(writer) {}

  // A record is about to be handled: first what its time makes late or
  // silent.
  void begin_record(std::uint64_t packet, const CaptureTime& time);
  // The file could not be read past the last record.
  void capture_error();
  void write_summary(std::uint64_t connections);

  void on_connection_start(const capture::ConnectionInfo& connection) override;
  void on_bytes(const capture::ConnectionInfo& connection, capture::Direction direction,
                const std::uint8_t* bytes, std::size_t size, bool segment_start) override;
  void on_gap(const capture::ConnectionInfo& connection, capture::Direction direction,
              std::uint64_t bytes) override;
  void on_direction_end(const capture::ConnectionInfo& connection,
                        capture::Direction direction) override;
  void on_connection_end(const capture::ConnectionInfo& connection, bool capture_ended) override;

 private:
  struct Session {
    std::string client;  // ip:port of the automation system
    std::string server;  // ip:port of the injector
    bool saw_handshake = false;
    bool initialised = false;       // init_response said 100 or 128
    std::bitset<256> sent_numbers;  // of queue marks to the injector
    scte_104::Framer framers[2];
    // The last message to the injector, or the connection's first segment.
    std::uint64_t last_packet = 0;
    CaptureTime last_time;
    bool silence_reported = false;
  };
  // A queue mark waiting for its inject_response.
  struct Waiting {
    std::uint64_t connection;
    std::uint8_t message_number;
    std::uint64_t packet;
    CaptureTime time;
  };

  LineOrigin origin(std::uint64_t number, const Session& session, bool to_injector) const;
  void report(const LineOrigin& origin, Problem problem);
  void on_message(std::uint64_t number, Session& session, bool to_injector,
                  const std::uint8_t* bytes, std::size_t size);
  void on_multiple_operation(std::uint64_t number, Session& session, bool to_injector,
                             const std::uint8_t* bytes, std::size_t size);
  void on_single_operation(std::uint64_t number, Session& session, bool to_injector,
                           const std::uint8_t* bytes, std::size_t size);
  void report_no_response(const Waiting& waiting);
  void heard_from_client(Session& session);

  SessionWriter& mWriter;
  std::map<std::uint64_t, Session> mSessions;  // open connections, by number
  std::list<Waiting> mWaiting;                 // in the order the queue marks came
  std::uint64_t mPacket = 0;
  CaptureTime mTime;
  bool mHaveRecord = false;
  std::uint64_t mMessages = 0;
  std::uint64_t mProblems = 0;
};

}  // namespace scte104

#endif  // SCTE104_SESSION_CHECKS_H
