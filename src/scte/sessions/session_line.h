// SPDX-License-Identifier: MIT
// One line of a session report: a message or a problem, where and when it
// happened. The checks make them, the JSON Lines and the timeline write them.
#ifndef SCTE104_SESSION_LINE_H
#define SCTE104_SESSION_LINE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "scte/scte_104.h"
#include "scte/session.h"
#include "scte/single_operation.h"

namespace scte104 {

// "0x0101": an opID as the texts show it, four uppercase hex digits.
inline std::string op_id_hex(std::uint16_t op_id) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) {
    text += digits[static_cast<unsigned>(op_id >> shift) & 0xFu];
  }
  return text;
}

using CaptureTime = scte_104::SessionTime;

// The head of every line of a capture mode: the record, its time and the
// two ends.
struct CaptureOrigin {
  std::uint64_t packet = 0;
  const CaptureTime* time = nullptr;  // null: no record read yet
  // Null for capture_error, which has neither.
  const std::string* source = nullptr;
  const std::string* destination = nullptr;
};

// The head of every session line.
struct LineOrigin : CaptureOrigin {
  std::uint64_t connection = 0;  // 0 for capture_error
  bool to_injector = false;
};

// A queue mark as the --json path sees it: decoded, or refused with a text.
struct MultipleOperationLine {
  const std::uint8_t* bytes = nullptr;
  std::size_t size = 0;
  std::unique_ptr<scte_104::MultipleOperationMessage> message;
  std::string error;
};

using ProblemMember = scte_104::ProblemMember;
using Problem = scte_104::SessionProblem;

// Decodes messageSize bytes of a multiple_operation_message() as --json
// does, behind the lead byte; a refusal keeps its text.
MultipleOperationLine decode_multiple_operation(const std::uint8_t* bytes, std::size_t size);

// An event of a live connection: `open`, or `close` with who ended it, how
// and why (reason null: the other end closed first).
struct EventLine {
  const char* event = "";
  const char* by = nullptr;
  const char* how = nullptr;
  const char* reason = nullptr;
};

struct SessionSummary {
  std::uint64_t packets = 0;
  std::uint64_t connections = 0;
  std::uint64_t messages = 0;
  std::uint64_t problems = 0;

  // visit(JSON key, timeline label, value), in the order both show them.
  template <typename Visit>
  void for_each_field(Visit&& visit) const {
    visit("packets", "packets", packets);
    visit("connections", "connections", connections);
    visit("messages", "messages", messages);
    visit("problems", "problems", problems);
  }
};

// Where the lines go.
class SessionWriter {
 public:
  virtual ~SessionWriter() = default;
  virtual void single_operation(const LineOrigin& origin,
                                const scte_104::SingleOperationMessage& message) = 0;
  virtual void multiple_operation(const LineOrigin& origin,
                                  const MultipleOperationLine& message) = 0;
  virtual void problem(const LineOrigin& origin, const Problem& problem) = 0;
  virtual void event(const LineOrigin& origin, const EventLine& event) = 0;
  virtual void summary(const SessionSummary& summary) = 0;
};

}  // namespace scte104

#endif  // SCTE104_SESSION_LINE_H
