// SPDX-License-Identifier: MIT
// From an SCTE 35 section back to the queue mark an injector would have
// turned into it. The mapping is never written twice: each part of the
// section (its command, each descriptor) gets a typed operation only when
// the translation of that operation gives the part's very bytes back;
// otherwise the part travels as its bytes (inject_section_data_request,
// insert_descriptor_request_data). Times are compared through the
// translation at the reference PTS less pts_adjustment, which folds
// pts_adjustment into the mark's times.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "bit_writer.h"
#include "scte/scte35.h"

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

// One operation of the mark, as it goes on the wire.
struct MarkOperation {
  MultipleOperationId id;
  Bytes data;
};

MarkOperation operation(MultipleOperationId id, const OperationFields& fields) {
  return {id, write_fields(fields)};
}

void put16(Bytes& out, std::size_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8u));
  out.push_back(static_cast<std::uint8_t>(value));
}

// multiple_operation_message(): reserved, message_size, protocol_version 0,
// AS_index 0, message_number 0, DPI_PID_index 0, SCTE35_protocol_version,
// timestamp time_type 0, num_ops, then each operation.
Bytes message_bytes(std::uint8_t scte35_protocol_version, const std::vector<MarkOperation>& ops) {
  constexpr std::size_t kMessageHeader = 12;
  std::size_t size = kMessageHeader;
  for (const MarkOperation& op : ops) size += 4 + op.data.size();
  Bytes out;
  out.reserve(size);
  put16(out, 0xFFFF);
  put16(out, size);
  out.insert(out.end(), {0, 0, 0, 0, 0, scte35_protocol_version, 0,
                         static_cast<std::uint8_t>(ops.size())});
  for (const MarkOperation& op : ops) {
    put16(out, op.id);
    put16(out, op.data.size());
    out.insert(out.end(), op.data.begin(), op.data.end());
  }
  return out;
}

