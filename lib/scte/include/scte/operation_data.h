// SPDX-License-Identifier: MIT
// Typed views of an operation's data: one record per SCTE 104 data layout,
// with the standard's field names, read from Operation::data() and written
// back to bytes. Every integer is unsigned and big-endian on the wire; a
// flag is one byte held as read (0 = false).
//
// Each record lists its fields in wire order through for_each_field(f),
// calling f(name, value) per field, or f(name, value, value_name) for a
// field with a table of value names. Optional fields that the data did not
// hold are std::nullopt.
//
// On a record that is not const, for_each_field(f) hands out every field by
// reference, so that a reader can fill the record: f(name, value), or
// f(name, value, rule) where a rule says what the type does not (see
// field_rules). Optional fields then come as std::optional even when empty.
#ifndef SCTE104_OPERATION_DATA_H
#define SCTE104_OPERATION_DATA_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "scte/scte_104.h"

namespace scte_104 {

using Bytes = std::vector<std::uint8_t>;

// The standard's name of an opID ("splice_request_data"); nullptr when the
// opID has none.
SCTE_104_API const char* operation_name(MultipleOperationId id);

// Names of values; "Reserved" where the standard gives none.
SCTE_104_API const char* segmentation_type_name(std::uint8_t segmentation_type_id);
SCTE_104_API const char* segmentation_upid_type_name(std::uint8_t segmentation_upid_type);
SCTE_104_API const char* device_restrictions_name(std::uint8_t device_restrictions);
SCTE_104_API const char* splice_schedule_command_name(std::uint8_t splice_schedule_command);
// "User private" from 32 up.
SCTE_104_API const char* encryption_algorithm_name(std::uint8_t encryption_algorithm);

// What a reader filling a record must know beyond a field's type.
namespace field_rules {
// The field is shown with <field>_name, a name that follows from its value.
struct ValueNames {};
// An integer that fills fewer bytes on the wire than its type holds.
struct WireBytes {
  std::size_t bytes;
};
// A byte run of a fixed size.
struct FixedSize {
  std::size_t bytes;
};
// A run (bytes, characters or a list) whose size another field gives.
template <typename Count>
struct CountedBy {
  Count& count;
};
template <typename Count>
CountedBy<Count> counted_by(Count& count) {
  return {count};
}
// A list of descriptor images, counted by `count`, each image its tag, its
// length and length bytes.
template <typename Count>
struct Descriptors {
  Count& count;
};
template <typename Count>
Descriptors<Count> descriptors(Count& count) {
  return {count};
}
}  // namespace field_rules

namespace field_detail {

// One field: the rule reaches only a visitor that fills the record.
template <typename F, typename T, typename Rule>
void field(F& f, const char* name, T& value, const Rule& rule) {
  if constexpr (std::is_const_v<T>) {
    f(name, value);
  } else {
    f(name, value, rule);
  }
}

// A field with a table of value names: read, it comes with its name; filled,
// with the ValueNames rule. An optional one is shown only when present.
template <typename F, typename Namer>
void named(F& f, const char* name, const std::uint8_t& value, Namer namer) {
  f(name, value, namer(value));
}
template <typename F, typename Namer>
void named(F& f, const char* name, std::uint8_t& value, Namer) {
  f(name, value, field_rules::ValueNames{});
}
template <typename F, typename Namer>
void named(F& f, const char* name, const std::optional<std::uint8_t>& value, Namer namer) {
  if (value) f(name, *value, namer(*value));
}
template <typename F, typename Namer>
void named(F& f, const char* name, std::optional<std::uint8_t>& value, Namer) {
  f(name, value, field_rules::ValueNames{});
}
template <typename F, typename Namer>
void named(F& f, const char* name, const SpliceInsertType& value, Namer namer) {
  f(name, static_cast<std::uint8_t>(value), namer(value));
}
template <typename F, typename Namer>
void named(F& f, const char* name, SpliceInsertType& value, Namer) {
  f(name, value, field_rules::ValueNames{});
}

}  // namespace field_detail

// 0x0100 inject_section_data_request: a ready-made SCTE 35 command.
struct InjectSectionDataRequest {
  std::uint16_t SCTE35_command_length = 0;
  std::uint8_t SCTE35_protocol_version = 0;
  std::uint8_t SCTE35_command_type = 0;
  Bytes SCTE35_command_contents;  // SCTE35_command_length bytes

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("SCTE35_command_length", r.SCTE35_command_length);
    f("SCTE35_protocol_version", r.SCTE35_protocol_version);
    f("SCTE35_command_type", r.SCTE35_command_type);
    field_detail::field(f, "SCTE35_command_contents", r.SCTE35_command_contents,
                        field_rules::counted_by(r.SCTE35_command_length));
  }
};

