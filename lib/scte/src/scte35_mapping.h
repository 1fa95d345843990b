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

inline constexpr std::uint64_t kTicksPerMillisecond = 90;
inline constexpr std::uint64_t kTicksPerTenth = 9000;
inline constexpr std::uint64_t kTicksPerSecond = 90000;

// A flag from a byte that holds one (0 = false).
inline std::uint8_t flag(std::uint64_t value) { return value != 0 ? 1 : 0; }

// The command mappings are inline: GCC 12 at -O2 follows a variant's
// alternative through them, and warns (maybe-uninitialized) when it cannot.

// A pre-roll in milliseconds as a splice_time counted from the reference PTS.
inline SpliceTime splice_time(std::uint16_t milliseconds, const Scte35Settings& settings) {
  return SpliceTime{1, (settings.reference_pts + kTicksPerMillisecond * milliseconds) & kMaxPts};
}

// splice_request_data of splice_insert_type 1 to 5, in program mode.
inline SpliceInsert splice_insert(const SpliceRequestData& request, const Scte35Settings& settings) {
  SpliceInsert insert;
  const std::uint8_t type = request.splice_insert_type();
  insert.splice_event_id = request.splice_event_id();
  if (type == SPLICE_CANCEL) {
    insert.splice_event_cancel_indicator = 1;
    return insert;
  }
  const bool start = type == SPLICE_START_NORMAL || type == SPLICE_START_IMMEDIATE;
  const bool immediate =
      type == SPLICE_START_IMMEDIATE || type == SPLICE_END_IMMEDIATE || request.pre_roll_time() == 0;
  insert.out_of_network_indicator = start ? 1 : 0;
  insert.splice_immediate_flag = immediate ? 1 : 0;
  if (!immediate) insert.splice_time = splice_time(request.pre_roll_time(), settings);
  if (start && request.break_duration() != 0) {
    insert.duration_flag = 1;
    insert.break_duration =
        BreakDuration{flag(request.auto_return_flag()), request.break_duration() * kTicksPerTenth};
  }
  insert.unique_program_id = request.unique_program_id();
  insert.avail_num = request.avail_num();
  insert.avails_expected = request.avails_expected();
  return insert;
}

// component_mode_DPI_request_data applied to a splice_insert of type 1 to 4
// (`splice_insert_type`) in program mode, with at least one component.
void component_mode(SpliceInsert& insert, std::uint8_t splice_insert_type,
                    const std::vector<DpiComponent>& components, const Scte35Settings& settings);

inline TimeSignal time_signal(const TimeSignalRequest& request, const Scte35Settings& settings) {
  return TimeSignal{splice_time(request.pre_roll_time, settings)};
}

// The descriptors; descriptor_length is set by set_descriptor_length().
AvailDescriptor avail_descriptor(std::uint32_t provider_avail_id);
// dtmf_length at most 7.
DtmfDescriptor dtmf_descriptor(const InsertDtmfDescriptorRequest& request);
// Sets every field of `d`. A template, so that the way back can map a
// request whose segmentation_upid is left in the section (the records need
// the same member names).
template <typename Request, typename Descriptor>
void segmentation_descriptor(const Request& request, const Scte35Settings& settings,
                             Descriptor& d);
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

// Frames to 90 kHz ticks at the frame rate, rounded half up.
inline std::uint64_t frame_ticks(std::uint8_t frames, const FrameRate& rate) {
  const std::uint64_t num = rate.num;
  return (frames * kTicksPerSecond * rate.den + num / 2) / num;
}

template <typename Request, typename Descriptor>
void segmentation_descriptor(const Request& request, const Scte35Settings& settings,
                             Descriptor& d) {
  d.segmentation_event_id = request.segmentation_event_id;
  d.segmentation_event_cancel_indicator = flag(request.segmentation_event_cancel_indicator);
  d.program_segmentation_flag = 1;
  d.components.clear();
  d.segmentation_duration_flag = flag(request.duration);
  // Without the delivery bytes (the oldest form) delivery is not
  // restricted; a restriction byte the data does not hold counts as 0.
  d.delivery_not_restricted_flag = flag(request.delivery_not_restricted_flag.value_or(1));
  d.web_delivery_allowed_flag = flag(request.web_delivery_allowed_flag.value_or(0));
  d.no_regional_blackout_flag = flag(request.no_regional_blackout_flag.value_or(0));
  d.archive_allowed_flag = flag(request.archive_allowed_flag.value_or(0));
  d.device_restrictions = static_cast<std::uint8_t>(request.device_restrictions.value_or(0) & 3u);
  d.segmentation_duration = request.duration * kTicksPerSecond +
                            frame_ticks(request.duration_extension_frames.value_or(0),
                                        settings.frame_rate);
  d.segmentation_upid_type = request.segmentation_upid_type;
  d.segmentation_upid = request.segmentation_upid;
  d.segmentation_type_id = request.segmentation_type_id;
  d.segment_num = request.segment_num;
  d.segments_expected = request.segments_expected;
  d.has_sub_segments = request.insert_sub_segment_info.value_or(0) != 0;
  d.sub_segment_num = request.sub_segment_num.value_or(0);
  d.sub_segments_expected = request.sub_segments_expected.value_or(0);
}

}  // namespace scte_104::scte35::mapping

#endif  // SCTE104_SCTE35_MAPPING_H
