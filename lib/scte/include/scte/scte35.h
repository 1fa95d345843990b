// SPDX-License-Identifier: MIT
// What an SCTE 35 injector makes of a queue mark: the splice_info_section()s
// that one multiple_operation_message() becomes, as records and as bytes.
//
// Each record lists its fields in wire order through for_each_field(f),
// which reads like the syntax tables of SCTE 35:
//   f(name, value, bits)  an unsigned field `bits` wide (1 to 48)
//   f.reserved(bits)      reserved bits, written as 1s, never shown
//   f(name, bytes)        a byte run (Bytes, or DtmfChars for DTMF_char)
//   f(name, record)       a nested record, or an optional or list of them
// Fields that the bytes do not hold (everything after a cancel indicator,
// say) are simply not listed.
#ifndef SCTE104_SCTE35_H
#define SCTE104_SCTE35_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "scte/export.h"
#include "scte/operation_data.h"
#include "scte/scte_104.h"

namespace scte_104 {

// A video frame rate num/den, used to turn duration_extension_frames into
// 90 kHz ticks.
struct FrameRate {
  std::uint32_t num = 30000;
  std::uint32_t den = 1001;
};

// What the translation needs besides the message.
struct Scte35Settings {
  // The PTS (33 bits, 90 kHz) of the frame in which the message arrived;
  // every pts_time counts from it.
  std::uint64_t reference_pts = 0;
  FrameRate frame_rate;
};

// The largest PTS: PTS values are 33 bits wide.
constexpr std::uint64_t kMaxPts = (std::uint64_t{1} << 33u) - 1;

// The frame rates an injector is set up with; parse_frame_rate takes their
// texts: 24000/1001, 24, 25, 30000/1001, 30, 50, 60000/1001, 60.
SCTE_104_API bool parse_frame_rate(const std::string& text, FrameRate& rate);

namespace scte35 {

// splice_time(): the time is always specified.
struct SpliceTime {
  std::uint8_t time_specified_flag = 1;
  std::uint64_t pts_time = 0;

  template <typename F>
  void for_each_field(F&& f) const {
    f("time_specified_flag", time_specified_flag, 1);
    f.reserved(6);
    f("pts_time", pts_time, 33);
  }
};

// break_duration().
struct BreakDuration {
  std::uint8_t auto_return = 0;
  std::uint64_t duration = 0;

  template <typename F>
  void for_each_field(F&& f) const {
    f("auto_return", auto_return, 1);
    f.reserved(6);
    f("duration", duration, 33);
  }
};

// One component of a splice_insert in component mode; no splice_time when
// the splice is immediate.
struct SpliceComponent {
  std::uint8_t component_tag = 0;
  std::optional<SpliceTime> splice_time;

  template <typename F>
  void for_each_field(F&& f) const {
    f("component_tag", component_tag, 8);
    f("splice_time", splice_time);
  }
};

// splice_null() (type 0x00): no fields.
struct SpliceNull {
  static constexpr std::uint8_t kType = 0x00;
  template <typename F>
  void for_each_field(F&&) const {}
};

// splice_insert() (type 0x05).
struct SpliceInsert {
  static constexpr std::uint8_t kType = 0x05;
  std::uint32_t splice_event_id = 0;
  std::uint8_t splice_event_cancel_indicator = 0;
  std::uint8_t out_of_network_indicator = 0;
  std::uint8_t program_splice_flag = 1;
  std::uint8_t duration_flag = 0;
  std::uint8_t splice_immediate_flag = 0;
  std::optional<SpliceTime> splice_time;  // program mode, not immediate
  std::vector<SpliceComponent> components;  // component mode
  std::optional<BreakDuration> break_duration;  // when duration_flag is 1
  std::uint16_t unique_program_id = 0;
  std::uint8_t avail_num = 0;
  std::uint8_t avails_expected = 0;

  template <typename F>
  void for_each_field(F&& f) const {
    f("splice_event_id", splice_event_id, 32);
    f("splice_event_cancel_indicator", splice_event_cancel_indicator, 1);
    f.reserved(7);
    if (splice_event_cancel_indicator != 0) return;
    f("out_of_network_indicator", out_of_network_indicator, 1);
    f("program_splice_flag", program_splice_flag, 1);
    f("duration_flag", duration_flag, 1);
    f("splice_immediate_flag", splice_immediate_flag, 1);
    f.reserved(4);
    if (program_splice_flag != 0) {
      f("splice_time", splice_time);
    } else {
      f("component_count", components.size(), 8);
      f("components", components);
    }
    f("break_duration", break_duration);
    f("unique_program_id", unique_program_id, 16);
    f("avail_num", avail_num, 8);
    f("avails_expected", avails_expected, 8);
  }
};

// time_signal() (type 0x06).
struct TimeSignal {
  static constexpr std::uint8_t kType = 0x06;
  SpliceTime splice_time;