// The bits of `bytes` from bit `at`, `bits` wide, read and written back.
std::uint64_t get_bits(const Bytes& bytes, std::size_t at, unsigned bits) {
  std::uint64_t value = 0;
  for (unsigned i = 0; i < bits; ++i, ++at) {
    value = value << 1u | ((static_cast<unsigned>(bytes[at / 8]) >> (7 - at % 8)) & 1u);
  }
  return value;
}
void set_bits(Bytes& bytes, std::size_t at, unsigned bits, std::uint64_t value) {
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
  PtsShift(Bytes& bytes, std::uint64_t delta) : mBytes(bytes), mDelta(delta) {}

  void field(const char* name, std::uint64_t /*value*/, unsigned bits) {
    if (name != nullptr && std::strcmp(name, "pts_time") == 0) {
      set_bits(mBytes, mBit, bits, (get_bits(mBytes, mBit, bits) + mDelta) & kMaxPts);
    }
    mBit += bits;
  }
  void bytes(const std::uint8_t* /*data*/, std::size_t count) { mBit += 8 * count; }

 private:
  Bytes& mBytes;
  std::uint64_t mDelta;
  std::size_t mBit = 0;
};

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
    SectionRead read = read_section(
        mData, size, mSettings.retime ? UnreadableCommand::refuse : UnreadableCommand::copy);
    if (read.refused()) return refuse(read.field, std::move(read.reason));
    mSection = std::move(read.section);
    const SpliceInfoSection& fields = mSection.fields;
    if (fields.encrypted_packet != 0) {
      return refuse("encrypted_packet", "is 1: a queue mark cannot carry encrypted data");
    }
    // Times in the section count from the reference less pts_adjustment.
    mSectionReference =
        (mSettings.scte35.reference_pts + (kMaxPts + 1) - fields.pts_adjustment) & kMaxPts;
    command();
    if (fields.tier != kNoTier) {
      InsertTierData tier;
      tier.tier_data = fields.tier;
      mOperations.push_back(operation(INSERT_TIER_DATA, tier));
    }
    descriptors();
    if (mOperations.size() > kMaxOperations) {
      return refuse("num_ops", std::to_string(mOperations.size()) +
                                   " operations would be needed; num_ops has 8 bits");
    }
    if (mPendingField != nullptr) return refuse(mPendingField, std::move(mPendingReason));
    mResult.message = message_bytes(fields.protocol_version, mOperations);
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
    const SpliceInfoSection& fields = mSection.fields;
    const std::size_t at = kCommandAt;
    const std::size_t length =
        fields.splice_command_length != kLegacyCommandLength
            ? fields.splice_command_length
            : std::visit([](const auto& c) { return wire_size(c); }, fields.splice_command);
    mDescriptorsAt = at + length + 2;
    if (std::holds_alternative<InjectedCommand>(fields.splice_command)) {
      inject(Bytes(mData + at, mData + at + length));
      return;
    }
    std::vector<MarkOperation> typed = typed_command();
    if (!mSettings.retime && !typed.empty() && !translates_to_command(typed, at - 1, length + 1)) {
      typed.clear();
    }
    if (typed.empty()) {
      Bytes bytes(mData + at, mData + at + length);
      if (fields.pts_adjustment != 0) {
        std::visit([&](const auto& c) { c.for_each_field(PtsShift(bytes, fields.pts_adjustment)); },
                   fields.splice_command);
      }
      inject(std::move(bytes));
      return;
    }
    for (MarkOperation& op : typed) mOperations.push_back(std::move(op));
  }

  void inject(Bytes contents) {
    InjectSectionDataRequest inject;
    inject.SCTE35_command_length = static_cast<std::uint16_t>(contents.size());
    inject.SCTE35_protocol_version = mSection.fields.protocol_version;
    inject.SCTE35_command_type = mSection.fields.splice_command_type();
    inject.SCTE35_command_contents = std::move(contents);
    mOperations.push_back(operation(INJECT_SECTION_DATA_REQUEST, inject));
  }

  // The typed operations of the command, read off its fields. Without
  // retime, none when a time or a duration has no exact typed form; whether
  // the typed form is exact in every other bit, the translation decides.
  std::vector<MarkOperation> typed_command() {
    const SpliceCommand& command = mSection.fields.splice_command;
    if (std::holds_alternative<SpliceNull>(command)) {
      return {operation(SPLICE_NULL_REQUEST_DATA, SpliceNullRequest{})};
    }
    if (const auto* signal = std::get_if<TimeSignal>(&command)) {
      const std::optional<std::uint16_t> ms =
          mSettings.retime ? retimed(signal->splice_time).milliseconds : exact_ms(signal->splice_time);
      if (!ms) return {};
      TimeSignalRequest request;
      request.pre_roll_time = *ms;
      return {operation(TIME_SIGNAL_REQUEST_DATA, request)};
    }
    const auto& insert = std::get<SpliceInsert>(command);
    SpliceRequest request;
    request.request.mSpliceEventId = insert.splice_event_id;
    if (insert.splice_event_cancel_indicator != 0) {
      request.request.mSpliceInsertType = SPLICE_CANCEL;
      return {operation(SPLICE_REQUEST_DATA, request)};
    }
    ComponentModeDpiRequest components;
    if (mSettings.retime) {
      retimed_splice(insert, request, components);
    } else if (!exact_splice(insert, request, components)) {
      return {};
    }
    request.request.mUniqueProgramId = insert.unique_program_id;
    request.request.mAvailNum = insert.avail_num;
    request.request.mAvailsExpected = insert.avails_expected;
    std::vector<MarkOperation> ops{operation(SPLICE_REQUEST_DATA, request)};
    if (insert.program_splice_flag == 0) {
      ops.push_back(operation(COMPONENT_MODE_DPI_REQUEST_DATA, components));
    }
    return ops;
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
    for (const SpliceDescriptor& descriptor : mSection.fields.descriptors) {
      const std::size_t size =
          2u + std::visit([](const auto& d) -> std::size_t { return d.descriptor_length; }, descriptor);
      const Bytes image(mData + at, mData + at + size);
      at += size;
      std::optional<MarkOperation> typed = typed_descriptor(descriptor);
      if (typed && !translates_to_descriptor(*typed, image)) typed.reset();
      if (!typed) {
        copy(image);
      } else if (typed->id == INSERT_AVAIL_DESCRIPTOR_REQUEST_DATA) {
        add_avail(std::get<AvailDescriptor>(descriptor).provider_avail_id);
      } else {
        mOperations.push_back(std::move(*typed));
      }
    }
  }

  // A run of avail_descriptors is one operation, up to 255 of them.
  void add_avail(std::uint32_t provider_avail_id) {
    MarkOperation* last = mOperations.empty() ? nullptr : &mOperations.back();
    if (last == nullptr || last->id != INSERT_AVAIL_DESCRIPTOR_REQUEST_DATA ||
        last->data[0] == kMaxEntries) {
      InsertAvailDescriptorRequest request;
      request.num_provider_avails = 1;
      request.provider_avail_id.push_back(provider_avail_id);
      mOperations.push_back(operation(INSERT_AVAIL_DESCRIPTOR_REQUEST_DATA, request));
    } else {
      ++last->data[0];
      for (unsigned shift = 32; shift != 0;) {
        shift -= 8;
        last->data.push_back(static_cast<std::uint8_t>(provider_avail_id >> shift));
      }
    }
  }

  // A run of copied descriptors is one operation, up to 255 of them.
  void copy(const Bytes& image) {
    MarkOperation* last = mOperations.empty() ? nullptr : &mOperations.back();
    if (last == nullptr || last->id != INSERT_DESCRIPTOR_REQUEST_DATA ||
        last->data[0] == kMaxEntries) {
      mOperations.push_back({INSERT_DESCRIPTOR_REQUEST_DATA, {1}});
    } else {
      ++last->data[0];
    }
    Bytes& data = mOperations.back().data;
    data.insert(data.end(), image.begin(), image.end());
  }

  std::optional<MarkOperation> typed_descriptor(const SpliceDescriptor& descriptor) const {
    if (const auto* avail = std::get_if<AvailDescriptor>(&descriptor)) {
      InsertAvailDescriptorRequest request;
      request.num_provider_avails = 1;
      request.provider_avail_id.push_back(avail->provider_avail_id);
      return operation(INSERT_AVAIL_DESCRIPTOR_REQUEST_DATA, request);
    }
    if (const auto* dtmf = std::get_if<DtmfDescriptor>(&descriptor)) {
      InsertDtmfDescriptorRequest request;
      request.pre_roll = dtmf->preroll;
      request.dtmf_length = static_cast<std::uint8_t>(dtmf->DTMF_char.text.size());
      request.DTMF_char = dtmf->DTMF_char;
      return operation(INSERT_DTMF_DESCRIPTOR_REQUEST_DATA, request);
    }
    if (const auto* time = std::get_if<TimeDescriptor>(&descriptor)) {
      InsertTimeDescriptor request;
      request.TAI_seconds = time->TAI_seconds;
      request.TAI_ns = time->TAI_ns;
      request.UTC_offset = time->UTC_offset;
      return operation(INSERT_TIME_DESCRIPTOR, request);
    }
    if (const auto* segment = std::get_if<SegmentationDescriptor>(&descriptor)) {
      return segmentation(*segment);
    }
    return std::nullopt;
  }

  // insert_segmentation_descriptor_request_data, always with its nine
  // optional bytes.
  std::optional<MarkOperation> segmentation(const SegmentationDescriptor& d) const {
    InsertSegmentationDescriptorRequest r;
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
        if (!split) return std::nullopt;
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
    return operation(INSERT_SEGMENTATION_DESCRIPTOR_REQUEST_DATA, r);
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

  // The one section that `ops` translate to, at the section's own timing.
  std::optional<Section> translated(const std::vector<MarkOperation>& ops) const {
    MultipleOperationMessage message(message_bytes(mSection.fields.protocol_version, ops));
    message.decode();
    Scte35Settings settings = mSettings.scte35;
    settings.reference_pts = mSectionReference;
    Translation translation = translate(message, settings);
    if (translation.sections.size() != 1 || !translation.problems.empty()) return std::nullopt;
    return std::move(translation.sections.front());
  }

  // Whether the typed command translates to the section's splice_command_type
  // and command bytes, `size` bytes from `at`.
  bool translates_to_command(const std::vector<MarkOperation>& ops, std::size_t at,
                             std::size_t size) const {
    const std::optional<Section> section = translated(ops);
    return section && section->bytes.size() >= at + size &&
           std::equal(mData + at, mData + at + size, section->bytes.begin() + static_cast<std::ptrdiff_t>(at)) &&
           section->bytes.size() == at + size + 2 + 4;
  }

  // Whether the typed descriptor translates to the image, as the only
  // descriptor after a splice_null.
  bool translates_to_descriptor(const MarkOperation& op, const Bytes& image) const {
    const std::optional<Section> section =
        translated({{SPLICE_NULL_REQUEST_DATA, {}}, op});
    constexpr std::size_t kLoopAt = kCommandAt + 2;  // after splice_null's loop length
    return section && section->bytes.size() == kLoopAt + image.size() + 4 &&
           std::equal(image.begin(), image.end(), section->bytes.begin() + kLoopAt);
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
  Section mSection;
  std::uint64_t mSectionReference = 0;
  std::size_t mDescriptorsAt = 0;
  std::vector<MarkOperation> mOperations;
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
