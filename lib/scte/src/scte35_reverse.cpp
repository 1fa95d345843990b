// SPDX-License-Identifier: MIT
// From an SCTE 35 section back to the queue mark an injector would have
// turned into it. The mapping is never written twice: each part of the
// section (its command, each descriptor) gets a typed operation only when
// the translation's mapping of that operation, written by the section's
// own field lists, gives the part's very bytes back; otherwise the part
// travels as its bytes (inject_section_data_request,
// insert_descriptor_request_data). Times are compared at the reference PTS
// less pts_adjustment, which folds pts_adjustment into the mark's times.
//
// Nothing is allocated but the message returned: the section is read where
// it lies, one part at a time, byte runs (a segmentation_upid) left in it;
// each typed form is written into one buffer of a section's size; and the
// message is written once into a vector reserved for the most a section of
// its size can need. Only the components of a splice_insert in component
// mode and alignment stuffing are copied out of the section by the reader.
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "bit_writer.h"
#include "layouts.h"
#include "scte/scte35.h"
#include "scte35_mapping.h"
#include "scte35_reading.h"

namespace scte_104::scte35 {
namespace {

constexpr std::uint64_t kTicksPerMillisecond = 90;
constexpr std::uint64_t kTicksPerTenth = 9000;
constexpr std::uint64_t kTicksPerSecond = 90000;
constexpr std::uint64_t kMaxMilliseconds = 65535;
constexpr std::uint64_t kMaxTenths = 65535;
constexpr std::uint64_t kMaxSeconds = 65535;
constexpr std::uint8_t kMaxFrames = 255;
constexpr std::size_t kMaxOperations = 255;
constexpr std::size_t kMaxEntries = 255;  // provider_avail_ids or images in one operation
constexpr std::size_t kHeaderSize = 3;
constexpr std::size_t kMinSectionLength = 15;
constexpr std::size_t kCommandAt = 14;  // the first byte after splice_command_type
constexpr std::uint16_t kLegacyCommandLength = 0xFFF;
constexpr std::uint16_t kNoTier = 0xFFF;

constexpr std::size_t kMessageHeader = 12;

// The most message a section of `size` bytes can need: no part gives more
// than three times its bytes (a component of an immediate splice, 1 byte,
// becomes 3), each operation takes a 4-byte header and stands for at least
// 2 bytes of the section but for the command's 3 (command, components, tier).
std::size_t message_capacity(std::size_t size) {
  return kMessageHeader + 64 + 4 * (3 + size / 2) + 3 * size;
}

void put16(Bytes& out, std::size_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8u));
  out.push_back(static_cast<std::uint8_t>(value));
}
void set16(Bytes& out, std::size_t at, std::size_t value) {
  out[at] = static_cast<std::uint8_t>(value >> 8u);
  out[at + 1] = static_cast<std::uint8_t>(value);
}

// The bits of `bytes` from bit `at`, `bits` wide, read and written back.
std::uint64_t get_bits(const std::uint8_t* bytes, std::size_t at, unsigned bits) {
  std::uint64_t value = 0;
  for (unsigned i = 0; i < bits; ++i, ++at) {
    value = value << 1u | ((static_cast<unsigned>(bytes[at / 8]) >> (7 - at % 8)) & 1u);
  }
  return value;
}
void set_bits(std::uint8_t* bytes, std::size_t at, unsigned bits, std::uint64_t value) {
  for (unsigned i = bits; i-- > 0; ++at) {
    const auto mask = static_cast<std::uint8_t>(0x80u >> (at % 8));
    bytes[at / 8] = static_cast<std::uint8_t>(((value >> i) & 1u) != 0 ? bytes[at / 8] | mask
                                                                        : bytes[at / 8] & ~mask);
  }
}

// Walks a command record as the writer does, adding `delta` to each pts_time
// in its bytes: the command injected as it stands, with pts_adjustment
// folded in and every other bit kept.
class PtsShift : public RecordWalk<PtsShift> {
 public:
  PtsShift(std::uint8_t* bytes, std::uint64_t delta) : mBytes(bytes), mDelta(delta) {}

  void field(const char* name, std::uint64_t /*value*/, unsigned bits) {
    if (name != nullptr && std::strcmp(name, "pts_time") == 0) {
      set_bits(mBytes, mBit, bits, (get_bits(mBytes, mBit, bits) + mDelta) & kMaxPts);
    }
    mBit += bits;
  }
  void bytes(const std::uint8_t* /*data*/, std::size_t count) { mBit += 8 * count; }

