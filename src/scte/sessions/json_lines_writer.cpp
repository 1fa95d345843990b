// SPDX-License-Identifier: MIT
// --pcap --json-lines: one compact JSON object per message or problem.
#include "line_writer.h"
#include "session_writers.h"

namespace scte104 {
namespace {

class JsonLinesWriter : public SessionWriter {
 public:
  JsonLinesWriter(Output& out, const scte_104::Scte35Settings& scte35)
      : mOut(out), mScte35(scte35) {}

  void single_operation(const LineOrigin& origin,
                        const scte_104::SingleOperationMessage& message) override {
    JsonLine line = begin(origin);
    write_kind_member(true, line.json);
    write_message_member(&message, nullptr, {}, mScte35, line.json);
    line.end();
  }

  void multiple_operation(const LineOrigin& origin, const MultipleOperationLine& message) override {
    JsonLine line = begin(origin);
    write_kind_member(false, line.json);
    write_message_member(nullptr, message.message.get(), message.error, mScte35, line.json);
    line.end();
  }

  void problem(const LineOrigin& origin, const Problem& problem) override {
    JsonLine line = begin(origin);
    write_problem_members(problem, line.json);
    line.end();
  }

  void event(const LineOrigin& origin, const EventLine& event) override {
    JsonLine line = begin(origin);
    MemberWriter members(line.json);
    members("event", event.event);
    if (event.by != nullptr) {
      members("by", event.by);
      members("how", event.how);
      line.json.key("reason");
      if (event.reason != nullptr) {
        line.json.string(event.reason);
      } else {
        line.json.null();
      }
    }
    line.end();
  }

  void summary(const SessionSummary& summary) override { write_json_summary(summary, mOut); }

 private:
  // The head: packet and time, then the connection, its ends and the
  // direction (none for capture_error).
  JsonLine begin(const LineOrigin& origin) {
    JsonLine line(mOut);
    write_capture_members(origin, line.json);
    if (origin.connection == 0) return line;
    MemberWriter members(line.json);
    members("connection", origin.connection);
    members("source", *origin.source);
    members("destination", *origin.destination);
    members("direction", origin.to_injector ? "to_injector" : "from_injector");
    return line;
  }

  Output& mOut;
  const scte_104::Scte35Settings& mScte35;
};

}  // namespace

std::unique_ptr<SessionWriter> make_json_lines_writer(Output& out,
                                                      const scte_104::Scte35Settings& scte35) {
  return std::make_unique<JsonLinesWriter>(out, scte35);
}

}  // namespace scte104