  template <typename F>
  void for_each_field(F&& f) const {
    f("splice_time", splice_time);
  }
};

// A command made elsewhere and copied as it came: its type travels beside
// it in splice_command_type.
struct InjectedCommand {
  std::uint8_t type = 0;
  Bytes data;

  template <typename F>
  void for_each_field(F&& f) const {
    f("data", data);
  }
};

using SpliceCommand = std::variant<SpliceNull, SpliceInsert, TimeSignal, InjectedCommand>;

// Every splice descriptor starts with its tag, its length (the bytes after
// the length) and the identifier "CUEI".
constexpr std::uint32_t kCueIdentifier = 0x43554549;

// avail_descriptor() (tag 0x00).
struct AvailDescriptor {
  static constexpr std::uint8_t kTag = 0x00;
  std::uint8_t descriptor_length = 0;
  std::uint32_t provider_avail_id = 0;

  template <typename F>
  void for_each_field(F&& f) const {
    f("splice_descriptor_tag", kTag, 8);
    f("descriptor_length", descriptor_length, 8);
    f("identifier", kCueIdentifier, 32);
    f("provider_avail_id", provider_avail_id, 32);
  }
};

// DTMF_descriptor() (tag 0x01).
struct DtmfDescriptor {
  static constexpr std::uint8_t kTag = 0x01;
  std::uint8_t descriptor_length = 0;
  std::uint8_t preroll = 0;
  DtmfChars DTMF_char;

  template <typename F>
  void for_each_field(F&& f) const {
    f("splice_descriptor_tag", kTag, 8);
    f("descriptor_length", descriptor_length, 8);
    f("identifier", kCueIdentifier, 32);
    f("preroll", preroll, 8);
    f("dtmf_count", DTMF_char.text.size(), 3);
    f.reserved(5);
    f("DTMF_char", DTMF_char);
  }
};

// segmentation_descriptor() (tag 0x02), always in program mode.
struct SegmentationDescriptor {
  static constexpr std::uint8_t kTag = 0x02;
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
  std::uint64_t segmentation_duration = 0;  // 40 bits of 90 kHz ticks
  std::uint8_t segmentation_upid_type = 0;
  Bytes segmentation_upid;
  std::uint8_t segmentation_type_id = 0;
  std::uint8_t segment_num = 0;
  std::uint8_t segments_expected = 0;
  bool has_sub_segments = false;
  std::uint8_t sub_segment_num = 0;
  std::uint8_t sub_segments_expected = 0;

  template <typename F>
  void for_each_field(F&& f) const {
    f("splice_descriptor_tag", kTag, 8);
    f("descriptor_length", descriptor_length, 8);
    f("identifier", kCueIdentifier, 32);
    f("segmentation_event_id", segmentation_event_id, 32);
    f("segmentation_event_cancel_indicator", segmentation_event_cancel_indicator, 1);
    f.reserved(7);
    if (segmentation_event_cancel_indicator != 0) return;
    f("program_segmentation_flag", program_segmentation_flag, 1);
    f("segmentation_duration_flag", segmentation_duration_flag, 1);
    f("delivery_not_restricted_flag", delivery_not_restricted_flag, 1);
    if (delivery_not_restricted_flag == 0) {
      f("web_delivery_allowed_flag", web_delivery_allowed_flag, 1);
      f("no_regional_blackout_flag", no_regional_blackout_flag, 1);
      f("archive_allowed_flag", archive_allowed_flag, 1);
      f("device_restrictions", device_restrictions, 2);
    } else {
      f.reserved(5);
    }
    if (segmentation_duration_flag != 0) {
      f("segmentation_duration", segmentation_duration, 40);
    }
    f("segmentation_upid_type", segmentation_upid_type, 8);
    f("segmentation_upid_length", segmentation_upid.size(), 8);
    f("segmentation_upid", segmentation_upid);
    f("segmentation_type_id", segmentation_type_id, 8);
    f("segment_num", segment_num, 8);
    f("segments_expected", segments_expected, 8);
    if (has_sub_segments) {
      f("sub_segment_num", sub_segment_num, 8);
      f("sub_segments_expected", sub_segments_expected, 8);
    }
  }
};

// time_descriptor() (tag 0x03).
struct TimeDescriptor {
  static constexpr std::uint8_t kTag = 0x03;
  std::uint8_t descriptor_length = 0;
  std::uint64_t TAI_seconds = 0;
  std::uint32_t TAI_ns = 0;
  std::uint16_t UTC_offset = 0;

