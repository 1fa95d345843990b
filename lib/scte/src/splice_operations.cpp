// SPDX-License-Identifier: MIT
// Data of the operations that make an SCTE 35 command: inject_section_data,
// splice_request_data, splice_null_request_data, time_signal_request_data.
#include "layouts.h"

namespace scte_104 {

// --- 0x0100 inject_section_data_request ---------------------------------------

void read_layout(ByteReader& in, InjectSectionDataRequest& r) {
  r.SCTE35_command_length = in.read<std::uint16_t>("SCTE35_command_length");
  r.SCTE35_protocol_version = in.read<std::uint8_t>("SCTE35_protocol_version");
  r.SCTE35_command_type = in.read<std::uint8_t>("SCTE35_command_type");
  r.SCTE35_command_contents = in.read_bytes(r.SCTE35_command_length, "SCTE35_command_contents");
}

void write_layout(ByteWriter& out, const InjectSectionDataRequest& r) {
  out.write(r.SCTE35_command_length);
  out.write(r.SCTE35_protocol_version);
  out.write(r.SCTE35_command_type);
  out.write_bytes(r.SCTE35_command_contents);
}

// --- 0x0101 splice_request_data: 14 bytes, then not_an_entry_flag --------------

constexpr std::size_t kSpliceRequestSize = 14;

void read_layout(ByteReader& in, SpliceRequest& r) {
  in.skip(kSpliceRequestSize);  // read by the message decoder
  r.not_an_entry_flag = read_optional(in, "not_an_entry_flag");
}

void write_layout(ByteWriter& out, const SpliceRequest& r) {
  write_splice_request(out, r.request);
  write_optional(out, r.not_an_entry_flag);
}

// --- 0x0102 splice_null_request_data: no fields -------------------------------

void read_layout(ByteReader&, SpliceNullRequest&) {}

void write_layout(ByteWriter&, const SpliceNullRequest&) {}

// --- 0x0104 time_signal_request_data --------------------------------------------

void read_layout(ByteReader& in, TimeSignalRequest& r) {
  r.pre_roll_time = in.read<std::uint16_t>("pre_roll_time");
}

void write_layout(ByteWriter& out, const TimeSignalRequest& r) { out.write(r.pre_roll_time); }

}  // namespace scte_104
