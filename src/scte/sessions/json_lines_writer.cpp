// SPDX-License-Identifier: MIT
// --pcap --json-lines: one compact JSON object per message or problem.
#include "capture_time.h"
#include "report.h"
#include "session_writers.h"

namespace scte104 {
namespace {

class JsonLinesWriter : public SessionWriter {
 public:
  JsonLinesWriter(Output& out, const scte_104::Scte35Settings& scte35)
      : mOut(out), mScte35(scte35) {}

  void single_operation(const LineOrigin& origin,
                        const scte_104::SingleOperationMessage& message) override {
    JsonWriter json(mOut, JsonStyle::compact);
    begin(origin, json);
    json.key("kind");
    json.string("single_operation_message");
    json.key("message");
    write_single_operation_json(message, json);
    end(json);
  }

  void multiple_operation(const LineOrigin& origin, const MultipleOperationLine& line) override {
    JsonWriter json(mOut, JsonStyle::compact);
    begin(origin, json);
    json.key("kind");
    json.string("multiple_operation_message");
    if (line.message) {
      json.key("message");
      json.begin_object();
      write_json_report_members(*line.message, mScte35, json);
      json.end_object();
    } else {
      json.key("error");
      json.string(line.error);
    }
    end(json);
  }

  void problem(const LineOrigin& origin, const Problem& problem) override {
    JsonWriter json(mOut, JsonStyle::compact);
    begin(origin, json);
    write_problem_members(problem, json);
    end(json);
  }

  void event(const LineOrigin& origin, const EventLine& event) override {
    JsonWriter json(mOut, JsonStyle::compact);
    begin(origin, json);
    json.key("event");
    json.string(event.event);
    if (event.by != nullptr) {
      json.key("by");
      json.string(event.by);
      json.key("how");
      json.string(event.how);
      json.key("reason");
      if (event.reason != nullptr) {
        json.string(event.reason);
      } else {
        json.null();
      }
    }
    end(json);
  }

  void summary(const SessionSummary& summary) override {
    mOut.text("{\"summary\": {\"packets\": ");
    mOut.decimal(summary.packets);
    mOut.text(", \"connections\": ");
    mOut.decimal(summary.connections);
    mOut.text(", \"messages\": ");
    mOut.decimal(summary.messages);
    mOut.text(", \"problems\": ");
    mOut.decimal(summary.problems);
    mOut.text("}}\n");
  }

 private:
  void begin(const LineOrigin& origin, JsonWriter& json) {
    json.begin_object();
    json.key("packet");
    json.number(origin.packet);
    json.key("time");
    if (origin.time != nullptr) {
      json.string(format_capture_time(*origin.time));
    } else {
      json.null();
    }
    if (origin.connection == 0) return;
    json.key("connection");
    json.number(origin.connection);
    json.key("source");
    json.string(*origin.source);
    json.key("destination");
    json.string(*origin.destination);
    json.key("direction");
    json.string(origin.to_injector ? "to_injector" : "from_injector");
  }

  void end(JsonWriter& json) {
    json.end_object();
    mOut.text("\n");
  }

  Output& mOut;
  const scte_104::Scte35Settings& mScte35;
};

}  // namespace

void write_problem_members(const Problem& problem, JsonWriter& json) {
  json.key("problem");
  json.string(problem.name);
  for (const ProblemMember& member : problem.members) {
    json.key(member.key);
    if (const auto* number = std::get_if<std::uint64_t>(&member.value)) {
      json.number(*number);
    } else if (const char* name = std::get<const char*>(member.value)) {
      json.string(name);
    } else {
      json.null();
    }
  }
  json.key("text");
  json.string(problem.text);
}

std::unique_ptr<SessionWriter> make_json_lines_writer(Output& out,
                                                      const scte_104::Scte35Settings& scte35) {
  return std::make_unique<JsonLinesWriter>(out, scte35);
}

}  // namespace scte104
