// SPDX-License-Identifier: MIT
// --ts without --json-lines: one line per message, section, pairing or
// problem, for people.
//   #PACKET  PID  NAME  SUMMARY
//   ! #PACKET  PID  PROBLEM  TEXT
#include <string>

#include "scte/operation_data.h"
#include "ts_lines.h"

namespace scte104 {
namespace {

void join(std::string& text, const std::string& part) {
  if (!text.empty()) text += ", ";
  text += part;
}

// The name without its "_data" suffix, or opID_0xHHHH.
std::string single_name(std::uint16_t op_id) {
  const char* name = scte_104::single_operation_name(op_id);
  if (name == nullptr) return "opID_" + op_id_hex(op_id);
  std::string text = name;
  constexpr std::string_view kSuffix = "_data";
  if (text.size() > kSuffix.size() &&
      text.compare(text.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0) {
    text.resize(text.size() - kSuffix.size());
  }
  return text;
}

std::string pts_text(const std::optional<std::uint64_t>& pts) {
  return pts ? "pts " + std::to_string(*pts) : "no pts";
}

std::string message_summary(const TsMessageLine& line) {
  std::string text;
  if (line.mark) join(text, "mark " + std::to_string(*line.mark));
  if (line.single != nullptr) {
    join(text, "message_number " + std::to_string(line.single->message_number));
    if (line.single->result != scte_104::kNoResult) {
      join(text, "result " + std::to_string(line.single->result));
    }
  } else if (line.message != nullptr) {
    join(text, "message_number " + std::to_string(line.message->message_number()));
    for (const scte_104::Operation& op : line.message->operations()) {
      const char* name = scte_104::operation_name(op.operation_id());
      join(text, name != nullptr ? std::string(name) : "opID_" + op_id_hex(op.operation_id()));
    }
  } else {
    join(text, "refused: " + line.error);
  }
  if (line.single == nullptr && !line.mark) join(text, "duplicate");
  join(text, pts_text(line.pts));
  join(text, "line " + std::to_string(line.anc.line_number));
  if (line.anc.fragments > 1) join(text, std::to_string(line.anc.fragments) + " fragments");
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
    join(text, std::string(key.type == 0x05 ? "splice_event_id " : "segmentation_event_id ") +
                   std::to_string(key.id));
  }
  const auto command = section.find("splice_command");
  if (command != section.end() && command->is_object()) {
    const auto time = command->find("splice_time");
    if (time != command->end() && time->contains("pts_time")) {
      join(text, "pts_time " + (*time)["pts_time"].dump());
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
    write(origin, line.single != nullptr ? single_name(line.single->opID)
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

  void summary(const TsSummary& summary) override {
    mOut.text("summary: ");
    mOut.decimal(summary.packets);
    mOut.text(" packets, ");
    mOut.decimal(summary.messages);
    mOut.text(" messages, ");
    mOut.decimal(summary.marks);
    mOut.text(" marks, ");
    mOut.decimal(summary.sections);
    mOut.text(" sections, ");
    mOut.decimal(summary.pairings);
    mOut.text(" pairings, ");
    mOut.decimal(summary.problems);
    mOut.text(" problems\n");
  }

 private:
  void write(const TsOrigin& origin, std::string_view name, std::string_view text) {
    mOut.text("#");
    mOut.decimal(origin.packet);
    mOut.text("  ");
    if (origin.pid >= 0) {
      mOut.decimal(static_cast<std::uint64_t>(origin.pid));
    } else {
      mOut.text("-");
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

std::unique_ptr<TsWriter> make_ts_timeline_writer(Output& out) {
  return std::make_unique<TsTimelineWriter>(out);
}

}  // namespace scte104
