// SPDX-License-Identifier: MIT
// SCTE 35 splice_info_section()s: what an SCTE 35 injector makes of a
// queue mark (one multiple_operation_message() becomes sections), and the
// reader of sections as equipment sends them, both over the same records.
//
// Each record lists its fields in wire order through for_each_field(f),
// which reads like the syntax tables of SCTE 35:
//   f(name, value, bits)  an unsigned field `bits` wide (1 to 48)
//   f.reserved(bits)      reserved bits, written as 1s, never shown
//   f(name, bytes)        a byte run (Bytes, or DtmfChars for DTMF_char)
//   f(name, record)       a nested record, or an optional or list of them
// Fields that the bytes do not hold (everything after a cancel indicator,
// say) are simply not listed. Walked as not const, the same list reads the
// record from bytes (see the helpers in scte35::fields).
#ifndef SCTE104_SCTE35_H
#define SCTE104_SCTE35_H

#include <array>
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

// What the field lists below need beyond f(name, value, bits): a record
// walked as const is being written or shown; walked as not const, it is
// being read (see read_section()), and the list then also says what the
// bytes themselves decide: how many entries a count announces, whether an
// optional part follows, how long a byte run is.
namespace fields {

template <typename Self>
constexpr bool kReading = !std::is_const_v<Self>;

// A count on the wire followed, later, by that many entries.
template <typename F, typename Sequence>
void count(F& f, const char* name, const Sequence& sequence, unsigned bits) {
  f(name, sequence.size(), bits);
}
template <typename F, typename Sequence>
void count(F& f, const char* name, Sequence& sequence, unsigned bits) {
  std::size_t count = 0;
  f(name, count, bits);
  sequence.resize(count);
}

// An optional part: written when present; read when `present` says so.
template <typename T>
void present_if(const std::optional<T>& /*part*/, bool /*present*/) {}
template <typename T>
void present_if(std::optional<T>& part, bool present) {
  if (!present) {
    part.reset();
  } else if (!part) {
    part.emplace();
  }
}

// A byte run of `size` bytes when read.
template <typename Run>
void sized(const Run& /*run*/, std::size_t /*size*/) {}
template <typename Run>
void sized(Run& run, std::size_t size) {
  run.resize(size);
}

// A byte run that fills the rest of the bytes but the last `keep`; shown
// only when it holds bytes.
template <typename F, typename Run>
void rest(F& f, const char* name, const Run& run, std::size_t /*keep*/) {
  if (!run.empty()) f(name, run);
}
template <typename F, typename Run>
void rest(F& f, const char* name, Run& run, std::size_t keep) {
  run.resize(f.rest_bytes(keep));
  if (!run.empty()) f(name, run);
}

}  // namespace fields

// splice_time(); pts_time only when time_specified_flag is 1.
struct SpliceTime {
  std::uint8_t time_specified_flag = 1;
  std::uint64_t pts_time = 0;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("time_specified_flag", r.time_specified_flag, 1);
    if (r.time_specified_flag == 0) {
      f.reserved(7);
      return;
    }
    f.reserved(6);
    f("pts_time", r.pts_time, 33);
  }
};

// break_duration().
struct BreakDuration {
  std::uint8_t auto_return = 0;
  std::uint64_t duration = 0;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("auto_return", r.auto_return, 1);
    f.reserved(6);
    f("duration", r.duration, 33);
  }
};

// One component of a splice_insert in component mode; no splice_time when
// the splice is immediate.
struct SpliceComponent {
  std::uint8_t component_tag = 0;
  std::optional<SpliceTime> splice_time;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("component_tag", r.component_tag, 8);
    f("splice_time", r.splice_time);
  }
};

// splice_null() (type 0x00): no fields.
struct SpliceNull {
  static constexpr std::uint8_t kType = 0x00;
  template <typename F>
  void for_each_field(F&&) const {}
  template <typename F>
  void for_each_field(F&&) {}
};

