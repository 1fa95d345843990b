// SPDX-License-Identifier: MIT
// The reader and the writer of every operation data layout. Each pair sits
// side by side in the file named after its operations, in wire order, one
// line per field. A reader throws std::runtime_error naming the field that
// the data does not hold whole; operation_view.cpp turns that into the
// view's error.
#ifndef SCTE104_LAYOUTS_H
#define SCTE104_LAYOUTS_H

#include <optional>

#include "byte_reader.h"
#include "byte_writer.h"
#include "scte/operation_data.h"

namespace scte_104 {

// An optional one-byte field: present only while the data still holds it.
inline std::optional<std::uint8_t> read_optional(ByteReader& in, const char* field) {
  if (in.remaining() == 0) return std::nullopt;
  return in.read<std::uint8_t>(field);
}

inline void write_optional(ByteWriter& out, const std::optional<std::uint8_t>& value) {
  if (value) out.write(*value);
}

// codec.cpp: the 14 bytes of splice_request_data(), as the message encoder
// writes them.
void write_splice_request(ByteWriter& out, const SpliceRequestData& r);

// splice_operations.cpp
void read_layout(ByteReader& in, InjectSectionDataRequest& r);
void write_layout(ByteWriter& out, const InjectSectionDataRequest& r);
// Only what follows the 14 bytes of the request, which the message decoder
// has already read into r.request.
void read_layout(ByteReader& in, SpliceRequest& r);
void write_layout(ByteWriter& out, const SpliceRequest& r);
void read_layout(ByteReader& in, SpliceNullRequest& r);
void write_layout(ByteWriter& out, const SpliceNullRequest& r);
void read_layout(ByteReader& in, TimeSignalRequest& r);
void write_layout(ByteWriter& out, const TimeSignalRequest& r);

// schedule_operations.cpp
void read_layout(ByteReader& in, ProviderAvails& r);
void write_layout(ByteWriter& out, const ProviderAvails& r);
void read_layout(ByteReader& in, TransmitScheduleRequest& r);
void write_layout(ByteWriter& out, const TransmitScheduleRequest& r);
void read_layout(ByteReader& in, ScheduleComponentModeRequest& r);
void write_layout(ByteWriter& out, const ScheduleComponentModeRequest& r);
void read_layout(ByteReader& in, ScheduleDefinition& r);
void write_layout(ByteWriter& out, const ScheduleDefinition& r);

// dpi_operations.cpp
void read_layout(ByteReader& in, ComponentModeDpiRequest& r);
void write_layout(ByteWriter& out, const ComponentModeDpiRequest& r);
void read_layout(ByteReader& in, EncryptedDpiRequest& r);
void write_layout(ByteWriter& out, const EncryptedDpiRequest& r);
void read_layout(ByteReader& in, DeleteControlWord& r);
void write_layout(ByteWriter& out, const DeleteControlWord& r);
void read_layout(ByteReader& in, UpdateControlWord& r);
void write_layout(ByteWriter& out, const UpdateControlWord& r);

// descriptor_operations.cpp
void read_layout(ByteReader& in, InsertDescriptorRequest& r);
void write_layout(ByteWriter& out, const InsertDescriptorRequest& r);
void read_layout(ByteReader& in, InsertDtmfDescriptorRequest& r);
void write_layout(ByteWriter& out, const InsertDtmfDescriptorRequest& r);
void read_layout(ByteReader& in, InsertTierData& r);
void write_layout(ByteWriter& out, const InsertTierData& r);
void read_layout(ByteReader& in, InsertTimeDescriptor& r);
void write_layout(ByteWriter& out, const InsertTimeDescriptor& r);

// segmentation_descriptor.cpp
void read_layout(ByteReader& in, InsertSegmentationDescriptorRequest& r);
void write_layout(ByteWriter& out, const InsertSegmentationDescriptorRequest& r);

// proprietary_command.cpp
void read_layout(ByteReader& in, ProprietaryCommandRequest& r);
void write_layout(ByteWriter& out, const ProprietaryCommandRequest& r);

}  // namespace scte_104

#endif  // SCTE104_LAYOUTS_H