 private:
  std::uint8_t* mBytes;
  std::uint64_t mDelta;
  std::size_t mBit = 0;
};

// insert_segmentation_descriptor_request_data whose segmentation_upid is
// left in the section: it hides the request's own (which stays empty) from
// the mapping, and the message gets the bytes where the layout puts them.
struct SegmentationRequestImage : InsertSegmentationDescriptorRequest {
  ByteRun segmentation_upid;
};

// segmentation_upid's place in the request's data: after
// segmentation_event_id, segmentation_event_cancel_indicator, duration,
// segmentation_upid_type and segmentation_upid_length, each as wide as its
// member.
constexpr std::size_t kUpidAt = sizeof(InsertSegmentationDescriptorRequest::segmentation_event_id) +
                                sizeof(InsertSegmentationDescriptorRequest::segmentation_event_cancel_indicator) +
                                sizeof(InsertSegmentationDescriptorRequest::duration) +
                                sizeof(InsertSegmentationDescriptorRequest::segmentation_upid_type) +
                                sizeof(InsertSegmentationDescriptorRequest::segmentation_upid_length);

// A time of the section as the mark sees it.
struct MarkTime {
  enum Kind { timed, unspecified, out_of_range } kind = timed;
  std::uint16_t milliseconds = 0;
};

class MarkMaker {
 public:
  MarkMaker(const std::uint8_t* data, std::size_t size, const MarkSettings& settings)
      : mData(data), mSize(size), mSettings(settings) {}

  MarkOfSection run() {
    if (!frame_is_whole()) return std::move(mResult);
    const std::size_t size = kHeaderSize + section_length();
    if (!mSettings.ignore_crc && crc32_mpeg2(mData, size) != 0) {
      return refuse("CRC_32", "does not match the section's bytes");
    }
    std::string reason;
    const char* field = reading::read_section_fields(
        mData, size, mSettings.retime ? UnreadableCommand::refuse : UnreadableCommand::copy,
        mFields, reason);
    if (field != nullptr) return refuse(field, std::move(reason));
    if (mFields.encrypted_packet != 0) {
      return refuse("encrypted_packet", "is 1: a queue mark cannot carry encrypted data");
    }
    // Times in the section count from the reference less pts_adjustment:
    // the typed forms are written at that reference.
    mSectionReference =
        (mSettings.scte35.reference_pts + (kMaxPts + 1) - mFields.pts_adjustment) & kMaxPts;
    mAtSection = mSettings.scte35;
    mAtSection.reference_pts = mSectionReference;

    mMessage.reserve(message_capacity(size));
    put16(mMessage, 0xFFFF);  // reserved
    put16(mMessage, 0);       // message_size, once known
    mMessage.insert(mMessage.end(), {0, 0, 0, 0, 0, mFields.protocol_version, 0, 0});
    command();
    if (mFields.tier != kNoTier) {
      InsertTierData tier;
      tier.tier_data = mFields.tier;
      typed_operation(INSERT_TIER_DATA, tier);
    }
    descriptors();
    if (mOperationCount > kMaxOperations) {
      return refuse("num_ops", std::to_string(mOperationCount) +
                                   " operations would be needed; num_ops has 8 bits");
    }
    if (mPendingField != nullptr) return refuse(mPendingField, std::move(mPendingReason));
    set16(mMessage, 2, mMessage.size());
    mMessage[kMessageHeader - 1] = static_cast<std::uint8_t>(mOperationCount);
    mResult.message = std::move(mMessage);
    return std::move(mResult);
  }

 private:
  // --- the section's frame -----------------------------------------------------

  std::size_t section_length() const {
    return (std::size_t{mData[1]} << 8u | mData[2]) & 0xFFFu;
  }

  bool frame_is_whole() {
    if (mSize < kHeaderSize) {
      note_refusal("section_length", "is not there: the input holds " + std::to_string(mSize) +
                                   " bytes");
      return false;
    }
    if (mData[0] != 0xFC) {
      note_refusal("table_id", "is " + std::to_string(mData[0]) + ", not 252 (0xFC, splice_info_section)");
      return false;
    }
    const std::size_t length = section_length();
    if (length < kMinSectionLength || length > kMaxSectionLength) {
      note_refusal("section_length", std::to_string(length) + " is outside 15 to 4093");
      return false;
    }
    if (kHeaderSize + length > mSize) {
      note_refusal("section_length", std::to_string(length) + " passes the input's " +
                                         std::to_string(mSize - kHeaderSize) + " bytes after it");
      return false;
    }
    for (std::size_t i = kHeaderSize + length; i < mSize; ++i) {
      if (mData[i] != 0xFF) {
        note_refusal("section_length", std::to_string(length) + " ends the section before byte " +
                                     std::to_string(i) + ", which is not 0xFF stuffing");
        return false;
      }
    }
    return true;
  }