// 0x0101 splice_request_data: the 14 bytes the message decoder reads, plus
// the one byte that later editions of the standard add.
struct SpliceRequest {
  SpliceRequestData request;
  std::optional<std::uint8_t> not_an_entry_flag;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    field_detail::named(f, "splice_insert_type", r.request.mSpliceInsertType,
                        scte_104::splice_insert_type);
    f("splice_event_id", r.request.mSpliceEventId);
    f("unique_program_id", r.request.mUniqueProgramId);
    f("pre_roll_time", r.request.mPreRollTime);
    f("break_duration", r.request.mBreakDuration);
    f("avail_num", r.request.mAvailNum);
    f("avails_expected", r.request.mAvailsExpected);
    f("auto_return_flag", r.request.mAutoReturnFlag);
    f("not_an_entry_flag", r.not_an_entry_flag);
  }
};

// 0x0102 splice_null_request_data: no fields.
struct SpliceNullRequest {
  template <typename F>
  void for_each_field(F&&) const {}
  template <typename F>
  void for_each_field(F&&) {}
};

// provider_avail_id values counted by num_provider_avails.
struct ProviderAvails {
  std::uint8_t num_provider_avails = 0;
  std::vector<std::uint32_t> provider_avail_id;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("num_provider_avails", r.num_provider_avails);
    field_detail::field(f, "provider_avail_id", r.provider_avail_id,
                        field_rules::counted_by(r.num_provider_avails));
  }
};

// 0x0103 start_schedule_download_request_data.
struct StartScheduleDownloadRequest : ProviderAvails {};

// 0x0104 time_signal_request_data.
struct TimeSignalRequest {
  std::uint16_t pre_roll_time = 0;  // ms

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("pre_roll_time", r.pre_roll_time);
  }
};

// 0x0105 transmit_schedule_request_data.
struct TransmitScheduleRequest {
  std::uint8_t cancel = 0;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("cancel", r.cancel);
  }
};

// One entry of a component_mode_DPI_request_data.
struct DpiComponent {
  std::uint8_t component_tag = 0;
  std::uint16_t component_preroll = 0;  // ms

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("component_tag", r.component_tag);
    f("component_preroll", r.component_preroll);
  }
};

// 0x0106 component_mode_DPI_request_data: as many whole entries as fit.
struct ComponentModeDpiRequest {
  std::vector<DpiComponent> components;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("components", r.components);
  }
};

// 0x0107 encrypted_DPI_request_data.
struct EncryptedDpiRequest {
  std::uint8_t encryption_algorithm = 0;
  std::uint8_t CW_index = 0;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    field_detail::named(f, "encryption_algorithm", r.encryption_algorithm,
                        encryption_algorithm_name);
    f("CW_index", r.CW_index);
  }
};

// 0x0108 insert_descriptor_request_data: descriptor_count descriptor
// images, each its tag, its length and length bytes, kept whole.
struct InsertDescriptorRequest {
  std::uint8_t descriptor_count = 0;
  std::vector<Bytes> descriptors;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("descriptor_count", r.descriptor_count);
    field_detail::field(f, "descriptors", r.descriptors,
                        field_rules::descriptors(r.descriptor_count));
  }
};

// DTMF characters, one byte each, as sent.
struct DtmfChars {
  std::string text;
};

