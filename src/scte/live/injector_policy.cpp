// SPDX-License-Identifier: MIT
#include "injector_policy.h"

#include "scte/single_operation.h"
#include "session_line.h"

namespace scte104 {
namespace {

constexpr std::uint16_t kMarkOpId = 0xFFFF;
constexpr std::uint16_t kNoExtension = 0xFFFF;
constexpr std::uint16_t kInjectorInUse = 110;
constexpr std::uint16_t kInvalidMessageSize = 114;
constexpr std::uint16_t kInvalidSyntax = 115;
constexpr std::uint16_t kTimeTypeNotSupported = 123;
constexpr std::uint16_t kUnknownOpId = 125;
constexpr std::uint8_t kLastTimeType = 3;
constexpr std::size_t kTimeTypeOffset = 10;
constexpr std::size_t kMessageNumberOffset = 10;  // of a single_operation_message
constexpr std::size_t kHeaderSize = 13;
constexpr std::size_t kTimeSize = 8;
constexpr std::uint8_t kMaxCueCount = 255;
// time() counts from the GPS epoch, 1980-01-06T00:00:00Z.
constexpr std::int64_t kGpsEpochUnix = 315'964'800;

std::uint16_t read16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] << 8u | bytes[1]);
}

void put16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

void put32(std::uint8_t* at, std::uint32_t value) {
  put16(at, static_cast<std::uint16_t>(value >> 16));
  put16(at + 2, static_cast<std::uint16_t>(value));
}

bool accepted(std::uint16_t result) {
  return result == scte_104::kSuccessfulResponse || result == scte_104::kProxyResponse;
}

RequestKind request_kind(std::uint16_t op_id) {
  switch (op_id) {
    case kMarkOpId:
      return RequestKind::mark;
    case scte_104::INIT_REQUEST_DATA:
      return RequestKind::init;
    case scte_104::ALIVE_REQUEST_DATA:
      return RequestKind::alive;
    default:
      return RequestKind::other;
  }
}

// The result of a decoded mark and, when `count` is set, the number of
// sections it becomes (the translation is only made for an
// inject_complete_response).
std::uint16_t judge_mark(const MultipleOperationLine& mark, std::uint16_t result,
                         const scte_104::Scte35Settings& scte35, bool count,
                         std::uint8_t& sections) {
  sections = 0;
  if (!mark.message) {
    return mark.bytes[kTimeTypeOffset] > kLastTimeType ? kTimeTypeNotSupported : kInvalidSyntax;
  }
  if (count) {
    const std::size_t made = scte_104::scte35::translate(*mark.message, scte35).sections.size();
    sections = static_cast<std::uint8_t>(made < kMaxCueCount ? made : kMaxCueCount);
  }
  return result;
}

}  // namespace

Answer InjectorPolicy::answer(std::int64_t due_ns, std::uint16_t op_id, std::uint16_t result,
                              std::uint16_t result_extension, std::uint8_t as_index,
                              std::uint8_t message_number, std::uint16_t dpi_pid_index) {
  Answer a;
  a.due_ns = due_ns;
  a.order = mOrder++;
  a.size = kHeaderSize;
  std::uint8_t* b = a.bytes.data();
  put16(b, op_id);
  put16(b + 2, kHeaderSize);
  put16(b + 4, result);
  put16(b + 6, result_extension);
  // b[8], protocol_version, stays 0.
  b[9] = as_index;
  b[10] = message_number;
  put16(b + 11, dpi_pid_index);
  return a;
}

