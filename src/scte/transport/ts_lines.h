// SPDX-License-Identifier: MIT
// The lines of a transport stream report: messages out of the ST 2038
// data, SCTE 35 sections, their pairings with the marks, problems, and
// the summary. The report makes them; JSON Lines and the timeline write
// them.
#ifndef SCTE104_TS_LINES_H
#define SCTE104_TS_LINES_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "output.h"
#include "pairing.h"
#include "scte/scte35.h"
#include "scte/scte_104.h"
#include "scte/single_operation.h"
#include "session_line.h"

namespace scte104 {

// Where a line comes from: the packet that completed it (or was being
// handled) and its PID (-1: none).
struct TsOrigin {
  std::uint64_t packet = 0;
  int pid = -1;
};

// The ANC record(s) a message came in.
struct AncPlacement {
  std::uint16_t line_number = 0;         // of the last record
  std::uint8_t c_not_y_channel_flag = 0;  // of the last record
  std::uint16_t horizontal_offset = 0;   // of the last record
  std::uint8_t payload_descriptor = 0;   // of the first record
  std::size_t fragments = 0;             // records joined

  template <typename Visit>
  void for_each_field(Visit&& visit) const {
    visit("line_number", line_number);
    visit("c_not_y_channel_flag", c_not_y_channel_flag);
    visit("horizontal_offset", horizontal_offset);
    visit("payload_descriptor", payload_descriptor);
    visit("fragments", fragments);
  }
};

struct TsMessageLine {
  std::optional<std::uint64_t> pts;
  AncPlacement anc;
  std::optional<std::uint64_t> mark;  // none for a duplicate or a single operation
  // A multiple_operation_message: decoded (message) or refused (error),
  // reported as --json would with these settings.
  const scte_104::MultipleOperationMessage* message = nullptr;
  std::string error;
  scte_104::Scte35Settings settings;
  // A single_operation_message.
  const scte_104::SingleOperationMessage* single = nullptr;
};

struct TsPairingLine {
  std::uint64_t section = 0;
  std::uint64_t mark = 0;
  std::size_t expected = 0;
  std::uint64_t copy = 0;
  const Differences* differences = nullptr;
};

struct TsSummary {
  std::uint64_t packets = 0;
  std::uint64_t messages = 0;
  std::uint64_t marks = 0;
  std::uint64_t sections = 0;
  std::uint64_t pairings = 0;
  std::uint64_t problems = 0;

  // visit(JSON key, timeline label, value), in the order both show them.
  template <typename Visit>
  void for_each_field(Visit&& visit) const {
    visit("packets", "packets", packets);
    visit("messages", "messages", messages);
    visit("marks", "marks", marks);
    visit("sections", "sections", sections);
    visit("pairings", "pairings", pairings);
    visit("problems", "problems", problems);
  }
};

class TsWriter {
 public:
  virtual ~TsWriter() = default;
  virtual void message(const TsOrigin& origin, const TsMessageLine& line) = 0;
  virtual void section(const TsOrigin& origin, std::uint64_t number,
                       const SectionObject& section) = 0;
  virtual void pairing(const TsOrigin& origin, const TsPairingLine& line) = 0;
  virtual void problem(const TsOrigin& origin, const Problem& problem) = 0;
  virtual void summary(const TsSummary& summary) = 0;
};

std::unique_ptr<TsWriter> make_ts_json_lines_writer(Output& out);
std::unique_ptr<TsWriter> make_ts_timeline_writer(Output& out);

}  // namespace scte104

#endif  // SCTE104_TS_LINES_H