// 0x0109 insert_DTMF_descriptor_request_data.
struct InsertDtmfDescriptorRequest {
  std::uint8_t pre_roll = 0;  // tenths of a second
  std::uint8_t dtmf_length = 0;
  DtmfChars DTMF_char;  // dtmf_length bytes

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("pre_roll", r.pre_roll);
    f("dtmf_length", r.dtmf_length);
    field_detail::field(f, "DTMF_char", r.DTMF_char, field_rules::counted_by(r.dtmf_length));
  }
};

// 0x010A insert_avail_descriptor_request_data.
struct InsertAvailDescriptorRequest : ProviderAvails {};

// 0x010B insert_segmentation_descriptor_request_data. Older automation stops
// after segments_expected; the optional tail comes in wire order, as far as
// the data holds it.
struct InsertSegmentationDescriptorRequest {
  std::uint32_t segmentation_event_id = 0;
  std::uint8_t segmentation_event_cancel_indicator = 0;
  std::uint16_t duration = 0;  // s
  std::uint8_t segmentation_upid_type = 0;
  std::uint8_t segmentation_upid_length = 0;
  Bytes segmentation_upid;  // segmentation_upid_length bytes
  std::uint8_t segmentation_type_id = 0;
  std::uint8_t segment_num = 0;
  std::uint8_t segments_expected = 0;
  std::optional<std::uint8_t> duration_extension_frames;
  std::optional<std::uint8_t> delivery_not_restricted_flag;
  std::optional<std::uint8_t> web_delivery_allowed_flag;
  std::optional<std::uint8_t> no_regional_blackout_flag;
  std::optional<std::uint8_t> archive_allowed_flag;
  std::optional<std::uint8_t> device_restrictions;
  std::optional<std::uint8_t> insert_sub_segment_info;
  std::optional<std::uint8_t> sub_segment_num;
  std::optional<std::uint8_t> sub_segments_expected;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("segmentation_event_id", r.segmentation_event_id);
    f("segmentation_event_cancel_indicator", r.segmentation_event_cancel_indicator);
    f("duration", r.duration);
    field_detail::named(f, "segmentation_upid_type", r.segmentation_upid_type,
                        segmentation_upid_type_name);
    f("segmentation_upid_length", r.segmentation_upid_length);
    field_detail::field(f, "segmentation_upid", r.segmentation_upid,
                        field_rules::counted_by(r.segmentation_upid_length));
    field_detail::named(f, "segmentation_type_id", r.segmentation_type_id, segmentation_type_name);
    f("segment_num", r.segment_num);
    f("segments_expected", r.segments_expected);
    f("duration_extension_frames", r.duration_extension_frames);
    f("delivery_not_restricted_flag", r.delivery_not_restricted_flag);
    f("web_delivery_allowed_flag", r.web_delivery_allowed_flag);
    f("no_regional_blackout_flag", r.no_regional_blackout_flag);
    f("archive_allowed_flag", r.archive_allowed_flag);
    field_detail::named(f, "device_restrictions", r.device_restrictions, device_restrictions_name);
    f("insert_sub_segment_info", r.insert_sub_segment_info);
    f("sub_segment_num", r.sub_segment_num);
    f("sub_segments_expected", r.sub_segments_expected);
  }
};

// 0x010C proprietary_command_request_data.
struct ProprietaryCommandRequest {
  std::uint32_t proprietary_id = 0;
  std::uint8_t proprietary_command = 0;
  Bytes proprietary_data;  // everything after the first five bytes

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("proprietary_id", r.proprietary_id);
    f("proprietary_command", r.proprietary_command);
    f("proprietary_data", r.proprietary_data);
  }
};

// One entry of a schedule_component_mode_request_data.
struct ScheduledComponent {
  std::uint8_t component_tag = 0;
  std::uint32_t time = 0;  // s

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("component_tag", r.component_tag);
    f("time", r.time);
  }
};

// 0x010D schedule_component_mode_request_data: as many whole entries as fit.
struct ScheduleComponentModeRequest {
  std::vector<ScheduledComponent> components;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("components", r.components);
  }
};

