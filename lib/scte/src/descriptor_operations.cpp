// SPDX-License-Identifier: MIT
// Data of the operations that add a descriptor to another operation:
// insert_descriptor_request_data, insert_DTMF_descriptor_request_data,
// insert_tier_data and insert_time_descriptor. (The avail descriptor shares
// its list with the schedule download, in schedule_operations.cpp; the
// segmentation descriptor has a file of its own.)
#include "layouts.h"

namespace scte_104 {

// --- 0x0108 insert_descriptor_request_data: descriptor images kept whole ---------

void read_layout(ByteReader& in, InsertDescriptorRequest& r) {
  r.descriptor_count = in.read<std::uint8_t>("descriptor_count");
  for (unsigned i = 0; i < r.descriptor_count; ++i) {
    // An image is its tag (1), its length (1) and length bytes.
    in.require(2, "descriptors");
    const std::size_t length = in.peek_bytes(2)[1];
    r.descriptors.push_back(in.read_bytes(2 + length, "descriptors"));
  }
}

void write_layout(ByteWriter& out, const InsertDescriptorRequest& r) {
  out.write(r.descriptor_count);
  for (const Bytes& image : r.descriptors) out.write_bytes(image);
}

// --- 0x0109 insert_DTMF_descriptor_request_data -------------------------------------

void read_layout(ByteReader& in, InsertDtmfDescriptorRequest& r) {
  r.pre_roll = in.read<std::uint8_t>("pre_roll");
  r.dtmf_length = in.read<std::uint8_t>("dtmf_length");
  const Bytes chars = in.read_bytes(r.dtmf_length, "DTMF_char");
  r.DTMF_char.text.assign(chars.begin(), chars.end());
}

void write_layout(ByteWriter& out, const InsertDtmfDescriptorRequest& r) {
  out.write(r.pre_roll);
  out.write(r.dtmf_length);
  for (const char c : r.DTMF_char.text) out.write(static_cast<std::uint8_t>(c));
}

// --- 0x010F insert_tier_data ------------------------------------------------------------

void read_layout(ByteReader& in, InsertTierData& r) {
  r.tier_data = in.read<std::uint16_t>("tier_data");
}

void write_layout(ByteWriter& out, const InsertTierData& r) { out.write(r.tier_data); }

// --- 0x0110 insert_time_descriptor: 48-bit TAI seconds ----------------------------------

constexpr std::size_t kTaiSecondsSize = 6;

void read_layout(ByteReader& in, InsertTimeDescriptor& r) {
  r.TAI_seconds = in.read_uint(kTaiSecondsSize, "TAI_seconds");
  r.TAI_ns = in.read<std::uint32_t>("TAI_ns");
  r.UTC_offset = in.read<std::uint16_t>("UTC_offset");
}

void write_layout(ByteWriter& out, const InsertTimeDescriptor& r) {
  out.write_uint(r.TAI_seconds, kTaiSecondsSize);
  out.write(r.TAI_ns);
  out.write(r.UTC_offset);
}

}  // namespace scte_104
