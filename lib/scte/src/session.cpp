// SPDX-License-Identifier: MIT
#include "scte/session.h"

#include <bitset>
#include <cstdint>
#include <list>
#include <map>
#include <stdexcept>
#include <utility>

#include "scte/framer.h"

namespace scte_104 {
namespace {

// An answer is due within 5 s; the automation system speaks at least once
// a minute (alive_request).
constexpr std::int64_t kAnswerDueNs = 5'000'000'000;
constexpr std::int64_t kSilenceNs = 60'000'000'000;
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
constexpr std::size_t kMarkNumberOffset = 6;  // message_number of a queue mark
constexpr std::uint64_t kMarkOpId = 0xFFFF;
constexpr std::size_t kHeaderSize = 4;  // opID, messageSize

std::string op_id_hex(std::uint16_t op_id) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) {
    text += digits[static_cast<unsigned>(op_id >> shift) & 0xFu];
  }
  return text;
}

std::string op_name(std::uint16_t op_id) {
  if (const char* name = single_operation_name(op_id)) return name;
  return "opID " + op_id_hex(op_id);
}

std::string bytes_text(std::uint64_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

bool may_answer_by_proxy(std::uint16_t op_id) {
  return op_id == INIT_RESPONSE_DATA || op_id == INJECT_RESPONSE_DATA ||
         op_id == INJECT_COMPLETE_RESPONSE_DATA;
}

bool is_success(std::uint16_t op_id, std::uint16_t result) {
  return result == kSuccessfulResponse || (result == kProxyResponse && may_answer_by_proxy(op_id));
}

std::uint16_t read16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] << 8u | bytes[1]);
}

// `time` + `ns` (not negative), held at the end of the range.
SessionTime plus(const SessionTime& time, std::int64_t ns) {
  const std::int64_t fraction = time.nanoseconds + ns % kNanosecondsPerSecond;
  SessionTime later;
  if (__builtin_add_overflow(time.seconds, ns / kNanosecondsPerSecond + fraction / kNanosecondsPerSecond,
                             &later.seconds)) {
    return SessionTime{INT64_MAX, 999'999'999};
  }
  later.nanoseconds = static_cast<std::uint32_t>(fraction % kNanosecondsPerSecond);
  return later;
}

bool earlier(const SessionTime& a, const SessionTime& b) {
  return a.seconds < b.seconds || (a.seconds == b.seconds && a.nanoseconds < b.nanoseconds);
}

}  // namespace

bool more_than_after(const SessionTime& earlier_time, const SessionTime& later,
                     std::int64_t limit_ns) {
  // pcapng stamps may reach the ends of the 64-bit range.
  std::int64_t seconds = 0;
  if (__builtin_sub_overflow(later.seconds, earlier_time.seconds, &seconds)) {
    return later.seconds > earlier_time.seconds;
  }
  const std::int64_t limit_seconds = limit_ns / kNanosecondsPerSecond;
  // Far apart: no need for the nanoseconds (nor any risk of overflow).
  if (seconds > limit_seconds + 1) return true;
  if (seconds < limit_seconds - 1) return false;
  const std::int64_t difference = seconds * kNanosecondsPerSecond +
                                  static_cast<std::int64_t>(later.nanoseconds) -
                                  static_cast<std::int64_t>(earlier_time.nanoseconds);
  return difference > limit_ns;
}

struct SessionChecker::State {
  struct Session {
    bool saw_handshake = false;
    bool initialised = false;       // init_response said 100 or 128
    std::bitset<256> sent_numbers;  // of queue marks to the injector
    Framer framers[2];
    // The last message to the injector, or the connection's first segment.
    std::uint64_t last_packet = 0;
    SessionTime last_time;
    bool silence_reported = false;
  };
  // A queue mark waiting for its inject_response.
  struct Waiting {
    std::uint64_t connection;
    std::uint8_t message_number;
    std::uint64_t packet;
    SessionTime time;
  };

  explicit State(SessionEvents& events_) : events(events_) {}

