// SPDX-License-Identifier: MIT
#include "line_writer.h"

#include <variant>

#include "capture_time.h"
#include "report.h"
#include "session_writers.h"

namespace scte104 {

void write_capture_members(const CaptureOrigin& origin, JsonWriter& json) {
  json.key("packet");
  json.number(origin.packet);
  json.key("time");
  if (origin.time != nullptr) {
    json.string(format_capture_time(*origin.time));
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

void write_capture_line(const CaptureOrigin& origin, std::string_view name, std::string_view text,
                        Output& out) {
  out.text(origin.time != nullptr ? format_capture_time(*origin.time) : "-");
  out.text("  #");
  out.decimal(origin.packet);
  out.text("  ");
  if (origin.source == nullptr) {
    out.text("-");
  } else {
    out.text(*origin.source);
    out.text(" > ");
    out.text(*origin.destination);
  }
  write_name_and_text(name, text, out);
}

void write_capture_problem(const CaptureOrigin& origin, const Problem& problem, Output& out) {
  out.text("! ");
  write_capture_line(origin, problem.name, problem.text, out);
}

void write_name_and_text(std::string_view name, std::string_view text, Output& out) {
  out.text("  ");
  out.text(name);
  out.text("  ");
  out.text(text);
  out.text("\n");
}

}  // namespace scte104
