// SPDX-License-Identifier: MIT
// --pcap without --json-lines: one line per message or problem, for people.
//   TIME  #PACKET  SOURCE > DESTINATION  NAME  SUMMARY
//   ! TIME  #PACKET  SOURCE > DESTINATION  PROBLEM  TEXT
//   = TIME  #PACKET  SOURCE > DESTINATION  open|close  TEXT (live connections)
#include <string>
#include <variant>

#include "capture_time.h"
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

void join(std::string& text, const std::string& part) {
  if (!text.empty()) text += ", ";
  text += part;
}

}  // namespace

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
    join(text, "message_number " + std::to_string(response->message_number));
  } else if (const auto* complete =
                 std::get_if<scte_104::InjectCompleteResponse>(&message.fields)) {
    join(text, "message_number " + std::to_string(complete->message_number));
    join(text, std::to_string(complete->cue_message_count) +
                   (complete->cue_message_count == 1 ? " section" : " sections"));
  }
  if (message.failed()) join(text, message.error);
  if (message.result != scte_104::kNoResult &&
      (text.empty() || message.result != scte_104::kSuccessfulResponse)) {
    join(text, result_text(message.result));
  }
  if (text.empty()) text = "message_number " + std::to_string(message.message_number);
  return text;
}

std::string multiple_summary(const MultipleOperationLine& line) {
  if (!line.message) return "refused: " + line.error;
  std::string text = "message_number " + std::to_string(line.message->message_number());
  for (const scte_104::Operation& op : line.message->operations()) {
    const char* name = scte_104::operation_name(op.operation_id());
    join(text, name != nullptr ? std::string(name) : opid_text(op.operation_id()));
  }
  return text;
}

namespace {

class TimelineWriter : public SessionWriter {
 public:
  explicit TimelineWriter(Output& out) : mOut(out) {}

  void single_operation(const LineOrigin& origin,
                        const scte_104::SingleOperationMessage& message) override {
    line(origin, short_name(message.opID), single_summary(message));
  }

  void multiple_operation(const LineOrigin& origin, const MultipleOperationLine& message) override {
    line(origin, "multiple_operation_message", multiple_summary(message));
  }

  void problem(const LineOrigin& origin, const Problem& problem) override {
    mOut.text("! ");
    line(origin, problem.name, problem.text);
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
    line(origin, event.event, text);
  }

  void summary(const SessionSummary& summary) override {
    mOut.text("summary: ");
    mOut.decimal(summary.packets);
    mOut.text(" packets, ");
    mOut.decimal(summary.connections);
    mOut.text(" connections, ");
    mOut.decimal(summary.messages);
    mOut.text(" messages, ");
    mOut.decimal(summary.problems);
    mOut.text(" problems\n");
  }

 private:
  void line(const LineOrigin& origin, std::string_view name, std::string_view text) {
    mOut.text(origin.time != nullptr ? format_capture_time(*origin.time) : "-");
    mOut.text("  #");
    mOut.decimal(origin.packet);
    mOut.text("  ");
    if (origin.connection == 0) {
      mOut.text("-");
    } else {
      mOut.text(*origin.source);
      mOut.text(" > ");
      mOut.text(*origin.destination);
    }
    mOut.text("  ");
    mOut.text(name);
    mOut.text("  ");
    mOut.text(text);
    mOut.text("\n");
  }

  Output& mOut;
};

}  // namespace

std::unique_ptr<SessionWriter> make_timeline_writer(Output& out) {
  return std::make_unique<TimelineWriter>(out);
}

}  // namespace scte104