  SessionPlace place(std::uint64_t connection, SessionDirection direction) const {
    SessionPlace where;
    where.packet = packet;
    where.time = &time;
    where.connection = connection;
    where.direction = direction;
    return where;
  }
  void report(const SessionPlace& where, const SessionProblem& problem) {
    ++problems;
    events.problem(where, problem);
  }
  void report_no_response(const Waiting& waiting);
  void report_silence();
  void heard_from_client(Session& session);
  void frame(std::uint64_t number, Session& session, SessionDirection direction);
  void on_message(std::uint64_t number, Session& session, SessionDirection direction,
                  const std::uint8_t* bytes, std::size_t size);
  void on_multiple_operation(std::uint64_t number, Session& session, SessionDirection direction,
                             const std::uint8_t* bytes, std::size_t size);
  void on_single_operation(std::uint64_t number, Session& session, SessionDirection direction,
                           const std::uint8_t* bytes, std::size_t size);

  SessionEvents& events;
  std::map<std::uint64_t, Session> sessions;  // open connections, by number
  std::list<Waiting> waiting;                 // in the order the queue marks came
  std::uint64_t packet = 0;
  SessionTime time;
  bool have_time = false;
  // No session can be silent before this (a lower bound, kept up to date
  // by each scan), so most calls skip the scan.
  SessionTime next_silence;
  bool silence_due = false;
  std::uint16_t max_message = 0xFFFF;
  std::uint64_t messages = 0;
  std::uint64_t problems = 0;
};

SessionChecker::SessionChecker(SessionEvents& events)
    : mState(std::make_unique<State>(events)) {}

SessionChecker::~SessionChecker() = default;

void SessionChecker::set_max_message(std::uint16_t size) { mState->max_message = size; }

void SessionChecker::advance(std::uint64_t packet, const SessionTime& time) {
  State& s = *mState;
  s.packet = packet;
  s.time = time;
  s.have_time = true;
  for (auto it = s.waiting.begin(); it != s.waiting.end();) {
    if (more_than_after(it->time, time, kAnswerDueNs)) {
      s.report_no_response(*it);
      it = s.waiting.erase(it);
    } else {
      ++it;
    }
  }
  if (s.silence_due && more_than_after(s.next_silence, time, 0)) s.report_silence();
}

void SessionChecker::State::report_silence() {
  silence_due = false;
  for (auto& [number, session] : sessions) {
    if (session.silence_reported) continue;
    if (more_than_after(session.last_time, time, kSilenceNs)) {
      session.silence_reported = true;
      report(place(number, SessionDirection::to_injector),
             SessionProblem{"as_silent",
                            {{"since_packet", session.last_packet}},
                            "no message to the injector for more than 60 s"});
      continue;
    }
    const SessionTime due = plus(session.last_time, kSilenceNs);
    if (!silence_due || earlier(due, next_silence)) next_silence = due;
    silence_due = true;
  }
}

bool SessionChecker::next_deadline(SessionTime& when) const {
  const State& s = *mState;
  bool any = false;
  if (!s.waiting.empty()) {
    // In the order the marks came: the first is the oldest, for a clock
    // that does not go back.
    when = plus(s.waiting.front().time, kAnswerDueNs + 1);
    any = true;
  }
  if (s.silence_due) {
    const SessionTime silence = plus(s.next_silence, 1);
    if (!any || earlier(silence, when)) when = silence;
    any = true;
  }
  return any;
}

void SessionChecker::open(std::uint64_t connection, bool saw_handshake) {
  State& s = *mState;
  State::Session& session = s.sessions[connection];
  session.saw_handshake = saw_handshake;
  session.last_packet = s.packet;
  session.last_time = s.time;
  const SessionTime due = plus(s.time, kSilenceNs);
  if (!s.silence_due || earlier(due, s.next_silence)) s.next_silence = due;
  s.silence_due = true;
}

void SessionChecker::feed(std::uint64_t connection, SessionDirection direction,
                          const std::uint8_t* bytes, std::size_t size, bool segment_start) {
  State& s = *mState;
  State::Session& session = s.sessions.at(connection);
  session.framers[static_cast<int>(direction)].feed(bytes, size, segment_start);
  s.frame(connection, session, direction);
}

