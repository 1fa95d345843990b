// SPDX-License-Identifier: MIT
// --pcap without --json-lines: one line per message or problem, for people.
//   TIME  #PACKET  SOURCE > DESTINATION  NAME  SUMMARY
//   ! TIME  #PACKET  SOURCE > DESTINATION  PROBLEM  TEXT
//   = TIME  #PACKET  SOURCE > DESTINATION  open|close  TEXT (live connections)
#include <string>
#include <variant>

#include "line_writer.h"
#include "message_summary.h"
#include "scte/operation_data.h"
#include "session_writers.h"

namespace scte104 {
namespace {

std::string opid_text(std::uint16_t op_id) { return "opID_" + op_id_hex(op_id); }

std::string result_text(std::uint16_t result) {
  std::string text = std::to_string(result);
  if (const char* name = scte_104::result_name(result)) text += std::string(" ") + name;
  return text;
}

}  // namespace

void join_part(std::string& text, const std::string& part) {
  if (!text.empty()) text += ", ";
  text += part;
}

std::string short_name(std::uint16_t op_id) {
  const char* name = scte_104::single_operation_name(op_id);
  if (name == nullptr) return opid_text(op_id);
  std::string text = name;
  constexpr std::string_view kSuffix = "_data";
  if (text.size() > kSuffix.size() &&
      text.compare(text.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0) {
    text.resize(text.size() - kSuffix.size());
  }
  return text;
}

std::string single_summary(const scte_104::SingleOperationMessage& message) {
  std::string text;
  if (const auto* response = std::get_if<scte_104::InjectResponse>(&message.fields)) {
    join_part(text, "message_number " + std::to_string(response->message_number));
  } else if (const auto* complete =
                 std::get_if<scte_104::InjectCompleteResponse>(&message.fields)) {
    join_part(text, "message_number " + std::to_string(complete->message_number));
    join_part(text, std::to_string(complete->cue_message_count) +
                   (complete->cue_message_count == 1 ? " section" : " sections"));
  }
  if (message.failed()) join_part(text, message.error);
  if (message.result != scte_104::kNoResult &&
      (text.empty() || message.result != scte_104::kSuccessfulResponse)) {
    join_part(text, result_text(message.result));
  }
  if (text.empty()) text = "message_number " + std::to_string(message.message_number);
  return text;
}

std::string multiple_summary(const scte_104::MultipleOperationMessage* message,
                             const std::string& error) {
  if (message == nullptr) return "refused: " + error;
  std::string text = "message_number " + std::to_string(message->message_number());
  for (const scte_104::Operation& op : message->operations()) {
    const char* name = scte_104::operation_name(op.operation_id());
    join_part(text, name != nullptr ? std::string(name) : opid_text(op.operation_id()));
  }
  return text;
}

namespace {

class TimelineWriter : public SessionWriter {
 public:
  explicit TimelineWriter(Output& out) : mOut(out) {}

  void single_operation(const LineOrigin& origin,
                        const scte_104::SingleOperationMessage& message) override {
    write_capture_line(origin, short_name(message.opID), single_summary(message), mOut);
  }

  void multiple_operation(const LineOrigin& origin, const MultipleOperationLine& message) override {
    write_capture_line(origin, "multiple_operation_message",
                       multiple_summary(message.message.get(), message.error), mOut);
  }

  void problem(const LineOrigin& origin, const Problem& problem) override {
    write_capture_problem(origin, problem, mOut);
  }

  void event(const LineOrigin& origin, const EventLine& event) override {
    mOut.text("= ");
    std::string text;
    if (event.by == nullptr) {
      text = "connection " + std::to_string(origin.connection);
    } else {
      text = std::string("by ") + event.by + ", " + event.how;
      if (event.reason != nullptr) text += std::string(", ") + event.reason;
    }
    write_capture_line(origin, event.event, text, mOut);
  }

  void summary(const SessionSummary& summary) override { write_timeline_summary(summary, mOut); }

 private:
  Output& mOut;
};

}  // namespace

std::unique_ptr<SessionWriter> make_timeline_writer(Output& out) {
  return std::make_unique<TimelineWriter>(out);
}

}  // namespace scte104
