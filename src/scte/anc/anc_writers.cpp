// SPDX-License-Identifier: MIT
// --anc lines: JSON Lines for scripts, a timeline for people.
//   TIME  #PACKET  SOURCE > DESTINATION  NAME  SUMMARY
//   ! TIME  #PACKET  SOURCE > DESTINATION  PROBLEM  TEXT
#include <string>

#include "anc_line.h"
#include "line_writer.h"
#include "message_summary.h"

namespace scte104 {
namespace {

class AncJsonLinesWriter : public AncWriter {
 public:
  AncJsonLinesWriter(Output& out, const scte_104::Scte35Settings& scte35)
      : mOut(out), mScte35(scte35) {}

  void message(const AncOrigin& origin, const AncMessage& message) override {
    JsonLine line = begin(origin);
    MemberWriter members(line.json);
    members.object("rtp", message.rtp);
    members.object("anc", message.anc);
    write_kind_member(message.single != nullptr, line.json);
    if (message.single != nullptr) {
      write_message_member(message.single, nullptr, {}, mScte35, line.json);
    } else {
      write_message_member(nullptr, message.multiple->message.get(), message.multiple->error,
                           mScte35, line.json);
    }
    line.end();
  }

  void problem(const AncOrigin& origin, const Problem& problem) override {
    JsonLine line = begin(origin);
    write_problem_members(problem, line.json);
    line.end();
  }

  void summary(const AncSummary& summary) override { write_json_summary(summary, mOut); }

 private:
  // The head: packet and time, then the stream and its ends (none for
  // capture_error).
  JsonLine begin(const AncOrigin& origin) {
    JsonLine line(mOut);
    write_capture_members(origin, line.json);
    if (origin.source == nullptr) return line;
    MemberWriter members(line.json);
    members("stream", origin.stream != 0 ? std::optional<std::uint64_t>(origin.stream)
                                         : std::nullopt);
    members("source", *origin.source);
    members("destination", *origin.destination);
    return line;
  }

  Output& mOut;
  const scte_104::Scte35Settings& mScte35;
};

class AncTimelineWriter : public AncWriter {
 public:
  explicit AncTimelineWriter(Output& out) : mOut(out) {}

  void message(const AncOrigin& origin, const AncMessage& message) override {
    const std::string where = "seq " + std::to_string(message.rtp.sequence) + ", ts " +
                              std::to_string(message.rtp.timestamp) + ", line " +
                              std::to_string(message.anc.line_number);
    if (message.single != nullptr) {
      write_capture_line(origin, short_name(message.single->opID),
                         single_summary(*message.single) + "; " + where, mOut);
    } else {
      write_capture_line(
          origin, "multiple_operation_message",
          multiple_summary(message.multiple->message.get(), message.multiple->error) + "; " + where,
          mOut);
    }
  }

  void problem(const AncOrigin& origin, const Problem& problem) override {
    write_capture_problem(origin, problem, mOut);
  }

  void summary(const AncSummary& summary) override { write_timeline_summary(summary, mOut); }

 private:
  Output& mOut;
};

}  // namespace

std::unique_ptr<AncWriter> make_anc_json_lines_writer(Output& out,
                                                      const scte_104::Scte35Settings& scte35) {
  return std::make_unique<AncJsonLinesWriter>(out, scte35);
}

std::unique_ptr<AncWriter> make_anc_timeline_writer(Output& out) {
  return std::make_unique<AncTimelineWriter>(out);
}

}  // namespace scte104
