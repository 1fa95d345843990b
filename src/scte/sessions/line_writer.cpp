// SPDX-License-Identifier: MIT
#include "line_writer.h"

#include <variant>

#include "capture_time.h"
#include "report.h"
#include "session_writers.h"

namespace scte104 {

void write_capture_members(std::uint64_t packet, const CaptureTime* time, JsonWriter& json) {
  json.key("packet");
  json.number(packet);
  json.key("time");
  if (time != nullptr) {
    json.string(format_capture_time(*time));
  } else {
    json.null();
  }
}

void write_kind_member(bool single, JsonWriter& json) {
  json.key("kind");
  json.string(single ? "single_operation_message" : "multiple_operation_message");
}

void write_message_member(const scte_104::SingleOperationMessage* single,
                          const scte_104::MultipleOperationMessage* multiple,
                          const std::string& error, const scte_104::Scte35Settings& scte35,
                          JsonWriter& json) {
  if (single != nullptr) {
    json.key("message");
    write_single_operation_json(*single, json);
  } else if (multiple != nullptr) {
    json.key("message");
    json.begin_object();
    write_json_report_members(*multiple, scte35, json);
    json.end_object();
  } else {
    json.key("error");
    json.string(error);
  }
}

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

void write_capture_head(const CaptureTime* time, std::uint64_t packet, const std::string* source,
                        const std::string* destination, Output& out) {
  out.text(time != nullptr ? format_capture_time(*time) : "-");
  out.text("  #");
  out.decimal(packet);
  out.text("  ");
  if (source == nullptr) {
    out.text("-");
  } else {
    out.text(*source);
    out.text(" > ");
    out.text(*destination);
  }
}

void write_name_and_text(std::string_view name, std::string_view text, Output& out) {
  out.text("  ");
  out.text(name);
  out.text("  ");
  out.text(text);
  out.text("\n");
}

}  // namespace scte104
