// SPDX-License-Identifier: MIT
#include "ts_report.h"

#include <memory>
#include <string>

#include "report.h"
#include "scte/anc_payload.h"
#include "section_object.h"
#include "session_line.h"
#include "ts/demuxer.h"
#include "ts_lines.h"

namespace scte104 {
namespace {

constexpr std::uint8_t kSpliceTableId = 0xFC;

std::string plural(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// One frame in 90 kHz ticks, rounded half up.
std::uint64_t frame_ticks(const scte_104::FrameRate& rate) {
  return (std::uint64_t{90000} * rate.den + rate.num / 2) / rate.num;
}

class TsReport : public ts::Handler {
 public:
  TsReport(const TsReportOptions& options, TsWriter& writer)
      : mOptions(options), mWriter(writer), mFrameTicks(frame_ticks(options.frame_rate)) {}

  void problem(const ts::Problem& p) override {
    const TsOrigin origin{p.packet, p.pid};
    switch (p.kind) {
      case ts::ProblemKind::sync_lost:
        report(origin, {"sync_lost", {{"bytes", p.bytes}},
                        plural(p.bytes, "byte", "bytes") + " skipped to find sync"});
        break;
      case ts::ProblemKind::truncated:
        report(origin, {"truncated", {{"bytes", p.bytes}},
                        plural(p.bytes, "byte", "bytes") + " at the end are no whole packet"});
        break;
      case ts::ProblemKind::cc_error:
        report(origin, {"cc_error",
                        {{"expected", std::uint64_t{p.expected}}, {"found", std::uint64_t{p.found}}},
                        "continuity_counter " + std::to_string(p.found) + " where " +
                            std::to_string(p.expected) + " was due"});
        break;
      case ts::ProblemKind::crc_error:
        report(origin, {"crc_error", {{"table_id", std::uint64_t{p.table_id}}},
                        "section with table_id " + std::to_string(p.table_id) +
                            " has a wrong CRC_32"});
        break;
      case ts::ProblemKind::bad_section:
        report(origin, {"bad_section", {{"table_id", std::uint64_t{p.table_id}}},
                        "section_length above 4093 in a section with table_id " +
                            std::to_string(p.table_id)});
        break;
      case ts::ProblemKind::section_cut:
        report(origin, {"section_cut", {{"bytes", p.bytes}},
                        "a section was cut after " + plural(p.bytes, "byte", "bytes")});
        break;
      case ts::ProblemKind::bad_pes:
        report(origin, {"bad_pes", {}, "no PES start, or a PES header that does not fit"});
        break;
      case ts::ProblemKind::pes_cut:
        report(origin, {"pes_cut", {{"bytes", p.bytes}},
                        "a PES was cut after " + plural(p.bytes, "byte", "bytes")});
        break;
      case ts::ProblemKind::no_pts:
        report(origin, {"no_pts", {}, "an ST 2038 PES without PTS"});
        break;
      case ts::ProblemKind::anc_error:
        anc_error(origin, p.anc_error);
        break;
    }
  }

  void splice_section(std::uint64_t packet, std::uint16_t pid, const std::uint8_t* data,
                      std::size_t size) override {
    const TsOrigin origin{packet, pid};
    SectionObject section;
    if (!read_section_object(data, size, section)) {
      report(origin, {"bad_section", {{"table_id", std::uint64_t{kSpliceTableId}}},
                      "a splice_info_section whose fields do not fit it"});
      return;
    }
    const std::uint64_t number = ++mSummary.sections;
    mWriter.section(origin, number, section);
    const SectionKey key = section_key(section);
    const std::optional<PairingResult> paired = mPairing.pair(key);
    if (!paired) {
      report(origin, {"unexplained_section", {{"section", number}},
                      "no mark explains section " + std::to_string(number)});
      return;
    }
    SectionObject expected;
    read_section_object(paired->expected_bytes->data(), paired->expected_bytes->size(),
                        expected);
    const Differences differences =
        compare_sections(expected, section, paired->reference, mFrameTicks);
    ++mSummary.pairings;
    mWriter.pairing(origin,
                    TsPairingLine{number, paired->mark, paired->expected, paired->copy, &differences});
  }

  void anc_record(std::uint64_t packet, std::uint16_t pid, std::optional<std::uint64_t> pts,
                  const ts::AncRecord& record) override {
    if (record.did != scte_104::kScte104Did || record.sdid != scte_104::kScte104Sdid ||
        record.user_data.empty()) {
      return;
    }
    const TsOrigin origin{packet, pid};
    mJoiner.add(pid, record.user_data.data(), record.user_data.size(), mEvents);
    for (const scte_104::AncPayloadEvent& event : mEvents) {
      using Kind = scte_104::AncPayloadEvent::Kind;
      switch (event.kind) {
        case Kind::payload_descriptor:
          report(origin, {"payload_descriptor", {{"value", std::uint64_t{event.value}}},
                          "payload_descriptor " + std::to_string(event.value) +
                              " has reserved bits set or a version other than 1"});
          break;
        case Kind::fragment_orphan:
          report(origin, {"fragment_orphan", {}, "a middle part with no first part before it"});
          break;
        case Kind::fragment_interrupted:
          fragment_interrupted(origin, event.bytes);
          break;
        case Kind::bad_message:
          report(origin, {"bad_message", {{"bytes", std::uint64_t{event.bytes}}},
                          plural(event.bytes, "byte", "bytes") + " are no SCTE 104 message"});
          break;
        case Kind::message:
          message(origin, pts, record, event);
          break;
      }
    }
  }

  void pid_end(std::uint64_t packet, std::uint16_t pid) override {
    if (const auto bytes = mJoiner.finish(pid)) fragment_interrupted(TsOrigin{packet, pid}, *bytes);
  }

  // After the demuxer's end: the expected sections never seen, the summary.
  void finish(std::uint64_t packets) {
    for (const MissingSection& missing : mPairing.missing()) {
      report(TsOrigin{packets, missing.pid},
             {"no_section",
              {{"mark", missing.mark}, {"expected", std::uint64_t{missing.expected}}},
              "mark " + std::to_string(missing.mark) + " expected section " +
                  std::to_string(missing.expected) + ", which never came"});
    }
    mSummary.packets = packets;
    mWriter.summary(mSummary);
  }

 private:
  void report(const TsOrigin& origin, const Problem& problem) {
    ++mSummary.problems;
    mWriter.problem(origin, problem);
  }

  void anc_error(const TsOrigin& origin, ts::AncProblem reason) {
    static const char* const kReasons[] = {"leading_bits", "cut", "parity", "checksum"};
    static const char* const kTexts[] = {
        "an ANC record does not start with six 0 bits: the rest of the PES is skipped",
        "an ANC record does not fit in the rest of the PES",
        "an ANC word has a wrong parity bit",
        "an ANC record's checksum_word is not the sum of its words"};
    const auto index = static_cast<std::size_t>(reason);
    report(origin, {"anc_error", {{"reason", kReasons[index]}}, kTexts[index]});
  }

  void fragment_interrupted(const TsOrigin& origin, std::size_t bytes) {
    report(origin, {"fragment_interrupted", {{"bytes", std::uint64_t{bytes}}},
                    plural(bytes, "byte", "bytes") + " of an unfinished message dropped"});
  }

  void message(const TsOrigin& origin, std::optional<std::uint64_t> pts,
               const ts::AncRecord& last, const scte_104::AncPayloadEvent& event) {
    TsMessageLine line;
    line.pts = pts;
    line.anc = AncPlacement{last.line_number, last.c_not_y_channel_flag, last.horizontal_offset,
                            event.payload_descriptor, event.fragments};
    ++mSummary.messages;
    if (!event.multiple) {
      const scte_104::SingleOperationMessage single =
          scte_104::decode_single_operation(event.data, event.size);
      line.single = &single;
      mWriter.message(origin, line);
      return;
    }
    line.settings.frame_rate = mOptions.frame_rate;
    line.settings.reference_pts = pts.value_or(0);
    // Decoded as the session modes decode a mark: the message or its refusal.
    MultipleOperationLine decoded = decode_multiple_operation(event.data, event.size);
    const std::unique_ptr<scte_104::MultipleOperationMessage> message = std::move(decoded.message);
    line.error = std::move(decoded.error);
    line.message = message.get();
    std::vector<Pairing::Expected> expected;
    if (!event.duplicate) {
      line.mark = ++mSummary.marks;
      if (message) {
        for (scte_104::scte35::Section& section :
             scte_104::scte35::translate(*message, line.settings).sections) {
          SectionObject object;
          read_section_object(section.bytes.data(), section.bytes.size(), object);
          expected.push_back({section_key(object), std::move(section.bytes)});
        }
      }
    }
    mWriter.message(origin, line);
    if (line.mark) {
      mPairing.add_mark(*line.mark, static_cast<std::uint16_t>(origin.pid), pts.has_value(),
                        std::move(expected));
    }
  }

  const TsReportOptions& mOptions;
  TsWriter& mWriter;
  std::uint64_t mFrameTicks;
  scte_104::AncPayloadJoiner mJoiner;
  std::vector<scte_104::AncPayloadEvent> mEvents;
  Pairing mPairing;
  TsSummary mSummary;
};

}  // namespace

void report_transport_stream(const ByteSource& source, const TsReportOptions& options,
                             Output& out) {
  const std::unique_ptr<TsWriter> writer =
      options.json_lines ? make_ts_json_lines_writer(out) : make_ts_timeline_writer(out);
  TsReport report(options, *writer);
  ts::DemuxerOptions demuxer_options;
  demuxer_options.forced_pids = options.pids;
  ts::Demuxer demuxer(report, demuxer_options);
  for (;;) {
    // Each line leaves before more input is waited for; a file's lines
    // leave in large writes.
    if (options.live) out.flush();
    std::size_t room = 0;
    std::uint8_t* into = demuxer.input_space(room);
    const std::size_t count = source(reinterpret_cast<char*>(into), room);
    if (count == 0) break;
    demuxer.input_done(count);
  }
  demuxer.finish();
  report.finish(demuxer.packets());
}

}  // namespace scte104