  // --- the command ----------------------------------------------------------------

  void command() {
    const std::size_t at = kCommandAt;
    const std::size_t length =
        mFields.splice_command_length != kLegacyCommandLength
            ? mFields.splice_command_length
            : std::visit([](const auto& c) { return wire_size(c); }, mFields.splice_command);
    mDescriptorsAt = at + length + 2;
    if (std::holds_alternative<InjectedCommand>(mFields.splice_command)) {
      inject(at, length, false);
    } else if (!typed_command(at, length)) {
      inject(at, length, mFields.pts_adjustment != 0);
    }
  }

  // inject_section_data_request with the command's `length` bytes from `at`,
  // pts_adjustment folded into its pts_times when `shift`.
  void inject(std::size_t at, std::size_t length, bool shift) {
    InjectSectionDataRequest inject;
    inject.SCTE35_command_length = static_cast<std::uint16_t>(length);
    inject.SCTE35_protocol_version = mFields.protocol_version;
    inject.SCTE35_command_type = mFields.splice_command_type();
    begin_operation(INJECT_SECTION_DATA_REQUEST);
    ByteWriter out(mMessage);
    write_layout(out, inject);  // SCTE35_command_contents follow
    const std::size_t contents_at = mMessage.size();
    mMessage.insert(mMessage.end(), mData + at, mData + at + length);
    end_operation();
    if (shift) {
      std::visit([&](const auto& c) {
        c.for_each_field(PtsShift(mMessage.data() + contents_at, mFields.pts_adjustment));
      }, mFields.splice_command);
    }
  }

  // The typed operations of the command, written when their translation
  // gives the command's type and its `length` bytes from `at` (under retime,
  // whatever it gives); false, writing nothing, when the command is injected.
  // Without retime, a time or a duration with no exact typed form is injected
  // before the translation is asked.
  bool typed_command(std::size_t at, std::size_t length) {
    const SpliceCommand& command = mFields.splice_command;
    if (std::holds_alternative<SpliceNull>(command)) {
      if (!mSettings.retime && !gives_command(SpliceNull{}, at, length)) return false;
      typed_operation(SPLICE_NULL_REQUEST_DATA, SpliceNullRequest{});
      return true;
    }
    if (const auto* signal = std::get_if<TimeSignal>(&command)) {
      const std::optional<std::uint16_t> ms =
          mSettings.retime ? retimed(signal->splice_time).milliseconds : exact_ms(signal->splice_time);
      if (!ms) return false;
      TimeSignalRequest request;
      request.pre_roll_time = *ms;
      if (!mSettings.retime && !gives_command(mapping::time_signal(request, mAtSection), at, length)) {
        return false;
      }
      typed_operation(TIME_SIGNAL_REQUEST_DATA, request);
      return true;
    }
    const auto& insert = std::get<SpliceInsert>(command);
    SpliceRequest request;
    request.request.mSpliceEventId = insert.splice_event_id;
    ComponentModeDpiRequest components;
    if (insert.splice_event_cancel_indicator != 0) {
      request.request.mSpliceInsertType = SPLICE_CANCEL;
    } else {
      if (mSettings.retime) {
        retimed_splice(insert, request, components);
      } else if (!exact_splice(insert, request, components)) {
        return false;
      }
      request.request.mUniqueProgramId = insert.unique_program_id;
      request.request.mAvailNum = insert.avail_num;
      request.request.mAvailsExpected = insert.avails_expected;
    }
    const bool component_mode =
        insert.splice_event_cancel_indicator == 0 && insert.program_splice_flag == 0;
    if (!mSettings.retime) {
      // The translation takes component mode only with a component.
      if (component_mode && components.components.empty()) return false;
      SpliceInsert typed = mapping::splice_insert(request.request, mAtSection);
      if (component_mode) {
        mapping::component_mode(typed, request.request.splice_insert_type(), components.components,
                                mAtSection);
      }
      if (!gives_command(typed, at, length)) return false;
    }
    typed_operation(SPLICE_REQUEST_DATA, request);
    if (component_mode) typed_operation(COMPONENT_MODE_DPI_REQUEST_DATA, components);
    return true;
  }