// splice_insert() (type 0x05). The reserved bits after
// splice_event_cancel_indicator (event_id_compliance_flag in newer
// editions) are not kept.
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

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("splice_event_id", r.splice_event_id, 32);
    f("splice_event_cancel_indicator", r.splice_event_cancel_indicator, 1);
    f.reserved(7);
    if (r.splice_event_cancel_indicator != 0) return;
    f("out_of_network_indicator", r.out_of_network_indicator, 1);
    f("program_splice_flag", r.program_splice_flag, 1);
    f("duration_flag", r.duration_flag, 1);
    f("splice_immediate_flag", r.splice_immediate_flag, 1);
    f.reserved(4);
    const bool timed = r.splice_immediate_flag == 0;
    if (r.program_splice_flag != 0) {
      fields::present_if(r.splice_time, timed);
      f("splice_time", r.splice_time);
    } else {
      fields::count(f, "component_count", r.components, 8);
      for (auto& component : r.components) fields::present_if(component.splice_time, timed);
      f("components", r.components);
    }
    fields::present_if(r.break_duration, r.duration_flag != 0);
    f("break_duration", r.break_duration);
    f("unique_program_id", r.unique_program_id, 16);
    f("avail_num", r.avail_num, 8);
    f("avails_expected", r.avails_expected, 8);
  }
};

// time_signal() (type 0x06).
struct TimeSignal {
  static constexpr std::uint8_t kType = 0x06;
  SpliceTime splice_time;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("splice_time", r.splice_time);
  }
};

// A command kept as its bytes: one made elsewhere and copied as it came
// (inject_section_data_request), or one of a type that we do not read. Its
// type travels beside it in splice_command_type.
struct InjectedCommand {
  std::uint8_t type = 0;
  Bytes data;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("data", r.data);
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

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("splice_descriptor_tag", kTag, 8);
    f("descriptor_length", r.descriptor_length, 8);
    f("identifier", kCueIdentifier, 32);
    f("provider_avail_id", r.provider_avail_id, 32);
  }
};

// DTMF_descriptor() (tag 0x01).
struct DtmfDescriptor {
  static constexpr std::uint8_t kTag = 0x01;
  std::uint8_t descriptor_length = 0;
  std::uint8_t preroll = 0;
  DtmfChars DTMF_char;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("splice_descriptor_tag", kTag, 8);
    f("descriptor_length", r.descriptor_length, 8);
    f("identifier", kCueIdentifier, 32);
    f("preroll", r.preroll, 8);
    fields::count(f, "dtmf_count", r.DTMF_char.text, 3);
    f.reserved(5);
    f("DTMF_char", r.DTMF_char);
  }
};

// One component of a segmentation_descriptor in component mode.
struct SegmentationComponent {
  std::uint8_t component_tag = 0;
  std::uint64_t pts_offset = 0;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("component_tag", r.component_tag, 8);
    f.reserved(7);
    f("pts_offset", r.pts_offset, 33);
  }
};

// segmentation_descriptor() (tag 0x02). The translation writes program
// mode only; component mode is read.
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
  std::vector<SegmentationComponent> components;  // component mode
  std::uint64_t segmentation_duration = 0;  // 40 bits of 90 kHz ticks
  std::uint8_t segmentation_upid_type = 0;
  Bytes segmentation_upid;
  std::uint8_t segmentation_type_id = 0;
  std::uint8_t segment_num = 0;
  std::uint8_t segments_expected = 0;
  bool has_sub_segments = false;
  std::uint8_t sub_segment_num = 0;
  std::uint8_t sub_segments_expected = 0;

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("splice_descriptor_tag", kTag, 8);
    f("descriptor_length", r.descriptor_length, 8);
    f("identifier", kCueIdentifier, 32);
    f("segmentation_event_id", r.segmentation_event_id, 32);
    f("segmentation_event_cancel_indicator", r.segmentation_event_cancel_indicator, 1);
    f.reserved(7);
    if (r.segmentation_event_cancel_indicator != 0) return;
    f("program_segmentation_flag", r.program_segmentation_flag, 1);
    f("segmentation_duration_flag", r.segmentation_duration_flag, 1);
    f("delivery_not_restricted_flag", r.delivery_not_restricted_flag, 1);
    if (r.delivery_not_restricted_flag == 0) {
      f("web_delivery_allowed_flag", r.web_delivery_allowed_flag, 1);
      f("no_regional_blackout_flag", r.no_regional_blackout_flag, 1);
      f("archive_allowed_flag", r.archive_allowed_flag, 1);
      f("device_restrictions", r.device_restrictions, 2);
    } else {
      f.reserved(5);
    }
    if (r.program_segmentation_flag == 0) {
      fields::count(f, "component_count", r.components, 8);
      f("components", r.components);
    }
    if (r.segmentation_duration_flag != 0) {
      f("segmentation_duration", r.segmentation_duration, 40);
    }
    f("segmentation_upid_type", r.segmentation_upid_type, 8);
    fields::count(f, "segmentation_upid_length", r.segmentation_upid, 8);
    f("segmentation_upid", r.segmentation_upid);
    f("segmentation_type_id", r.segmentation_type_id, 8);
    f("segment_num", r.segment_num, 8);
    f("segments_expected", r.segments_expected, 8);
    // Read when exactly their two bytes are left in the descriptor.
    if constexpr (fields::kReading<Self>) r.has_sub_segments = f.rest_bytes(0) == 2;
    if (r.has_sub_segments) {
      f("sub_segment_num", r.sub_segment_num, 8);
      f("sub_segments_expected", r.sub_segments_expected, 8);
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

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("splice_descriptor_tag", kTag, 8);
    f("descriptor_length", r.descriptor_length, 8);
    f("identifier", kCueIdentifier, 32);
    f("TAI_seconds", r.TAI_seconds, 48);
    f("TAI_ns", r.TAI_ns, 32);
    f("UTC_offset", r.UTC_offset, 16);
  }
};

