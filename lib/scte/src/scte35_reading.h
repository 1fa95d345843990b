// SPDX-License-Identifier: MIT
// The section reader's parts that the way back from a section to a mark
// uses without read_section()'s copies: it looks at the section's bytes
// where they lie, and reads one descriptor at a time.
#ifndef SCTE104_SCTE35_READING_H
#define SCTE104_SCTE35_READING_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "bit_writer.h"
#include "scte/scte35.h"

namespace scte_104::scte35::reading {

// segmentation_descriptor() as it lies in the section: the members of
// SegmentationDescriptor, walked by its own field list, but with
// segmentation_upid left in the section's bytes and the components of
// component mode (which no typed operation carries) only counted.
struct SegmentationImage {
  static constexpr std::uint8_t kTag = SegmentationDescriptor::kTag;
  std::uint8_t descriptor_length = 0;
  std::uint32_t segmentation_event_id = 0;
  std::uint8_t segmentation_event_cancel_indicator = 0;
  std::uint8_t program_segmentation_flag = 1;
  std::uint8_t segmentation_duration_flag = 0;
  std::uint8_t delivery_not_restricted_flag = 1;
  std::uint8_t web_delivery_allowed_flag = 0;
  std::uint8_t no_regional_blackout_flag = 0;
  std::uint8_t archive_allowed_flag = 0;
  std::uint8_t device_restrictions = 0;
  UnkeptList<SegmentationComponent> components;
  std::uint64_t segmentation_duration = 0;
  std::uint8_t segmentation_upid_type = 0;
  ByteRun segmentation_upid;
  std::uint8_t segmentation_type_id = 0;
  std::uint8_t segment_num = 0;
  std::uint8_t segments_expected = 0;
  bool has_sub_segments = false;
  std::uint8_t sub_segment_num = 0;
  std::uint8_t sub_segments_expected = 0;

  template <typename F>
  void for_each_field(F&& f) const {
    SegmentationDescriptor::list_fields(*this, f);
  }
  template <typename F>
  void for_each_field(F&& f) {
    SegmentationDescriptor::list_fields(*this, f);
  }
};

// The fields of the section at the start of `data`, refused as
// read_section() refuses it (the field at fault is returned, with
// `reason`; null when read), but with the descriptor loop only checked,
// not read into `fields.descriptors`, and a command kept as bytes left
// without them: they stay in `data`. `fields` is read into as it is.
const char* read_section_fields(const std::uint8_t* data, std::size_t size,
                                UnreadableCommand unreadable, SpliceInfoSection& fields,
                                std::string& reason);

// A descriptor's image (tag, length, body) read into the record of its
// kind: true when the image holds exactly that record's fields, with the
// identifier "CUEI". Every field the image holds is read into the record;
// the others keep their values.
bool read_descriptor(const std::uint8_t* image, std::size_t size, AvailDescriptor& descriptor);
bool read_descriptor(const std::uint8_t* image, std::size_t size, DtmfDescriptor& descriptor);
bool read_descriptor(const std::uint8_t* image, std::size_t size, SegmentationImage& descriptor);
bool read_descriptor(const std::uint8_t* image, std::size_t size, TimeDescriptor& descriptor);

}  // namespace scte_104::scte35::reading

#endif  // SCTE104_SCTE35_READING_H
