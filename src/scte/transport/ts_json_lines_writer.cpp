// SPDX-License-Identifier: MIT
// --ts --json-lines: one compact JSON object per message, section, pairing
// or problem, then the summary.
#include "line_writer.h"
#include "object_writer.h"
#include "ts_lines.h"

namespace scte104 {
namespace {

class TsJsonLinesWriter : public TsWriter {
 public:
  explicit TsJsonLinesWriter(Output& out) : mOut(out) {}

  void message(const TsOrigin& origin, const TsMessageLine& line) override {
    JsonLine json_line = begin(origin);
    JsonWriter& json = json_line.json;
    MemberWriter members(json);
    members("pts", line.pts);
    members.object("anc", line.anc);
    write_kind_member(line.single != nullptr, json);
    members("mark", line.mark);
    write_message_member(line.single, line.message, line.error, line.settings, json);
    json_line.end();
  }

  void section(const TsOrigin& origin, std::uint64_t number,
               const SectionObject& section) override {
    JsonLine line = begin(origin);
    MemberWriter members(line.json);
    members("kind", "splice_info_section");
    members("section", number);
    line.json.key("scte35");
    write_object(section, line.json, mOut);
    line.end();
  }

  void pairing(const TsOrigin& origin, const TsPairingLine& pairing) override {
    JsonLine line = begin(origin);
    MemberWriter members(line.json);
    members("kind", "pairing");
    members("section", pairing.section);
    members("mark", pairing.mark);
    members("expected", pairing.expected);
    members("copy", pairing.copy);
    line.json.key("faults");
    write_object(pairing.differences->faults, line.json, mOut);
    line.json.key("allowed");
    write_object(pairing.differences->allowed, line.json, mOut);
    line.end();
  }

  void problem(const TsOrigin& origin, const Problem& problem) override {
    JsonLine line = begin(origin);
    write_problem_members(problem, line.json);
    line.end();
  }

  void summary(const TsSummary& summary) override { write_json_summary(summary, mOut); }

 private:
  // The head: the packet and its PID (null: none).
  JsonLine begin(const TsOrigin& origin) {
    JsonLine line(mOut);
    MemberWriter members(line.json);
    members("packet", origin.packet);
    members("pid", origin.pid >= 0 ? std::optional(static_cast<std::uint64_t>(origin.pid))
                                   : std::nullopt);
    return line;
  }

  Output& mOut;
};

}  // namespace

std::unique_ptr<TsWriter> make_ts_json_lines_writer(Output& out) {
  return std::make_unique<TsJsonLinesWriter>(out);
}

}  // namespace scte104