// A descriptor kept as its image: tag, length and body as they stand,
// whatever identifier the body holds. Automation sends such images whole;
// the reader keeps every descriptor this way that is not one of the four
// above with identifier "CUEI" and a body that holds exactly its fields.
struct CopiedDescriptor {
  std::uint8_t splice_descriptor_tag = 0;
  std::uint8_t descriptor_length = 0;
  Bytes data;  // the body, descriptor_length bytes

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("splice_descriptor_tag", r.splice_descriptor_tag, 8);
    f("descriptor_length", r.descriptor_length, 8);
    fields::sized(r.data, r.descriptor_length);
    f("data", r.data);
  }
};

using SpliceDescriptor = std::variant<AvailDescriptor, DtmfDescriptor, SegmentationDescriptor,
                                      TimeDescriptor, CopiedDescriptor>;

// splice_info_section(). The translation writes it in the clear and
// without alignment stuffing, and write_section() fills in the lengths and
// CRC_32; the reader also keeps what other equipment sends: alignment
// stuffing, and an encrypted section's bytes as they stand.
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
  std::uint16_t splice_command_length = 0;  // 0xFFF in legacy sections
  SpliceCommand splice_command;
  std::uint16_t descriptor_loop_length = 0;
  std::vector<SpliceDescriptor> descriptors;
  Bytes alignment_stuffing;
  // encrypted_packet 1: every byte from splice_command_type up to CRC_32,
  // E_CRC_32 included, as it stands.
  Bytes encrypted_data;
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

  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& r, F& f) {
    f("table_id", r.table_id, 8);
    f("section_syntax_indicator", r.section_syntax_indicator, 1);
    f("private_indicator", r.private_indicator, 1);
    f("sap_type", r.sap_type, 2);
    f("section_length", r.section_length, 12);
    f("protocol_version", r.protocol_version, 8);
    f("encrypted_packet", r.encrypted_packet, 1);
    f("encryption_algorithm", r.encryption_algorithm, 6);
    f("pts_adjustment", r.pts_adjustment, 33);
    f("cw_index", r.cw_index, 8);
    f("tier", r.tier, 12);
    f("splice_command_length", r.splice_command_length, 12);
    if (r.encrypted_packet != 0) {
      fields::rest(f, "encrypted_data", r.encrypted_data, 4);
    } else {
      if constexpr (fields::kReading<Self>) {
        f.splice_command("splice_command_type", "splice_command", r.splice_command,
                         r.splice_command_length);
      } else {
        f("splice_command_type", r.splice_command_type(), 8);
        f("splice_command", r.splice_command);
      }
      f("descriptor_loop_length", r.descriptor_loop_length, 16);
      if constexpr (fields::kReading<Self>) {
        f.descriptors("descriptors", r.descriptors, r.descriptor_loop_length);
      } else {
        f("descriptors", r.descriptors);
      }
      fields::rest(f, "alignment_stuffing", r.alignment_stuffing, 4);
    }
    f("CRC_32", r.CRC_32, 32);
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

// The same, into a caller's buffer of `capacity` bytes (4096 hold any
// section): returns the section's size, or 0, writing nothing, when the
// section does not fit.
SCTE_104_API std::size_t write_section(SpliceInfoSection& section, std::uint8_t* out,
                                       std::size_t capacity);

// What the way back from a section to a queue mark needs besides the
// section.
struct MarkSettings {
  Scte35Settings scte35;  // the reference PTS and the frame rate
  bool reference_given = false;  // the reference PTS was chosen, not the default
  // Every splice_null, splice_insert and time_signal becomes its typed
  // operation, timed against the reference, even where that loses precision.
  bool retime = false;
  bool ignore_crc = false;  // a wrong CRC_32 is not a refusal
};

// The queue mark that a section came from, or the field that refused it.
struct MarkOfSection {
  // The multiple_operation_message(), from its reserved field on (no lead
  // byte); empty when refused.
  Bytes message;
  const char* field = nullptr;  // the field at fault; null when a mark was made
  std::string reason;  // what is wrong with it, after the field's name
  // Under retime, the fields whose precision was lost, each named once, in
  // the order they were first met.
  std::array<const char*, 4> warnings{};
  std::size_t warning_count = 0;

  bool refused() const { return field != nullptr; }
};

// The canonical mark whose translation (at the same reference PTS and frame
// rate) gives the section at the start of `data` back byte for byte, but for
// what a mark cannot carry: pts_adjustment (folded into the times),
// cw_index, sap_type, section_syntax_indicator, private_indicator,
// encryption_algorithm (of a section in the clear), alignment_stuffing, a legacy splice_command_length and, when ignored, the
// CRC_32. Bytes after the section must all be 0xFF. A section is refused,
// naming the field, in this order: section_length (fewer than 3 bytes),
// table_id, section_length, CRC_32, encrypted_packet, the command
// (splice_command_length, section_length), the descriptor loop
// (descriptor_loop_length), num_ops (more than 255 operations), then under
// retime pts_time, break_duration and component_count. A mark costs one
// allocation, its message, for any section but one with a splice_insert in
// component mode or alignment stuffing.
SCTE_104_API MarkOfSection mark_of_section(const std::uint8_t* data, std::size_t size,
                                           const MarkSettings& settings);

// How read_section() takes a splice_null, splice_insert or time_signal
// whose bytes do not read as that command (its fields pass
// splice_command_length, or leave some of its bytes over).
enum class UnreadableCommand {
  refuse,  // the section is refused, naming splice_command_length
  copy,    // the command is kept as its bytes, an InjectedCommand
};

// A section read from bytes, or the field that refused it.
struct SectionRead {
  Section section;  // the fields and the section's 3 + section_length bytes
  const char* field = nullptr;  // the field at fault; null when the section was read
  std::string reason;  // what is wrong with it, after the field's name

  bool refused() const { return field != nullptr; }
};

// Reads the splice_info_section() at the start of `data` into the records
// that the translation writes (bytes after 3 + section_length are not
// looked at; CRC_32 is read, not checked). Refused, naming the field:
// fewer than 3 bytes, section_length under 15 or past `size`
// (section_length); table_id other than 0xFC (table_id); an unknown
// command with splice_command_length 0xFFF, or a known one whose fields do
// not read (splice_command_length); a command passing the section
// (section_length); a descriptor loop passing the section or a descriptor
// passing the loop (descriptor_loop_length). Legacy splice_command_length
// 0xFFF is read by the command's own fields. A section with
// encrypted_packet 1 keeps its bytes after splice_command_length in
// encrypted_data.
SCTE_104_API SectionRead read_section(const std::uint8_t* data, std::size_t size,
                                      UnreadableCommand unreadable = UnreadableCommand::refuse);

// CRC-32/MPEG-2: polynomial 0x04C11DB7, initial value 0xFFFFFFFF, not
// reflected, no final XOR.
SCTE_104_API std::uint32_t crc32_mpeg2(const std::uint8_t* data, std::size_t size);

}  // namespace scte35
}  // namespace scte_104

#endif  // SCTE104_SCTE35_H
