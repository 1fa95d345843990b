// SPDX-License-Identifier: MIT
// One line of an ANC report: a message carried in an ST 2110-40 stream or
// a problem, with where and when. The report makes them, the JSON Lines and
// the timeline write them.
#ifndef SCTE104_ANC_LINE_H
#define SCTE104_ANC_LINE_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "output.h"
#include "scte/scte35.h"
#include "scte/single_operation.h"
#include "session_line.h"

namespace scte104 {

// The head of every ANC line.
struct AncOrigin : CaptureOrigin {
  std::uint64_t stream = 0;  // 0: none (null)
};

// The RTP packet that completed a message.
struct RtpFields {
  std::uint32_t ssrc = 0;
  std::uint8_t payload_type = 0;
  std::uint16_t sequence = 0;
  std::uint32_t extended_sequence = 0;
  std::uint32_t timestamp = 0;
  bool marker = false;
  const char* field = "";  // "progressive", "field_1" or "field_2"

  template <typename Visit>
  void for_each_field(Visit&& visit) const {
    visit("ssrc", ssrc);
    visit("payload_type", payload_type);
    visit("sequence", sequence);
    visit("extended_sequence", extended_sequence);
    visit("timestamp", timestamp);
    visit("marker", marker);
    visit("field", field);
  }
};

// Where the message's ANC packets were.
struct AncFields {
  std::uint16_t line_number = 0;  // of the last
  bool c_not_y_channel_flag = false;
  std::uint16_t horizontal_offset = 0;
  std::optional<std::uint8_t> data_stream;  // StreamNum when S is 1
  std::uint8_t payload_descriptor = 0;      // of the first
  std::uint64_t fragments = 0;              // ANC packets joined

  template <typename Visit>
  void for_each_field(Visit&& visit) const {
    visit("line_number", line_number);
    visit("c_not_y_channel_flag", c_not_y_channel_flag);
    visit("horizontal_offset", horizontal_offset);
    visit("data_stream", data_stream);
    visit("payload_descriptor", payload_descriptor);
    visit("fragments", fragments);
  }
};

// A message: a multiple_operation_message decoded as --json does, or a
// single_operation_message.
struct AncMessage {
  RtpFields rtp;
  AncFields anc;
  const MultipleOperationLine* multiple = nullptr;
  const scte_104::SingleOperationMessage* single = nullptr;
};

struct OtherAnc {
  std::uint8_t did = 0;
  std::uint8_t sdid = 0;
  std::uint64_t count = 0;

  template <typename Visit>
  void for_each_field(Visit&& visit) const {
    visit("did", did);
    visit("sdid", sdid);
    visit("count", count);
  }
};

struct AncSummary {
  std::uint64_t packets = 0;
  std::uint64_t streams = 0;
  std::uint64_t rtp_packets = 0;
  std::uint64_t anc_packets = 0;
  std::uint64_t messages = 0;
  std::vector<OtherAnc> other_anc;  // by DID, then SDID
  std::uint64_t problems = 0;

  // visit(JSON key, timeline label, value), in the order both show them.
  template <typename Visit>
  void for_each_field(Visit&& visit) const {
    visit("packets", "packets", packets);
    visit("streams", "streams", streams);
    visit("rtp_packets", "RTP packets", rtp_packets);
    visit("anc_packets", "ANC packets", anc_packets);
    visit("messages", "messages", messages);
    visit("other_anc", nullptr, other_anc);  // JSON Lines only
    visit("problems", "problems", problems);
  }
};

class AncWriter {
 public:
  virtual ~AncWriter() = default;
  virtual void message(const AncOrigin& origin, const AncMessage& message) = 0;
  virtual void problem(const AncOrigin& origin, const Problem& problem) = 0;
  virtual void summary(const AncSummary& summary) = 0;
};

// A message's `message` member is what --json prints for it, with `scte35`.
std::unique_ptr<AncWriter> make_anc_json_lines_writer(Output& out,
                                                      const scte_104::Scte35Settings& scte35);
std::unique_ptr<AncWriter> make_anc_timeline_writer(Output& out);

}  // namespace scte104

#endif  // SCTE104_ANC_LINE_H