  // The splice's type, times and duration; false when one has no exact
  // typed form.
  bool exact_splice(const SpliceInsert& insert, SpliceRequest& request,
                    ComponentModeDpiRequest& components) const {
    const bool immediate = insert.splice_immediate_flag != 0;
    set_type(request, insert.out_of_network_indicator != 0, immediate);
    if (insert.program_splice_flag != 0) {
      if (!immediate) {
        const std::optional<std::uint16_t> ms =
            insert.splice_time ? exact_ms(*insert.splice_time) : std::nullopt;
        if (!ms) return false;
        request.request.mPreRollTime = *ms;
      }
    } else {
      components.components.reserve(insert.components.size());
      for (const SpliceComponent& component : insert.components) {
        DpiComponent& added = components.components.emplace_back();
        added.component_tag = component.component_tag;
        if (immediate) continue;
        const std::optional<std::uint16_t> ms =
            component.splice_time ? exact_ms(*component.splice_time) : std::nullopt;
        if (!ms) return false;
        added.component_preroll = *ms;
      }
      if (!components.components.empty()) {
        request.request.mPreRollTime = components.components.front().component_preroll;
      }
    }
    if (insert.break_duration) {
      const std::uint64_t duration = insert.break_duration->duration;
      if (duration % kTicksPerTenth != 0 || duration == 0 ||
          duration / kTicksPerTenth > kMaxTenths) {
        return false;
      }
      request.request.mBreakDuration = static_cast<std::uint16_t>(duration / kTicksPerTenth);
      request.request.mAutoReturnFlag = insert.break_duration->auto_return;
    }
    return true;
  }

  // The splice's type, times and duration under retime: timed against the
  // reference whatever is lost, with a warning naming each lost field.
  void retimed_splice(const SpliceInsert& insert, SpliceRequest& request,
                      ComponentModeDpiRequest& components) {
    const bool start = insert.out_of_network_indicator != 0;
    bool immediate = insert.splice_immediate_flag != 0;
    if (insert.program_splice_flag != 0) {
      if (!immediate) {
        const MarkTime time = retimed(insert.splice_time.value_or(SpliceTime{0, 0}));
        if (time.kind == MarkTime::timed && time.milliseconds == 0) {
          warn("splice_immediate_flag");
        }
        immediate = time.kind != MarkTime::timed || time.milliseconds == 0;
        request.request.mPreRollTime = immediate ? 0 : time.milliseconds;
      }
    } else {
      if (insert.components.empty()) {
        pend("component_count", "is 0: component mode without components");
      }
      components.components.reserve(insert.components.size());
      for (const SpliceComponent& component : insert.components) {
        DpiComponent& added = components.components.emplace_back();
        added.component_tag = component.component_tag;
        if (immediate) continue;
        const MarkTime time = retimed(component.splice_time.value_or(SpliceTime{0, 0}));
        if (time.kind == MarkTime::out_of_range) immediate = true;
        added.component_preroll = time.milliseconds;
      }
      for (DpiComponent& component : components.components) {
        if (immediate) component.component_preroll = 0;
      }
      if (!components.components.empty()) {
        request.request.mPreRollTime = components.components.front().component_preroll;
      }
    }
    set_type(request, start, immediate);
    if (insert.break_duration && !start) {
      warn("break_duration");
    } else if (insert.break_duration) {
      const std::uint64_t duration = insert.break_duration->duration;
      std::uint64_t tenths = (duration + kTicksPerTenth / 2) / kTicksPerTenth;
      if (duration % kTicksPerTenth != 0 || tenths == 0) warn("break_duration");
      if (tenths == 0) tenths = 1;
      if (tenths > kMaxTenths) {
        pend("break_duration", std::to_string(duration) + " ticks pass 65535 tenths of a second");
      }
      request.request.mBreakDuration = static_cast<std::uint16_t>(tenths);
      request.request.mAutoReturnFlag = insert.break_duration->auto_return;
    }
  }