void SessionChecker::State::frame(std::uint64_t number, Session& session,
                                  SessionDirection direction) {
  Framer& framer = session.framers[static_cast<int>(direction)];
  FramerEvent event;
  for (;;) {
    if (framer.held() >= kHeaderSize) {
      // Too large to take: said as soon as the header is there, not once
      // the whole message has come.
      const std::uint8_t* header = framer.held_bytes();
      const std::uint16_t op_id = read16(header);
      const std::uint16_t size = read16(header + 2);
      if (size > max_message) {
        framer.skip_gap();
        report(place(number, direction),
               SessionProblem{"oversized",
                              {{"opID", std::uint64_t{op_id}}, {"messageSize", std::uint64_t{size}}},
                              "messageSize " + std::to_string(size) + " is above the largest taken, " +
                                  std::to_string(max_message)});
        return;
      }
    }
    if (!framer.next(event)) return;
    if (event.kind == FramerEvent::Kind::message) {
      on_message(number, session, direction, event.bytes, event.size);
      continue;
    }
    report(place(number, direction),
           SessionProblem{"framing_lost",
                          {{"opID", std::uint64_t{event.op_id}},
                           {"messageSize", std::uint64_t{event.message_size}}},
                          "messageSize " + std::to_string(event.message_size) +
                              " is too small: looking for the next message"});
  }
}

void SessionChecker::gap(std::uint64_t connection, SessionDirection direction,
                         std::uint64_t bytes) {
  State& s = *mState;
  State::Session& session = s.sessions.at(connection);
  session.framers[static_cast<int>(direction)].skip_gap();
  s.report(s.place(connection, direction),
           SessionProblem{"gap", {{"bytes", bytes}}, bytes_text(bytes) + " missing in the stream"});
}

std::size_t SessionChecker::held(std::uint64_t connection, SessionDirection direction) const {
  return mState->sessions.at(connection).framers[static_cast<int>(direction)].held();
}

void SessionChecker::abandon(std::uint64_t connection, SessionDirection direction) {
  mState->sessions.at(connection).framers[static_cast<int>(direction)].skip_gap();
}

void SessionChecker::report(std::uint64_t connection, SessionDirection direction,
                            SessionProblem problem) {
  mState->report(mState->place(connection, direction), problem);
}

void SessionChecker::end_direction(std::uint64_t connection, SessionDirection direction) {
  State& s = *mState;
  State::Session& session = s.sessions.at(connection);
  const std::size_t leftover = session.framers[static_cast<int>(direction)].finish();
  if (leftover == 0) return;
  s.report(s.place(connection, direction),
           SessionProblem{"leftover",
                          {{"bytes", std::uint64_t{leftover}}},
                          bytes_text(leftover) +
                              (leftover == 1 ? " at the end is" : " at the end are") +
                              " no whole message"});
}

void SessionChecker::close(std::uint64_t connection, bool report_waiting) {
  State& s = *mState;
  for (auto it = s.waiting.begin(); it != s.waiting.end();) {
    if (it->connection != connection) {
      ++it;
      continue;
    }
    if (report_waiting) s.report_no_response(*it);
    it = s.waiting.erase(it);
  }
  s.sessions.erase(connection);
}

void SessionChecker::capture_error() {
  State& s = *mState;
  SessionPlace where;
  where.packet = s.packet + 1;
  where.time = s.have_time ? &s.time : nullptr;
  s.report(where, SessionProblem{"capture_error", {}, "the capture cannot be read past this point"});
}

std::uint64_t SessionChecker::messages() const { return mState->messages; }
std::uint64_t SessionChecker::problems() const { return mState->problems; }
std::uint64_t SessionChecker::packet() const { return mState->packet; }

void SessionChecker::State::report_no_response(const Waiting& entry) {
  SessionPlace where = place(entry.connection, SessionDirection::to_injector);
  where.packet = entry.packet;
  where.time = &entry.time;
  report(where, SessionProblem{"no_inject_response",
                               {{"message_number", std::uint64_t{entry.message_number}}},
                               "no inject_response for message_number " +
                                   std::to_string(entry.message_number) + " within 5 s"});
}

void SessionChecker::State::heard_from_client(Session& session) {
  session.last_packet = packet;
  session.last_time = time;
  session.silence_reported = false;
  // A capture's clock may go back: keep next_silence a lower bound.
  const SessionTime due = plus(time, kSilenceNs);
  if (!silence_due || earlier(due, next_silence)) next_silence = due;
  silence_due = true;
}

