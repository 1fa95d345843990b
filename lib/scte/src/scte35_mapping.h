// SPDX-License-Identifier: MIT
// The mapping from SCTE 104 operations to SCTE 35 records, one function per
// operation: the translation builds its sections with them, and the way
// back from a section to a mark asks them whether a typed operation gives
// the section's bytes. Checks that refuse an operation stay with the
// translation; these only map.
#ifndef SCTE104_SCTE35_MAPPING_H
#define SCTE104_SCTE35_MAPPING_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bit_writer.h"
#include "scte/operation_data.h"
#include "scte/scte35.h"

namespace scte_104::scte35::mapping {

// A pre-roll in milliseconds as a splice_time counted from the reference PTS.
SpliceTime splice_time(std::uint16_t milliseconds, const Scte35Settings& settings);

// splice_request_data of splice_insert_type 1 to 5, in program mode.
SpliceInsert splice_insert(const SpliceRequestData& request, const Scte35Settings& settings);

// component_mode_DPI_request_data applied to a splice_insert of type 1 to 4
// (`splice_insert_type`) in program mode, with at least one component.
void component_mode(SpliceInsert& insert, std::uint8_t splice_insert_type,
                    const std::vector<DpiComponent>& components, const Scte35Settings& settings);

TimeSignal time_signal(const TimeSignalRequest& request, const Scte35Settings& settings);

// The descriptors; descriptor_length is set by set_descriptor_length().
AvailDescriptor avail_descriptor(std::uint32_t provider_avail_id);
// dtmf_length at most 7.
DtmfDescriptor dtmf_descriptor(const InsertDtmfDescriptorRequest& request);
// Sets every field of `d`, so that one record serves many descriptors.
void segmentation_descriptor(const InsertSegmentationDescriptorRequest& request,
                             const Scte35Settings& settings, SegmentationDescriptor& d);
TimeDescriptor time_descriptor(const InsertTimeDescriptor& request);

// tier from insert_tier_data: its low 12 bits.
std::uint16_t tier(const InsertTierData& request);

// descriptor_length from the descriptor's fields; false, leaving it, when
// it passes the 255 of its 8 bits.
constexpr std::size_t kMaxDescriptorLength = 255;
template <typename Descriptor>
bool set_descriptor_length(Descriptor& descriptor) {
  const std::size_t length = wire_size(descriptor) - 2;
  if (length > kMaxDescriptorLength) return false;
  descriptor.descriptor_length = static_cast<std::uint8_t>(length);
  return true;
}

}  // namespace scte_104::scte35::mapping

#endif  // SCTE104_SCTE35_MAPPING_H