  static void set_type(SpliceRequest& request, bool start, bool immediate) {
    request.request.mSpliceInsertType =
        start ? (immediate ? SPLICE_START_IMMEDIATE : SPLICE_START_NORMAL)
              : (immediate ? SPLICE_END_IMMEDIATE : SPLICE_END_NORMAL);
  }

  // --- times ----------------------------------------------------------------------

  // Ticks from the reference to a pts_time of the section, pts_adjustment
  // included, modulo 2^33.
  std::uint64_t ticks_after_reference(std::uint64_t pts_time) const {
    return (pts_time + (kMaxPts + 1) - mSectionReference) & kMaxPts;
  }

  std::optional<std::uint16_t> exact_ms(const SpliceTime& time) const {
    if (time.time_specified_flag == 0) return std::nullopt;
    const std::uint64_t ticks = ticks_after_reference(time.pts_time);
    if (ticks % kTicksPerMillisecond != 0 || ticks / kTicksPerMillisecond > kMaxMilliseconds) {
      return std::nullopt;
    }
    return static_cast<std::uint16_t>(ticks / kTicksPerMillisecond);
  }

  MarkTime retimed(const SpliceTime& time) {
    if (time.time_specified_flag == 0) {
      warn("time_specified_flag");
      return {MarkTime::unspecified, 0};
    }
    const std::uint64_t ticks = ticks_after_reference(time.pts_time);
    const std::uint64_t ms = (ticks + kTicksPerMillisecond / 2) / kTicksPerMillisecond;
    if (ticks % kTicksPerMillisecond != 0 || ms > kMaxMilliseconds) warn("pts_time");
    if (ms > kMaxMilliseconds) {
      if (mSettings.reference_given) {
        pend("pts_time", "is " + std::to_string(ticks) +
                             " ticks from the reference PTS, outside 0 to 65535 ms");
      }
      return {MarkTime::out_of_range, 0};
    }
    return {MarkTime::timed, static_cast<std::uint16_t>(ms)};
  }

  // --- descriptors ----------------------------------------------------------------

  void descriptors() {
    std::size_t at = mDescriptorsAt;
    const std::size_t end = at + mFields.descriptor_loop_length;
    while (at < end) {
      const std::uint8_t* image = mData + at;
      const std::size_t size = 2u + image[1];
      at += size;
      if (!typed_descriptor(image, size)) copy(image, size);
    }
  }

  // Writes the descriptor's typed operation when its translation is exactly
  // the image; false, writing nothing, when it is copied.
  bool typed_descriptor(const std::uint8_t* image, std::size_t size) {
    switch (image[0]) {
      case AvailDescriptor::kTag: {
        AvailDescriptor read;
        if (!reading::read_descriptor(image, size, read)) return false;
        AvailDescriptor typed = mapping::avail_descriptor(read.provider_avail_id);
        if (!gives_image(typed, image, size)) return false;
        add_avail(read.provider_avail_id);
        return true;
      }
      case DtmfDescriptor::kTag: {
        DtmfDescriptor read;
        if (!reading::read_descriptor(image, size, read)) return false;
        InsertDtmfDescriptorRequest request;
        request.pre_roll = read.preroll;
        request.dtmf_length = static_cast<std::uint8_t>(read.DTMF_char.text.size());
        request.DTMF_char = read.DTMF_char;
        DtmfDescriptor typed = mapping::dtmf_descriptor(request);
        if (!gives_image(typed, image, size)) return false;
        typed_operation(INSERT_DTMF_DESCRIPTOR_REQUEST_DATA, request);
        return true;
      }
      case SegmentationDescriptor::kTag:
        return segmentation(image, size);
      case TimeDescriptor::kTag: {
        TimeDescriptor read;
        if (!reading::read_descriptor(image, size, read)) return false;
        InsertTimeDescriptor request;
        request.TAI_seconds = read.TAI_seconds;
        request.TAI_ns = read.TAI_ns;
        request.UTC_offset = read.UTC_offset;
        TimeDescriptor typed = mapping::time_descriptor(request);
        if (!gives_image(typed, image, size)) return false;
        typed_operation(INSERT_TIME_DESCRIPTOR, request);
        return true;
      }
      default:
        return false;
    }
  }