void SessionChecker::State::on_message(std::uint64_t number, Session& session,
                                       SessionDirection direction, const std::uint8_t* bytes,
                                       std::size_t size) {
  ++messages;
  const bool multiple = bytes[0] == 0xFF && bytes[1] == 0xFF;
  if (multiple) {
    on_multiple_operation(number, session, direction, bytes, size);
  } else {
    on_single_operation(number, session, direction, bytes, size);
  }
}

void SessionChecker::State::on_multiple_operation(std::uint64_t number, Session& session,
                                                  SessionDirection direction,
                                                  const std::uint8_t* bytes, std::size_t size) {
  events.message(place(number, direction), bytes, size, nullptr);
  if (direction != SessionDirection::to_injector) return;
  heard_from_client(session);
  const std::uint8_t message_number = bytes[kMarkNumberOffset];
  session.sent_numbers.set(message_number);
  waiting.push_back(Waiting{number, message_number, packet, time});
  if (session.saw_handshake && !session.initialised) {
    report(place(number, direction),
           SessionProblem{"before_init",
                          {{"opID", kMarkOpId}},
                          "multiple_operation_message before a successful init_response"});
  }
}

void SessionChecker::State::on_single_operation(std::uint64_t number, Session& session,
                                                SessionDirection direction,
                                                const std::uint8_t* bytes, std::size_t size) {
  const SingleOperationMessage message = decode_single_operation(bytes, size);
  const SessionPlace where = place(number, direction);
  const bool to_injector = direction == SessionDirection::to_injector;
  events.message(where, bytes, size, &message);
  const std::uint16_t op_id = message.opID;
  const SingleOperationRole role = single_operation_role(op_id);
  const std::string name = op_name(op_id);
  if (role == SingleOperationRole::wrong_container) {
    report(where, SessionProblem{"wrong_container",
                                 {{"opID", std::uint64_t{op_id}}},
                                 name + " belongs in a multiple_operation_message"});
  }
  if (role == SingleOperationRole::request && message.result != kNoResult) {
    report(where,
           SessionProblem{"request_result",
                          {{"opID", std::uint64_t{op_id}}, {"result", std::uint64_t{message.result}}},
                          name + " is a request but carries result " +
                              std::to_string(message.result)});
  }
  if (role == SingleOperationRole::response && !is_success(op_id, message.result)) {
    report(where, SessionProblem{"response_result",
                                 {{"opID", std::uint64_t{op_id}},
                                  {"result", std::uint64_t{message.result}},
                                  {"result_name", result_name(message.result)}},
                                 name + " result " + std::to_string(message.result)});
  }
  const bool names_mark =
      !to_injector && !message.data.empty() &&
      (op_id == INJECT_RESPONSE_DATA || op_id == INJECT_COMPLETE_RESPONSE_DATA);
  if (names_mark && !session.sent_numbers.test(message.data[0])) {
    report(where, SessionProblem{"unknown_message_number",
                                 {{"opID", std::uint64_t{op_id}},
                                  {"message_number", std::uint64_t{message.data[0]}}},
                                 name + " names message_number " +
                                     std::to_string(message.data[0]) +
                                     ", which no queue mark on this connection carried"});
  }
  if (to_injector && op_id == ALIVE_REQUEST_DATA && session.saw_handshake &&
      !session.initialised) {
    report(where, SessionProblem{"before_init",
                                 {{"opID", std::uint64_t{op_id}}},
                                 "alive_request_data before a successful init_response"});
  }
  if (to_injector) {
    heard_from_client(session);
    return;
  }
  if (op_id == INIT_RESPONSE_DATA && is_success(op_id, message.result)) {
    session.initialised = true;
  }
  if (names_mark && op_id == INJECT_RESPONSE_DATA) {
    // Answers the oldest queue mark of this connection with that number.
    for (auto it = waiting.begin(); it != waiting.end(); ++it) {
      if (it->connection == number && it->message_number == message.data[0]) {
        waiting.erase(it);
        break;
      }
    }
  }
}

}  // namespace scte_104
