// SPDX-License-Identifier: MIT
#include "session_checks.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include "capture_time.h"
#include "report.h"

namespace scte104 {
namespace {

using scte_104::SingleOperationRole;

// An answer is due within 5 s; the automation system speaks at least once
// a minute (alive_request).
constexpr std::int64_t kAnswerDueNs = 5'000'000'000;
constexpr std::int64_t kSilenceNs = 60'000'000'000;
constexpr std::uint8_t kMarkLeadByte = 0x08;
constexpr std::size_t kMarkNumberOffset = 6;  // message_number of a queue mark
constexpr std::uint64_t kMarkOpId = 0xFFFF;

std::string op_name(std::uint16_t op_id) {
  if (const char* name = scte_104::single_operation_name(op_id)) return name;
  return "opID " + op_id_hex(op_id);
}

std::string bytes_text(std::uint64_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

bool may_answer_by_proxy(std::uint16_t op_id) {
  return op_id == scte_104::INIT_RESPONSE_DATA || op_id == scte_104::INJECT_RESPONSE_DATA ||
         op_id == scte_104::INJECT_COMPLETE_RESPONSE_DATA;
}

bool is_success(std::uint16_t op_id, std::uint16_t result) {
  return result == scte_104::kSuccessfulResponse ||
         (result == scte_104::kProxyResponse && may_answer_by_proxy(op_id));
}

}  // namespace

MultipleOperationLine decode_multiple_operation(const std::uint8_t* bytes, std::size_t size) {
  MultipleOperationLine line;
  line.bytes = bytes;
  line.size = size;
  std::vector<std::uint8_t> mark;
  mark.reserve(size + 1);
  mark.push_back(kMarkLeadByte);
  mark.insert(mark.end(), bytes, bytes + size);
  try {
    line.message = decode_mark(std::move(mark));
  } catch (const std::runtime_error& e) {
    line.error = e.what();
  }
  return line;
}

void SessionChecks::begin_record(std::uint64_t packet, const CaptureTime& time) {
  mPacket = packet;
  mTime = time;
  mHaveRecord = true;
  for (auto it = mWaiting.begin(); it != mWaiting.end();) {
    if (more_than_after(it->time, time, kAnswerDueNs)) {
      report_no_response(*it);
      it = mWaiting.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& [number, session] : mSessions) {
    if (session.silence_reported || !more_than_after(session.last_time, time, kSilenceNs)) {
      continue;
    }
    session.silence_reported = true;
    report(origin(number, session, true), Problem{"as_silent",
                                                  {{"since_packet", session.last_packet}},
                                                  "no message to the injector for more than 60 s"});
  }
}

void SessionChecks::capture_error() {
  LineOrigin where;
  where.packet = mPacket + 1;
  where.time = mHaveRecord ? &mTime : nullptr;
  report(where, Problem{"capture_error", {}, "the capture cannot be read past this point"});
}

void SessionChecks::write_summary(std::uint64_t connections) {
  mWriter.summary(SessionSummary{mPacket, connections, mMessages, mProblems});
}

void SessionChecks::on_connection_start(const capture::ConnectionInfo& connection) {
  Session& session = mSessions[connection.number];
  session.client = capture::to_string(connection.client);
  session.server = capture::to_string(connection.server);
  session.saw_handshake = connection.saw_handshake;
  session.last_packet = mPacket;
  session.last_time = mTime;
}

void SessionChecks::on_bytes(const capture::ConnectionInfo& connection,
                             capture::Direction direction, const std::uint8_t* bytes,
                             std::size_t size, bool segment_start) {
  Session& session = mSessions.at(connection.number);
  const bool to_injector = direction == capture::Direction::to_server;
  scte_104::Framer& framer = session.framers[static_cast<int>(direction)];
  framer.feed(bytes, size, segment_start);
  scte_104::FramerEvent event;
  while (framer.next(event)) {
    if (event.kind == scte_104::FramerEvent::Kind::message) {
      on_message(connection.number, session, to_injector, event.bytes, event.size);
      continue;
    }
    report(origin(connection.number, session, to_injector),
           Problem{"framing_lost",
                   {{"opID", std::uint64_t{event.op_id}},
                    {"messageSize", std::uint64_t{event.message_size}}},
                   "messageSize " + std::to_string(event.message_size) +
                       " is too small: looking for the next message"});
  }
}

void SessionChecks::on_gap(const capture::ConnectionInfo& connection, capture::Direction direction,
                           std::uint64_t bytes) {
  Session& session = mSessions.at(connection.number);
  session.framers[static_cast<int>(direction)].skip_gap();
  report(origin(connection.number, session, direction == capture::Direction::to_server),
         Problem{"gap", {{"bytes", bytes}}, bytes_text(bytes) + " missing in the stream"});
}

void SessionChecks::on_direction_end(const capture::ConnectionInfo& connection,
                                     capture::Direction direction) {
  Session& session = mSessions.at(connection.number);
  const std::size_t leftover = session.framers[static_cast<int>(direction)].finish();
  if (leftover == 0) return;
  report(origin(connection.number, session, direction == capture::Direction::to_server),
         Problem{"leftover",
                 {{"bytes", std::uint64_t{leftover}}},
                 bytes_text(leftover) + (leftover == 1 ? " at the end is" : " at the end are") +
                     " no whole message"});
}

void SessionChecks::on_connection_end(const capture::ConnectionInfo& connection,
                                      bool capture_ended) {
  for (auto it = mWaiting.begin(); it != mWaiting.end();) {
    if (it->connection != connection.number) {
      ++it;
      continue;
    }
    if (!capture_ended) report_no_response(*it);
    it = mWaiting.erase(it);
  }
  mSessions.erase(connection.number);
}

LineOrigin SessionChecks::origin(std::uint64_t number, const Session& session,
                                 bool to_injector) const {
  LineOrigin where;
  where.packet = mPacket;
  where.time = &mTime;
  where.connection = number;
  where.source = to_injector ? &session.client : &session.server;
  where.destination = to_injector ? &session.server : &session.client;
  where.to_injector = to_injector;
  return where;
}

void SessionChecks::report(const LineOrigin& origin, Problem problem) {
  ++mProblems;
  mWriter.problem(origin, problem);
}

void SessionChecks::report_no_response(const Waiting& waiting) {
  const Session& session = mSessions.at(waiting.connection);
  LineOrigin where = origin(waiting.connection, session, true);
  where.packet = waiting.packet;
  where.time = &waiting.time;
  report(where, Problem{"no_inject_response",
                        {{"message_number", std::uint64_t{waiting.message_number}}},
                        "no inject_response for message_number " +
                            std::to_string(waiting.message_number) + " within 5 s"});
}

void SessionChecks::heard_from_client(Session& session) {
  session.last_packet = mPacket;
  session.last_time = mTime;
  session.silence_reported = false;
}

void SessionChecks::on_message(std::uint64_t number, Session& session, bool to_injector,
                               const std::uint8_t* bytes, std::size_t size) {
  ++mMessages;
  const bool multiple = bytes[0] == 0xFF && bytes[1] == 0xFF;
  if (multiple) {
    on_multiple_operation(number, session, to_injector, bytes, size);
  } else {
    on_single_operation(number, session, to_injector, bytes, size);
  }
}

void SessionChecks::on_multiple_operation(std::uint64_t number, Session& session, bool to_injector,
                                          const std::uint8_t* bytes, std::size_t size) {
  const MultipleOperationLine line = decode_multiple_operation(bytes, size);
  mWriter.multiple_operation(origin(number, session, to_injector), line);
  if (!to_injector) return;
  heard_from_client(session);
  const std::uint8_t message_number = bytes[kMarkNumberOffset];
  session.sent_numbers.set(message_number);
  mWaiting.push_back(Waiting{number, message_number, mPacket, mTime});
  if (session.saw_handshake && !session.initialised) {
    report(origin(number, session, true),
           Problem{"before_init",
                   {{"opID", kMarkOpId}},
                   "multiple_operation_message before a successful init_response"});
  }
}

void SessionChecks::on_single_operation(std::uint64_t number, Session& session, bool to_injector,
                                        const std::uint8_t* bytes, std::size_t size) {
  const scte_104::SingleOperationMessage message = scte_104::decode_single_operation(bytes, size);
  const LineOrigin where = origin(number, session, to_injector);
  mWriter.single_operation(where, message);
  const std::uint16_t op_id = message.opID;
  const SingleOperationRole role = scte_104::single_operation_role(op_id);
  const std::string name = op_name(op_id);
  if (role == SingleOperationRole::wrong_container) {
    report(where, Problem{"wrong_container",
                          {{"opID", std::uint64_t{op_id}}},
                          name + " belongs in a multiple_operation_message"});
  }
  if (role == SingleOperationRole::request && message.result != scte_104::kNoResult) {
    report(where,
           Problem{"request_result",
                   {{"opID", std::uint64_t{op_id}}, {"result", std::uint64_t{message.result}}},
                   name + " is a request but carries result " + std::to_string(message.result)});
  }
  if (role == SingleOperationRole::response && !is_success(op_id, message.result)) {
    report(where, Problem{"response_result",
                          {{"opID", std::uint64_t{op_id}},
                           {"result", std::uint64_t{message.result}},
                           {"result_name", scte_104::result_name(message.result)}},
                          name + " result " + std::to_string(message.result)});
  }
  const bool names_mark =
      !to_injector && !message.data.empty() &&
      (op_id == scte_104::INJECT_RESPONSE_DATA || op_id == scte_104::INJECT_COMPLETE_RESPONSE_DATA);
  if (names_mark && !session.sent_numbers.test(message.data[0])) {
    report(where, Problem{"unknown_message_number",
                          {{"opID", std::uint64_t{op_id}},
                           {"message_number", std::uint64_t{message.data[0]}}},
                          name + " names message_number " + std::to_string(message.data[0]) +
                              ", which no queue mark on this connection carried"});
  }
  if (to_injector && op_id == scte_104::ALIVE_REQUEST_DATA && session.saw_handshake &&
      !session.initialised) {
    report(where, Problem{"before_init",
                          {{"opID", std::uint64_t{op_id}}},
                          "alive_request_data before a successful init_response"});
  }
  if (to_injector) {
    heard_from_client(session);
    return;
  }
  if (op_id == scte_104::INIT_RESPONSE_DATA && is_success(op_id, message.result)) {
    session.initialised = true;
  }
  if (names_mark && op_id == scte_104::INJECT_RESPONSE_DATA) {
    // Answers the oldest queue mark of this connection with that number.
    for (auto it = mWaiting.begin(); it != mWaiting.end(); ++it) {
      if (it->connection == number && it->message_number == message.data[0]) {
        mWaiting.erase(it);
        break;
      }
    }
  }
}

}  // namespace scte104
