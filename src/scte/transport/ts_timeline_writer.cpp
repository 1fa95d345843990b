// SPDX-License-Identifier: MIT
// --ts without --json-lines: one line per message, section, pairing or
// problem, for people.
//   #PACKET  PID  NAME  SUMMARY
//   ! #PACKET  PID  PROBLEM  TEXT
#include <string>

#include "line_writer.h"
#include "message_summary.h"
#include "ts_lines.h"

namespace scte104 {
namespace {

std::string pts_text(const std::optional<std::uint64_t>& pts) {
  return pts ? "pts " + std::to_string(*pts) : "no pts";
}

std::string message_summary(const TsMessageLine& line) {
  std::string text;
  if (line.mark) join_part(text, "mark " + std::to_string(*line.mark));
  if (line.single != nullptr) {
    join_part(text, "message_number " + std::to_string(line.single->message_number));
    if (line.single->result != scte_104::kNoResult) {
      join_part(text, "result " + std::to_string(line.single->result));
    }
  } else {
    join_part(text, multiple_summary(line.message, line.error));
  }
  if (line.single == nullptr && !line.mark) join_part(text, "duplicate");
  join_part(text, pts_text(line.pts));
  join_part(text, "line " + std::to_string(line.anc.line_number));
  if (line.anc.fragments > 1) join_part(text, std::to_string(line.anc.fragments) + " fragments");
  return text;
}

std::string command_name(std::uint64_t type) {
  switch (type) {
    case 0x00:
      return "splice_null";
    case 0x05:
      return "splice_insert";
    case 0x06:
      return "time_signal";
    default:
      return "splice_command_type " + std::to_string(type);
  }
}

std::string section_summary(const SectionObject& section) {
  const SectionKey key = section_key(section);
  std::string text = command_name(key.type);
  if (key.has_id) {
    join_part(text, std::string(key.type == 0x05 ? "splice_event_id " : "segmentation_event_id ") +
                   std::to_string(key.id));
  }
  const auto command = section.find("splice_command");
  if (command != section.end() && command->is_object()) {
    const auto time = command->find("splice_time");
    if (time != command->end() && time->contains("pts_time")) {
      join_part(text, "pts_time " + (*time)["pts_time"].dump());
    }
  }
  return text;
}

std::string fields_of(const SectionObject& entries) {
  std::string text;
  for (const auto& entry : entries) {
    if (!text.empty()) text += " ";
    text += entry["field"].get<std::string>();
  }
  return text;
}

std::string pairing_summary(const TsPairingLine& line) {
  std::string text = "section " + std::to_string(line.section) + " answers mark " +
                     std::to_string(line.mark) + " expected " + std::to_string(line.expected);
  if (line.copy > 0) text += " (copy " + std::to_string(line.copy) + ")";
  const SectionObject& faults = line.differences->faults;
  const SectionObject& allowed = line.differences->allowed;
  text += faults.empty() ? ": no faults" : ": faults " + fields_of(faults);
  if (!allowed.empty()) text += "; allowed " + fields_of(allowed);
  return text;
}

class TsTimelineWriter : public TsWriter {
 public:
  explicit TsTimelineWriter(Output& out) : mOut(out) {}

  void message(const TsOrigin& origin, const TsMessageLine& line) override {
    write(origin, line.single != nullptr ? short_name(line.single->opID)
                                         : "multiple_operation_message",
          message_summary(line));
  }

  void section(const TsOrigin& origin, std::uint64_t number,
               const SectionObject& section) override {
    write(origin, "splice_info_section",
          "section " + std::to_string(number) + ", " + section_summary(section));
  }

  void pairing(const TsOrigin& origin, const TsPairingLine& line) override {
    write(origin, "pairing", pairing_summary(line));
  }

  void problem(const TsOrigin& origin, const Problem& problem) override {
    mOut.text("! ");
    write(origin, problem.name, problem.text);
  }

  void summary(const TsSummary& summary) override { write_timeline_summary(summary, mOut); }

 private:
  // "#PACKET  PID", then name and text.
  void write(const TsOrigin& origin, std::string_view name, std::string_view text) {
    mOut.text("#");
    mOut.decimal(origin.packet);
    mOut.text("  ");
    if (origin.pid >= 0) {
      mOut.decimal(static_cast<std::uint64_t>(origin.pid));
    } else {
      mOut.text("-");
    }
    write_name_and_text(name, text, mOut);
  }

  Output& mOut;
};

}  // namespace

std::unique_ptr<TsWriter> make_ts_timeline_writer(Output& out) {
  return std::make_unique<TsTimelineWriter>(out);
}

}  // namespace scte104