// 0x010E schedule_definition_data.
struct ScheduleDefinition {
  std::uint8_t splice_schedule_command = 0;
  std::uint32_t splice_event_id = 0;
  std::uint32_t time = 0;  // s
  std::uint16_t unique_program_id = 0;
  std::uint8_t auto_return = 0;
  std::uint16_t break_duration = 0;
  std::uint8_t avail_num = 0;
  std::uint8_t avails_expected = 0;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    field_detail::named(f, "splice_schedule_command", r.splice_schedule_command,
                        splice_schedule_command_name);
    f("splice_event_id", r.splice_event_id);
    f("time", r.time);
    f("unique_program_id", r.unique_program_id);
    f("auto_return", r.auto_return);
    f("break_duration", r.break_duration);
    f("avail_num", r.avail_num);
    f("avails_expected", r.avails_expected);
  }
};

// 0x010F insert_tier_data: the tier is the low 12 bits of tier_data.
struct InsertTierData {
  std::uint16_t tier_data = 0;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("tier_data", r.tier_data);
  }
};

// 0x0110 insert_time_descriptor: TAI time and the offset to UTC.
struct InsertTimeDescriptor {
  std::uint64_t TAI_seconds = 0;  // 6 bytes on the wire
  std::uint32_t TAI_ns = 0;
  std::uint16_t UTC_offset = 0;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    field_detail::field(f, "TAI_seconds", r.TAI_seconds, field_rules::WireBytes{6});
    f("TAI_ns", r.TAI_ns);
    f("UTC_offset", r.UTC_offset);
  }
};

// 0x0300 delete_ControlWord_data.
struct DeleteControlWord {
  std::uint8_t CW_index = 0;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("CW_index", r.CW_index);
  }
};

// 0x0301 update_ControlWord_data: three 8-byte control words.
struct UpdateControlWord {
  std::uint8_t CW_index = 0;
  Bytes CW_A;
  Bytes CW_B;
  Bytes CW_C;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("CW_index", r.CW_index);
    field_detail::field(f, "CW_A", r.CW_A, field_rules::FixedSize{8});
    field_detail::field(f, "CW_B", r.CW_B, field_rules::FixedSize{8});
    field_detail::field(f, "CW_C", r.CW_C, field_rules::FixedSize{8});
  }
};

// The fields of one operation; std::monostate where there are none to show
// (an opID without a public layout, or a view that failed).
using OperationFields =
    std::variant<std::monostate, InjectSectionDataRequest, SpliceRequest, SpliceNullRequest,
                 StartScheduleDownloadRequest, TimeSignalRequest, TransmitScheduleRequest,
                 ComponentModeDpiRequest, EncryptedDpiRequest, InsertDescriptorRequest,
                 InsertDtmfDescriptorRequest, InsertAvailDescriptorRequest,
                 InsertSegmentationDescriptorRequest, ProprietaryCommandRequest,
                 ScheduleComponentModeRequest, ScheduleDefinition, InsertTierData,
                 InsertTimeDescriptor, DeleteControlWord, UpdateControlWord>;

// An operation's data seen through its layout.
struct OperationView {
  OperationFields fields;
  // Why the view failed, naming the field the data did not hold whole;
  // empty when it succeeded or the opID has no layout.
  std::string error;
  // The bytes after the layout's last field.
  Bytes trailing_data;

  bool failed() const { return !error.empty(); }
};

// The record of `id`'s data layout with every field zero or empty;
// std::monostate when the opID has no public layout.
SCTE_104_API OperationFields layout_of(MultipleOperationId id);

// Reads `op`'s data through the layout of its opID. Never throws on content
// and never reads outside op.data(). splice_request_data takes its 14 bytes
// from the decoded request_data() and never fails.
SCTE_104_API OperationView view_operation(const Operation& op);

// The bytes of `fields`, in wire order; counts and lengths are written as
// held, not recomputed. Nothing for std::monostate.
SCTE_104_API Bytes write_fields(const OperationFields& fields);

// write_fields() followed by the trailing data: for a view that succeeded,
// the data it was read from (a splice request needs its 14 bytes in data()).
SCTE_104_API Bytes write_operation_data(const OperationView& view);

}  // namespace scte_104

#endif  // SCTE104_OPERATION_DATA_H