  template <typename F>
  void for_each_field(F&& f) const {
    f("splice_descriptor_tag", kTag, 8);
    f("descriptor_length", descriptor_length, 8);
    f("identifier", kCueIdentifier, 32);
    f("TAI_seconds", TAI_seconds, 48);
    f("TAI_ns", TAI_ns, 32);
    f("UTC_offset", UTC_offset, 16);
  }
};

// A descriptor image that automation made whole: tag, length and body
// copied as they stand, whatever identifier the body holds.
struct CopiedDescriptor {
  std::uint8_t splice_descriptor_tag = 0;
  std::uint8_t descriptor_length = 0;
  Bytes data;  // the body, descriptor_length bytes

  template <typename F>
  void for_each_field(F&& f) const {
    f("splice_descriptor_tag", splice_descriptor_tag, 8);
    f("descriptor_length", descriptor_length, 8);
    f("data", data);
  }
};

using SpliceDescriptor = std::variant<AvailDescriptor, DtmfDescriptor, SegmentationDescriptor,
                                      TimeDescriptor, CopiedDescriptor>;

// splice_info_section(), in the clear, without alignment stuffing. The
// lengths and CRC_32 are filled in by write_section().
struct SpliceInfoSection {
  std::uint8_t table_id = 0xFC;
  std::uint8_t section_syntax_indicator = 0;
  std::uint8_t private_indicator = 0;
  std::uint8_t sap_type = 3;  // not specified
  std::uint16_t section_length = 0;
  std::uint8_t protocol_version = 0;
  std::uint8_t encrypted_packet = 0;
  std::uint8_t encryption_algorithm = 0;
  std::uint64_t pts_adjustment = 0;
  std::uint8_t cw_index = 0xFF;
  std::uint16_t tier = 0xFFF;
  std::uint16_t splice_command_length = 0;
  SpliceCommand splice_command;
  std::uint16_t descriptor_loop_length = 0;
  std::vector<SpliceDescriptor> descriptors;
  std::uint32_t CRC_32 = 0;

  // The command's own type; an injected command carries the one it came with.
  std::uint8_t splice_command_type() const {
    return std::visit(
        [](const auto& command) -> std::uint8_t {
          if constexpr (std::is_same_v<std::decay_t<decltype(command)>, InjectedCommand>) {
            return command.type;
          } else {
            return std::decay_t<decltype(command)>::kType;
          }
        },
        splice_command);
  }

  template <typename F>
  void for_each_field(F&& f) const {
    f("table_id", table_id, 8);
    f("section_syntax_indicator", section_syntax_indicator, 1);
    f("private_indicator", private_indicator, 1);
    f("sap_type", sap_type, 2);
    f("section_length", section_length, 12);
    f("protocol_version", protocol_version, 8);
    f("encrypted_packet", encrypted_packet, 1);
    f("encryption_algorithm", encryption_algorithm, 6);
    f("pts_adjustment", pts_adjustment, 33);
    f("cw_index", cw_index, 8);
    f("tier", tier, 12);
    f("splice_command_length", splice_command_length, 12);
    f("splice_command_type", splice_command_type(), 8);
    f("splice_command", splice_command);
    f("descriptor_loop_length", descriptor_loop_length, 16);
    f("descriptors", descriptors);
    f("CRC_32", CRC_32, 32);
  }
};

// The largest section_length: a section is at most 4096 bytes.
constexpr std::size_t kMaxSectionLength = 4093;

// A section and its bytes.
struct Section {
  SpliceInfoSection fields;
  Bytes bytes;
};

// Why an operation did not make it into the sections, with its index in
// the message's operations.
struct Problem {
  std::size_t operation = 0;
  std::string text;
};

struct Translation {
  std::vector<Section> sections;  // in the order of their command operations
  std::vector<Problem> problems;  // by operation index
};

// The sections that an injector sends for `message`. A problem never stops
// the translation: it is listed, and the operation adds nothing.
SCTE_104_API Translation translate(const MultipleOperationMessage& message,
                                   const Scte35Settings& settings);

// Fills in section_length, splice_command_length, descriptor_loop_length
// and CRC_32 and returns the section's bytes. The caller keeps
// section_length within kMaxSectionLength.
SCTE_104_API Bytes write_section(SpliceInfoSection& section);

// CRC-32/MPEG-2: polynomial 0x04C11DB7, initial value 0xFFFFFFFF, not
// reflected, no final XOR.
SCTE_104_API std::uint32_t crc32_mpeg2(const std::uint8_t* data, std::size_t size);

}  // namespace scte35
}  // namespace scte_104

#endif  // SCTE104_SCTE35_H