Decision InjectorPolicy::on_message(InjectorConnection& connection, const std::uint8_t* bytes,
                                    std::size_t size, std::int64_t now_ns,
                                    const MultipleOperationLine* decoded) {
  Decision decision;
  const std::uint16_t op_id = read16(bytes);
  const bool mark = op_id == kMarkOpId;
  if (mark) ++connection.marks;
  RuleSubject subject;
  subject.request = request_kind(op_id);
  subject.bytes = bytes;
  subject.size = size;
  subject.mark = mark ? connection.marks : 0;
  subject.connection = connection.number;
  const FaultRule* rule = match_fault_rule(mSettings.rules, subject);
  if (rule != nullptr && rule->close) {
    decision.close = true;
    return decision;
  }
  if (rule != nullptr && rule->drop) return decision;
  const std::int64_t due =
      now_ns + (rule != nullptr && rule->delay_ms ? static_cast<std::int64_t>(*rule->delay_ms) * 1'000'000
                                                  : mSettings.delay_ns);
  const std::uint16_t extension =
      rule != nullptr && rule->result_extension ? *rule->result_extension : kNoExtension;
  const auto result_or = [rule](std::uint16_t result) {
    return rule != nullptr && rule->result ? *rule->result : result;
  };

  if (mark) {
    // -1: no inject_complete_response.
    std::int64_t complete = mSettings.complete_ns ? *mSettings.complete_ns : -1;
    if (rule != nullptr && rule->complete_given) {
      complete = rule->complete_ms ? static_cast<std::int64_t>(*rule->complete_ms) * 1'000'000 : -1;
    }
    MultipleOperationLine decoded_here;
    if (decoded == nullptr) {
      decoded_here = decode_multiple_operation(bytes, size);
      decoded = &decoded_here;
    }
    std::uint8_t sections = 0;
    const std::uint16_t judged =
        judge_mark(*decoded, mSettings.result, mSettings.scte35, complete >= 0, sections);
    const std::uint16_t result = result_or(judged);
    // AS_index at byte 5, message_number at 6, DPI_PID_index at 7-8.
    Answer response = answer(due, scte_104::INJECT_RESPONSE_DATA, result, extension, bytes[5], 0,
                             read16(bytes + 7));
    response.counted = true;
    response.bytes[13] = bytes[6];
    response.size = 14;
    put16(response.bytes.data() + 2, 14);
    decision.answers.push_back(response);
    if (accepted(result) && complete >= 0) {
      const std::uint16_t complete_result =
          rule != nullptr && rule->complete_result ? *rule->complete_result
                                                   : scte_104::kSuccessfulResponse;
      Answer done = answer(due + complete, scte_104::INJECT_COMPLETE_RESPONSE_DATA,
                           complete_result, extension, bytes[5], 0, read16(bytes + 7));
      done.counted = true;
      done.bytes[13] = bytes[6];
      done.bytes[14] = sections;
      done.size = 15;
      put16(done.bytes.data() + 2, 15);
      decision.answers.push_back(done);
    }
    return decision;
  }

  // A single_operation_message: AS_index at byte 9, message_number at 10,
  // DPI_PID_index at 11-12.
  const std::uint8_t as_index = bytes[9];
  const std::uint8_t number = bytes[kMessageNumberOffset];
  const std::uint16_t dpi = read16(bytes + 11);
  const scte_104::SingleOperationRole role = scte_104::single_operation_role(op_id);
  if (op_id == scte_104::INIT_REQUEST_DATA) {
    const bool in_use = mSettings.exclusive && mReady > (connection.ready ? 1u : 0u);
    decision.answers.push_back(answer(due, scte_104::INIT_RESPONSE_DATA,
                                      result_or(in_use ? kInjectorInUse : scte_104::kSuccessfulResponse),
                                      extension, as_index, number, dpi));
  } else if (op_id == scte_104::ALIVE_REQUEST_DATA) {
    Answer alive = answer(due, scte_104::ALIVE_RESPONSE_DATA,
                          result_or(scte_104::kSuccessfulResponse), extension, as_index, number, dpi);
    if (size >= kHeaderSize + kTimeSize) {
      alive.timed = true;
      alive.size = kHeaderSize + kTimeSize;
      put16(alive.bytes.data() + 2, alive.size);
    }
    decision.answers.push_back(alive);
  } else if (role != scte_104::SingleOperationRole::response) {
    // Another request, legacy, reserved, user defined or wrong container.
    decision.answers.push_back(answer(due, scte_104::GENERAL_RESPONSE_DATA, result_or(kUnknownOpId),
                                      rule != nullptr && rule->result_extension ? extension : op_id,
                                      as_index, number, dpi));
  }
  return decision;
}

Answer InjectorPolicy::bad_size(std::uint16_t op_id, std::int64_t now_ns) {
  return answer(now_ns, scte_104::GENERAL_RESPONSE_DATA, kInvalidMessageSize, op_id, 0, 0, 0);
}

void InjectorPolicy::make_answer(InjectorConnection& connection, Answer& answer,
                                 const scte_104::SessionTime& wall) {
  ++connection.written;
  if (answer.counted) answer.bytes[10] = connection.written;
  if (answer.timed) {
    const auto seconds = static_cast<std::uint32_t>(wall.seconds - kGpsEpochUnix + mSettings.leap_seconds);
    put32(answer.bytes.data() + 13, seconds);
    put32(answer.bytes.data() + 17, wall.nanoseconds / 1000);
  }
  const std::uint16_t op_id = read16(answer.bytes.data());
  if (op_id == scte_104::INIT_RESPONSE_DATA && !connection.ready && accepted(read16(answer.bytes.data() + 4))) {
    connection.ready = true;
    ++mReady;
  }
}

void InjectorPolicy::closed(InjectorConnection& connection) {
  if (connection.ready) --mReady;
  connection.ready = false;
}

}  // namespace scte104