  // insert_segmentation_descriptor_request_data, always with its nine
  // optional bytes. The UPID stays in the section throughout: the request
  // and the descriptor the translation makes of it point at it, and it is
  // written into the message from there.
  bool segmentation(const std::uint8_t* image, std::size_t size) {
    reading::SegmentationImage d;
    if (!reading::read_descriptor(image, size, d)) return false;
    SegmentationRequestImage r;
    r.segmentation_event_id = d.segmentation_event_id;
    r.segmentation_event_cancel_indicator = d.segmentation_event_cancel_indicator;
    r.duration_extension_frames = 0;
    r.delivery_not_restricted_flag = 0;
    r.web_delivery_allowed_flag = 0;
    r.no_regional_blackout_flag = 0;
    r.archive_allowed_flag = 0;
    r.device_restrictions = 0;
    r.insert_sub_segment_info = 0;
    r.sub_segment_num = 0;
    r.sub_segments_expected = 0;
    if (d.segmentation_event_cancel_indicator == 0) {
      if (d.segmentation_duration_flag != 0) {
        const std::optional<std::pair<std::uint16_t, std::uint8_t>> split =
            split_duration(d.segmentation_duration);
        if (!split) return false;
        r.duration = split->first;
        r.duration_extension_frames = split->second;
      }
      r.segmentation_upid_type = d.segmentation_upid_type;
      r.segmentation_upid_length = static_cast<std::uint8_t>(d.segmentation_upid.size());
      r.segmentation_upid = d.segmentation_upid;
      r.segmentation_type_id = d.segmentation_type_id;
      r.segment_num = d.segment_num;
      r.segments_expected = d.segments_expected;
      r.delivery_not_restricted_flag = d.delivery_not_restricted_flag;
      if (d.delivery_not_restricted_flag == 0) {
        r.web_delivery_allowed_flag = d.web_delivery_allowed_flag;
        r.no_regional_blackout_flag = d.no_regional_blackout_flag;
        r.archive_allowed_flag = d.archive_allowed_flag;
        r.device_restrictions = d.device_restrictions;
      }
      if (d.has_sub_segments) {
        r.insert_sub_segment_info = 1;
        r.sub_segment_num = d.sub_segment_num;
        r.sub_segments_expected = d.sub_segments_expected;
      }
    }
    mapping::segmentation_descriptor(r, mAtSection, d);
    if (!gives_image(d, image, size)) return false;
    // The operation's layout with an empty UPID, then the UPID in its place.
    begin_operation(INSERT_SEGMENTATION_DESCRIPTOR_REQUEST_DATA);
    const std::size_t upid_at = mMessage.size() + kUpidAt;
    ByteWriter out(mMessage);
    write_layout(out, static_cast<const InsertSegmentationDescriptorRequest&>(r));
    const ByteRun upid = r.segmentation_upid;
    mMessage.insert(mMessage.begin() + static_cast<std::ptrdiff_t>(upid_at), upid.data,
                    upid.data + upid.length);
    end_operation();
    return true;
  }

  // A run of avail_descriptors, or of copied descriptors, is one operation
  // of up to 255 entries, counted in its first data byte: a new entry opens
  // a new operation only after another kind or a full one. The caller then
  // appends the entry and ends the operation.
  template <typename Request>
  void add_entry(MultipleOperationId id) {
    if (mLastOperation != id || mMessage[mOperationAt + 4] == kMaxEntries) {
      begin_operation(id);
      ByteWriter out(mMessage);
      write_layout(out, Request{});  // the count, 0, and no entries
    }
    ++mMessage[mOperationAt + 4];
  }

  void add_avail(std::uint32_t provider_avail_id) {
    add_entry<InsertAvailDescriptorRequest>(INSERT_AVAIL_DESCRIPTOR_REQUEST_DATA);
    ByteWriter(mMessage).write(provider_avail_id);
    end_operation();
  }

  void copy(const std::uint8_t* image, std::size_t size) {
    add_entry<InsertDescriptorRequest>(INSERT_DESCRIPTOR_REQUEST_DATA);
    mMessage.insert(mMessage.end(), image, image + size);
    end_operation();
  }

