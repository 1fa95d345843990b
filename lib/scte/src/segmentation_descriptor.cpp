// SPDX-License-Identifier: MIT
// Data of insert_segmentation_descriptor_request_data (0x010B). Older
// automation ends it after segments_expected (18 bytes and the UPID), newer
// adds the delivery flags and the sub-segment bytes (21 bytes and the UPID).
// The two forms are told apart by the UPID length, so the tail is read as
// optional fields, in order, for as long as the data holds them.
#include "layouts.h"

namespace scte_104 {

void read_layout(ByteReader& in, InsertSegmentationDescriptorRequest& r) {
  r.segmentation_event_id = in.read<std::uint32_t>("segmentation_event_id");
  // A cancel does not shorten the layout: the fields after it are still sent.
  r.segmentation_event_cancel_indicator =
      in.read<std::uint8_t>("segmentation_event_cancel_indicator");
  r.duration = in.read<std::uint16_t>("duration");
  r.segmentation_upid_type = in.read<std::uint8_t>("segmentation_upid_type");
  r.segmentation_upid_length = in.read<std::uint8_t>("segmentation_upid_length");
  r.segmentation_upid = in.read_bytes(r.segmentation_upid_length, "segmentation_upid");
  r.segmentation_type_id = in.read<std::uint8_t>("segmentation_type_id");
  r.segment_num = in.read<std::uint8_t>("segment_num");
  r.segments_expected = in.read<std::uint8_t>("segments_expected");
  r.duration_extension_frames = read_optional(in, "duration_extension_frames");
  r.delivery_not_restricted_flag = read_optional(in, "delivery_not_restricted_flag");
  r.web_delivery_allowed_flag = read_optional(in, "web_delivery_allowed_flag");
  r.no_regional_blackout_flag = read_optional(in, "no_regional_blackout_flag");
  r.archive_allowed_flag = read_optional(in, "archive_allowed_flag");
  r.device_restrictions = read_optional(in, "device_restrictions");
  r.insert_sub_segment_info = read_optional(in, "insert_sub_segment_info");
  r.sub_segment_num = read_optional(in, "sub_segment_num");
  r.sub_segments_expected = read_optional(in, "sub_segments_expected");
}

void write_layout(ByteWriter& out, const InsertSegmentationDescriptorRequest& r) {
  out.write(r.segmentation_event_id);
  out.write(r.segmentation_event_cancel_indicator);
  out.write(r.duration);
  out.write(r.segmentation_upid_type);
  out.write(r.segmentation_upid_length);
  out.write_bytes(r.segmentation_upid);
  out.write(r.segmentation_type_id);
  out.write(r.segment_num);
  out.write(r.segments_expected);
  write_optional(out, r.duration_extension_frames);
  write_optional(out, r.delivery_not_restricted_flag);
  write_optional(out, r.web_delivery_allowed_flag);
  write_optional(out, r.no_regional_blackout_flag);
  write_optional(out, r.archive_allowed_flag);
  write_optional(out, r.device_restrictions);
  write_optional(out, r.insert_sub_segment_info);
  write_optional(out, r.sub_segment_num);
  write_optional(out, r.sub_segments_expected);
}

}  // namespace scte_104
