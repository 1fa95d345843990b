// SPDX-License-Identifier: MIT
// The checks of an SCTE 104 session between an automation system and an
// injector, whoever sees it: each direction of each connection cut into
// messages, and the session judged as it goes (handshake, answers to queue
// marks, results, silence, lost bytes). It does no I/O and reads no clock:
// the caller hands in bytes with a packet number and a time of its own (a
// capture record, or a socket operation and the wall clock) and hears of
// every message and problem as an event, in the order they occur.
#ifndef SCTE104_SESSION_H
#define SCTE104_SESSION_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "scte/export.h"
#include "scte/single_operation.h"

namespace scte_104 {

// A point in time, UTC, since 1970.
struct SessionTime {
  std::int64_t seconds = 0;
  std::uint32_t nanoseconds = 0;
};

// Whether `later` is more than `limit_ns` nanoseconds after `earlier`, up to
// the ends of the 64-bit range.
SCTE_104_API bool more_than_after(const SessionTime& earlier, const SessionTime& later,
                                  std::int64_t limit_ns);

enum class SessionDirection { to_injector = 0, from_injector = 1 };

// Where and when an event happened.
struct SessionPlace {
  std::uint64_t packet = 0;
  const SessionTime* time = nullptr;  // null: nothing was handed in yet
  std::uint64_t connection = 0;       // 0: not one connection's (capture_error)
  SessionDirection direction = SessionDirection::to_injector;
};

// A problem member's value: a number, or a name (nullptr stands for null).
using ProblemValue = std::variant<std::uint64_t, const char*>;

struct ProblemMember {
  const char* key;
  ProblemValue value;
};

struct SessionProblem {
  const char* name = "";
  std::vector<ProblemMember> members;
  std::string text;  // a sentence for people
};

// Told of every message and problem, in the order they occur; problems that
// belong to a message come right after it.
class SessionEvents {
 public:
  virtual ~SessionEvents() = default;
  // A whole message: `single` is its decoded form for a
  // single_operation_message(), null for a multiple_operation_message().
  virtual void message(const SessionPlace& place, const std::uint8_t* bytes, std::size_t size,
                       const SingleOperationMessage* single) = 0;
  virtual void problem(const SessionPlace& place, const SessionProblem& problem) = 0;
};

class SCTE_104_API SessionChecker {
 public:
  explicit SessionChecker(SessionEvents& events);
  ~SessionChecker();
  SessionChecker(const SessionChecker&) = delete;
  SessionChecker& operator=(const SessionChecker&) = delete;

  // A messageSize above `size` is problem `oversized` and puts its
  // direction in search mode; 65535 (the default) takes every size.
  void set_max_message(std::uint16_t size);

  // What comes next happens at `packet` and `time`; first reports what
  // that time makes late (no_inject_response, 5 s) or silent (as_silent,
  // 60 s).
  void advance(std::uint64_t packet, const SessionTime& time);
  // The earliest time at which advance() would report something; false
  // when nothing waits.
  bool next_deadline(SessionTime& when) const;

  // A connection starts; `saw_handshake` when it was seen from its SYN (a
  // live connection always is).
  void open(std::uint64_t connection, bool saw_handshake);
  // Bytes that follow those handed in before in that direction;
  // `segment_start` when a TCP segment (or a read) began at the first.
  void feed(std::uint64_t connection, SessionDirection direction, const std::uint8_t* bytes,
            std::size_t size, bool segment_start);
  // `bytes` are missing in that direction before what comes next.
  void gap(std::uint64_t connection, SessionDirection direction, std::uint64_t bytes);
  // Bytes of a message not yet whole in that direction (0 in search mode).
  std::size_t held(std::uint64_t connection, SessionDirection direction) const;
  // Gives up the message being framed in that direction: search mode, and
  // no leftover for it.
  void abandon(std::uint64_t connection, SessionDirection direction);
  // A problem the caller found on a connection (a timeout, a limit); it is
  // counted with the others.
  void report(std::uint64_t connection, SessionDirection direction, SessionProblem problem);
  // The direction ends: leftover, if any.
  void end_direction(std::uint64_t connection, SessionDirection direction);
  // The connection is gone; with `report_waiting`, every queue mark still
  // waiting for its inject_response is reported first.
  void close(std::uint64_t connection, bool report_waiting);
  // The input could not be read past the last packet.
  void capture_error();

  std::uint64_t messages() const;
  std::uint64_t problems() const;
  std::uint64_t packet() const;

 private:
  struct State;
  std::unique_ptr<State> mState;
};

}  // namespace scte_104

#endif  // SCTE104_SESSION_H