  // segmentation_duration as whole seconds (the most that leave a rest of
  // whole frames at the frame rate) and up to 255 frames.
  std::optional<std::pair<std::uint16_t, std::uint8_t>> split_duration(std::uint64_t ticks) const {
    const std::uint64_t num = mSettings.scte35.frame_rate.num;
    const std::uint64_t den = mSettings.scte35.frame_rate.den;
    const auto frame_ticks = [num, den](std::uint64_t frames) {
      return (frames * kTicksPerSecond * den + num / 2) / num;
    };
    const std::uint64_t most_rest = frame_ticks(kMaxFrames);
    std::uint64_t seconds = std::min(kMaxSeconds, ticks / kTicksPerSecond);
    for (; seconds >= 1; --seconds) {
      const std::uint64_t rest = ticks - seconds * kTicksPerSecond;
      if (rest > most_rest) break;
      const std::uint64_t guess = rest * num / (kTicksPerSecond * den);
      for (std::uint64_t frames = guess > 0 ? guess - 1 : 0;
           frames <= guess + 1 && frames <= kMaxFrames; ++frames) {
        if (frame_ticks(frames) == rest) {
          return std::make_pair(static_cast<std::uint16_t>(seconds),
                                static_cast<std::uint8_t>(frames));
        }
      }
    }
    return std::nullopt;
  }

  // --- the translation decides -----------------------------------------------------

  // Whether the typed command, written by the section's field list, is
  // splice_command_type and the command's `length` bytes from `at`.
  template <typename Command>
  bool gives_command(const Command& command, std::size_t at, std::size_t length) {
    BitWriter out(mBuffer.data(), mBuffer.size());
    out("splice_command_type", Command::kType, 8);
    command.for_each_field(out);
    return !out.overflowed() && out.size() == length + 1 &&
           std::equal(mBuffer.begin(), mBuffer.begin() + static_cast<std::ptrdiff_t>(length + 1),
                      mData + at - 1);
  }

  // Whether the typed descriptor, written by its field list, is the image.
  template <typename Descriptor>
  bool gives_image(Descriptor& descriptor, const std::uint8_t* image, std::size_t size) {
    if (!mapping::set_descriptor_length(descriptor)) return false;
    BitWriter out(mBuffer.data(), mBuffer.size());
    std::as_const(descriptor).for_each_field(out);
    return !out.overflowed() && out.size() == size &&
           std::equal(image, image + size, mBuffer.begin());
  }

  // --- the message ------------------------------------------------------------------

  // An operation: opID, data_length (set by end_operation()), its data.
  void begin_operation(MultipleOperationId id) {
    mOperationAt = mMessage.size();
    mLastOperation = id;
    ++mOperationCount;
    put16(mMessage, id);
    put16(mMessage, 0);
  }
  void end_operation() { set16(mMessage, mOperationAt + 2, mMessage.size() - mOperationAt - 4); }

  template <typename Fields>
  void typed_operation(MultipleOperationId id, const Fields& fields) {
    begin_operation(id);
    ByteWriter out(mMessage);
    write_layout(out, fields);
    end_operation();
  }

  // --- outcomes ---------------------------------------------------------------------

  void note_refusal(const char* field, std::string reason) {
    mResult.field = field;
    mResult.reason = std::move(reason);
    mResult.message.clear();
  }

  MarkOfSection refuse(const char* field, std::string reason) {
    note_refusal(field, std::move(reason));
    return std::move(mResult);
  }

  // A retime refusal waits for the checks that come before it.
  void pend(const char* field, std::string reason) {
    if (mPendingField != nullptr) return;
    mPendingField = field;
    mPendingReason = std::move(reason);
  }

  void warn(const char* field) {
    for (std::size_t i = 0; i < mResult.warning_count; ++i) {
      if (std::strcmp(mResult.warnings[i], field) == 0) return;
    }
    if (mResult.warning_count < mResult.warnings.size()) {
      mResult.warnings[mResult.warning_count++] = field;
    }
  }

  const std::uint8_t* mData;
  std::size_t mSize;
  const MarkSettings& mSettings;
  SpliceInfoSection mFields;  // the descriptors are read one at a time
  std::uint64_t mSectionReference = 0;
  Scte35Settings mAtSection;  // the translation's settings: the section's own reference
  std::size_t mDescriptorsAt = 0;
  std::array<std::uint8_t, 3 + kMaxSectionLength> mBuffer;  // a typed form, written
  Bytes mMessage;
  std::size_t mOperationCount = 0;
  std::size_t mOperationAt = 0;  // where the last operation starts in mMessage
  MultipleOperationId mLastOperation = MultipleOperationId{0};
  const char* mPendingField = nullptr;
  std::string mPendingReason;
  MarkOfSection mResult;
};

}  // namespace

MarkOfSection mark_of_section(const std::uint8_t* data, std::size_t size,
                              const MarkSettings& settings) {
  return MarkMaker(data, size, settings).run();
}

}  // namespace scte_104::scte35
