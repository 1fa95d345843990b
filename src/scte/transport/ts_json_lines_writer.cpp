// SPDX-License-Identifier: MIT
// --ts --json-lines: one compact JSON object per message, section, pairing
// or problem, then the summary.
#include "object_writer.h"
#include "report.h"
#include "session_writers.h"
#include "ts_lines.h"

namespace scte104 {
namespace {

class TsJsonLinesWriter : public TsWriter {
 public:
  explicit TsJsonLinesWriter(Output& out) : mOut(out) {}

  void message(const TsOrigin& origin, const TsMessageLine& line) override {
    JsonWriter json(mOut, JsonStyle::compact);
    begin(origin, json);
    json.key("pts");
    optional_number(line.pts, json);
    json.key("anc");
    json.begin_object();
    member(json, "line_number", line.anc.line_number);
    member(json, "c_not_y_channel_flag", line.anc.c_not_y_channel_flag);
    member(json, "horizontal_offset", line.anc.horizontal_offset);
    member(json, "payload_descriptor", line.anc.payload_descriptor);
    member(json, "fragments", line.anc.fragments);
    json.end_object();
    json.key("kind");
    json.string(line.single != nullptr ? "single_operation_message"
                                       : "multiple_operation_message");
    json.key("mark");
    optional_number(line.mark, json);
    if (line.single != nullptr) {
      json.key("message");
      write_single_operation_json(*line.single, json);
    } else if (line.message != nullptr) {
      json.key("message");
      json.begin_object();
      write_json_report_members(*line.message, line.settings, json);
      json.end_object();
    } else {
      json.key("error");
      json.string(line.error);
    }
    end(json);
  }

  void section(const TsOrigin& origin, std::uint64_t number,
               const SectionObject& section) override {
    JsonWriter json(mOut, JsonStyle::compact);
    begin(origin, json);
    json.key("kind");
    json.string("splice_info_section");
    member(json, "section", number);
    json.key("scte35");
    write_object(section, json, mOut);
    end(json);
  }

  void pairing(const TsOrigin& origin, const TsPairingLine& line) override {
    JsonWriter json(mOut, JsonStyle::compact);
    begin(origin, json);
    json.key("kind");
    json.string("pairing");
    member(json, "section", line.section);
    member(json, "mark", line.mark);
    member(json, "expected", line.expected);
    member(json, "copy", line.copy);
    json.key("faults");
    write_object(line.differences->faults, json, mOut);
    json.key("allowed");
    write_object(line.differences->allowed, json, mOut);
    end(json);
  }

  void problem(const TsOrigin& origin, const Problem& problem) override {
    JsonWriter json(mOut, JsonStyle::compact);
    begin(origin, json);
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
    end(json);
  }

  void summary(const TsSummary& summary) override {
    mOut.text("{\"summary\": {\"packets\": ");
    mOut.decimal(summary.packets);
    mOut.text(", \"messages\": ");
    mOut.decimal(summary.messages);
    mOut.text(", \"marks\": ");
    mOut.decimal(summary.marks);
    mOut.text(", \"sections\": ");
    mOut.decimal(summary.sections);
    mOut.text(", \"pairings\": ");
    mOut.decimal(summary.pairings);
    mOut.text(", \"problems\": ");
    mOut.decimal(summary.problems);
    mOut.text("}}\n");
  }

 private:
  static void member(JsonWriter& json, const char* name, std::uint64_t value) {
    json.key(name);
    json.number(value);
  }

  static void optional_number(const std::optional<std::uint64_t>& value, JsonWriter& json) {
    if (value) {
      json.number(*value);
    } else {
      json.null();
    }
  }

  void begin(const TsOrigin& origin, JsonWriter& json) {
    json.begin_object();
    member(json, "packet", origin.packet);
    json.key("pid");
    if (origin.pid >= 0) {
      json.number(static_cast<std::uint64_t>(origin.pid));
    } else {
      json.null();
    }
  }

  void end(JsonWriter& json) {
    json.end_object();
    mOut.text("\n");
  }

  Output& mOut;
};

}  // namespace

std::unique_ptr<TsWriter> make_ts_json_lines_writer(Output& out) {
  return std::make_unique<TsJsonLinesWriter>(out);
}

}  // namespace scte104
