// SPDX-License-Identifier: MIT
// Bytes to splice_info_section(): the records' own field lists, walked as
// not const, read each field where the writer writes it. What the bytes
// decide (a count, an optional part, a byte run's length) the lists say
// through scte35::fields; the command and the descriptor loop, whose
// kind and extent come from their lengths and tags, are read here.
#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>

#include "bit_writer.h"
#include "scte/scte35.h"
#include "scte35_reading.h"

namespace scte_104::scte35 {
namespace {

// table_id, section_syntax_indicator ... section_length.
constexpr std::size_t kHeaderSize = 3;
constexpr std::size_t kMinSectionLength = 15;
// descriptor_loop_length and CRC_32, after the command.
constexpr std::size_t kAfterCommand = 2 + 4;
constexpr std::size_t kCrcSize = 4;
constexpr std::uint16_t kLegacyCommandLength = 0xFFF;

std::string hex_byte(unsigned value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  return std::string("0x") + kDigits[(value >> 4u) & 0xFu] + kDigits[value & 0xFu];
}

// Reads fields most significant bit first from a bounded run of bytes. A
// field that passes the end marks the read failed (the first failure is
// kept, with its field) and reads as 0; once failed, nothing more is read.
class BitReader {
 public:
  // Without `keep_parts`, the descriptor loop is checked but not kept, and
  // a command kept as bytes gets none (they stay in `data`).
  BitReader(const std::uint8_t* data, std::size_t size, UnreadableCommand unreadable,
            bool keep_parts = true)
      : mData(data), mSize(size), mUnreadable(unreadable), mKeepParts(keep_parts) {}

  // A field of the record: read into it.
  template <typename T,
            typename = std::enable_if_t<std::is_integral_v<T> && !std::is_const_v<T>>>
  void operator()(const char* name, T& value, unsigned bits) {
    value = static_cast<T>(take(name, bits));
  }
  // A field whose value is fixed (a descriptor's tag and identifier): read
  // and compared.
  template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
  void operator()(const char* name, const T& expected, unsigned bits) {
    if (take(name, bits) != static_cast<std::uint64_t>(expected)) fail(name, "is not the expected value");
  }
  void reserved(unsigned bits) { take("reserved", bits); }

  // Byte runs start on a byte boundary; their size is set before they come.
  void operator()(const char* name, Bytes& bytes) { take_bytes(name, bytes.data(), bytes.size()); }
  void operator()(const char* name, DtmfChars& chars) {
    take_bytes(name, reinterpret_cast<std::uint8_t*>(chars.text.data()), chars.text.size());
  }

  // A run left where it lies; its size is set before it comes.
  void operator()(const char* name, ByteRun& run) {
    if (failed()) return;
    if (mBit % 8 != 0 || run.length > rest_bytes(0)) {
      fail(name, "passes the end of the bytes");
      return;
    }
    run.data = mData + mBit / 8;
    mBit += 8 * run.length;
  }

  template <typename Record>
  void operator()(const char* /*name*/, Record& record) {
    record.for_each_field(*this);
  }
  template <typename Record>
  void operator()(const char* name, UnkeptList<Record>& records) {
    for (std::size_t i = 0; i < records.count; ++i) {
      Record entry;
      (*this)(name, entry);
    }
  }
  template <typename Record>
  void operator()(const char* name, std::optional<Record>& record) {
    if (record) (*this)(name, *record);
  }
  template <typename Record>
  void operator()(const char* name, std::vector<Record>& records) {
    for (Record& record : records) (*this)(name, record);
  }
  template <typename... Records>
  void operator()(const char* name, std::variant<Records...>& record) {
    std::visit([this, name](auto& r) { (*this)(name, r); }, record);
  }

  // The whole bytes left, less the last `keep` (0 when fewer are left).
  std::size_t rest_bytes(std::size_t keep) const {
    const std::size_t left = mSize - (mBit + 7) / 8;
    return left > keep ? left - keep : 0;
  }

  // splice_command_type and the command: known commands are read by their
  // own fields, others kept as splice_command_length bytes.
  void splice_command(const char* type_name, const char* /*name*/, SpliceCommand& command,
                      std::uint16_t length) {
    std::uint8_t type = 0;
    (*this)(type_name, type, 8);
    if (failed()) return;
    const std::size_t at = mBit / 8;
    const std::size_t room = mSize - at;
    if (room < kAfterCommand) {
      fail("section_length", "leaves no room for descriptor_loop_length and CRC_32");
      return;
    }
    const std::size_t command_room = room - kAfterCommand;
    if (length != kLegacyCommandLength && length > command_room) {
      fail("section_length", "is too short for splice_command_length " + std::to_string(length));
      return;
    }
    command = command_of_type(type);
    if (auto* kept = std::get_if<InjectedCommand>(&command)) {
      if (length == kLegacyCommandLength) {
        fail("splice_command_length",
             "0xFFF does not give the length of command type " + hex_byte(type));
        return;
      }
      if (mKeepParts) kept->data.assign(mData + at, mData + at + length);
      mBit += 8u * length;
      return;
    }
    const std::size_t limit = length == kLegacyCommandLength ? command_room : length;
    BitReader part(mData + at, limit, mUnreadable);
    std::visit([&part](auto& c) { part("splice_command", c); }, command);
    if (!part.failed() && (length == kLegacyCommandLength || part.rest_bytes(0) == 0)) {
      mBit = 8 * (at + (length == kLegacyCommandLength ? part.consumed_bytes() : length));
      return;
    }
    if (length != kLegacyCommandLength && mUnreadable == UnreadableCommand::copy) {
      command = InjectedCommand{type, {}};
      if (mKeepParts) std::get<InjectedCommand>(command).data.assign(mData + at, mData + at + length);
      mBit += 8u * length;
      return;
    }
    fail("splice_command_length", length == kLegacyCommandLength
                                      ? "0xFFF, and the command's fields pass the section"
                                      : std::to_string(length) + " does not hold command type " +
                                            hex_byte(type) + " exactly");
  }

  // The descriptor loop, descriptor_loop_length bytes: each descriptor read
  // by its fields when it is one we know that holds exactly them, else kept
  // as its image.
  void descriptors(const char* /*name*/, std::vector<SpliceDescriptor>& list,
                   std::uint16_t loop_length) {
    if (failed()) return;
    if (loop_length > rest_bytes(kCrcSize)) {
      fail("descriptor_loop_length", std::to_string(loop_length) + " passes the section");
      return;
    }
    std::size_t at = mBit / 8;
    const std::size_t end = at + loop_length;
    while (at < end) {
      if (end - at < 2 || 2u + mData[at + 1] > end - at) {
        fail("descriptor_loop_length", "a descriptor passes the loop");
        return;
      }
      const std::size_t size = 2u + mData[at + 1];
      if (mKeepParts) list.push_back(descriptor(mData + at, size));
      at += size;
    }
    mBit = 8 * end;
  }

  std::size_t consumed_bytes() const { return (mBit + 7) / 8; }
  bool failed() const { return mFailedField != nullptr; }
  const char* failed_field() const { return mFailedField; }
  std::string take_reason() { return mFixedReason != nullptr ? mFixedReason : std::move(mReason); }

 private:
  std::uint64_t take(const char* name, unsigned bits) {
    if (failed()) return 0;
    if (bits > 8 * mSize - mBit) {
      fail(name, "passes the end of the bytes");
      return 0;
    }
    std::uint64_t value = 0;
    while (bits > 0) {
      const unsigned used = static_cast<unsigned>(mBit % 8);
      const unsigned take = bits < 8 - used ? bits : 8 - used;
      const unsigned byte = mData[mBit / 8];
      const unsigned chunk = (byte >> (8 - used - take)) & ((1u << take) - 1u);
      value = value << take | chunk;
      mBit += take;
      bits -= take;
    }
    return value;
  }

  void take_bytes(const char* name, std::uint8_t* out, std::size_t count) {
    if (failed()) return;
    if (mBit % 8 != 0 || count > rest_bytes(0)) {
      fail(name, "passes the end of the bytes");
      return;
    }
    std::copy(mData + mBit / 8, mData + mBit / 8 + count, out);
    mBit += 8 * count;
  }

  // A failure whose reason is fixed text keeps only a pointer to it: a
  // descriptor that does not read as its kind is not refused but copied, and
  // the way back reads such descriptors without allocating.
  void fail(const char* field, const char* reason) {
    if (failed()) return;
    mFailedField = field;
    mFixedReason = reason;
  }
  void fail(const char* field, std::string reason) {
    if (failed()) return;
    mFailedField = field;
    mReason = std::move(reason);
  }

  static SpliceCommand command_of_type(std::uint8_t type) {
    switch (type) {
      case SpliceNull::kType:
        return SpliceNull{};
      case SpliceInsert::kType:
        return SpliceInsert{};
      case TimeSignal::kType:
        return TimeSignal{};
      default:
        return InjectedCommand{type, {}};
    }
  }

  SpliceDescriptor descriptor(const std::uint8_t* image, std::size_t size) const {
    SpliceDescriptor typed;
    bool known = true;
    switch (image[0]) {
      case AvailDescriptor::kTag:
        typed = AvailDescriptor{};
        break;
      case DtmfDescriptor::kTag:
        typed = DtmfDescriptor{};
        break;
      case SegmentationDescriptor::kTag:
        typed = SegmentationDescriptor{};
        break;
      case TimeDescriptor::kTag:
        typed = TimeDescriptor{};
        break;
      default:
        known = false;
    }
    if (known) {
      BitReader part(image, size, mUnreadable);
      std::visit([&part](auto& d) { part("descriptor", d); }, typed);
      if (!part.failed() && part.rest_bytes(0) == 0) return typed;
    }
    CopiedDescriptor copied;
    BitReader part(image, size, mUnreadable);
    copied.for_each_field(part);
    return copied;
  }

  const std::uint8_t* mData;
  std::size_t mSize;
  std::size_t mBit = 0;
  UnreadableCommand mUnreadable;
  bool mKeepParts;
  const char* mFailedField = nullptr;
  const char* mFixedReason = nullptr;
  std::string mReason;
};

// The section's fields, or the field at fault with `reason`.
const char* read_fields(const std::uint8_t* data, std::size_t size, UnreadableCommand unreadable,
                        bool keep_parts, SpliceInfoSection& fields, std::string& reason) {
  if (size < kHeaderSize) {
    reason = "is not there: " + std::to_string(size) +
             " bytes are fewer than the 3 of a section's header";
    return "section_length";
  }
  if (data[0] != 0xFC) {
    reason = hex_byte(data[0]) + " is not 0xfc, splice_info_section";
    return "table_id";
  }
  const std::size_t section_length = (std::size_t{data[1]} << 8u | data[2]) & 0xFFFu;
  if (section_length < kMinSectionLength) {
    reason = std::to_string(section_length) + " is under 15";
    return "section_length";
  }
  if (kHeaderSize + section_length > size) {
    reason = std::to_string(section_length) + " passes the " +
             std::to_string(size - kHeaderSize) + " bytes after it";
    return "section_length";
  }
  BitReader reader(data, kHeaderSize + section_length, unreadable, keep_parts);
  fields.for_each_field(reader);
  if (!reader.failed()) return nullptr;
  reason = reader.take_reason();
  return reader.failed_field();
}

// A descriptor's image read into the record of its kind: whether it holds
// exactly that record's fields.
template <typename Descriptor>
bool read_typed(const std::uint8_t* image, std::size_t size, Descriptor& descriptor) {
  BitReader part(image, size, UnreadableCommand::refuse);
  part("descriptor", descriptor);
  return !part.failed() && part.rest_bytes(0) == 0;
}

}  // namespace

SectionRead read_section(const std::uint8_t* data, std::size_t size, UnreadableCommand unreadable) {
  SectionRead read;
  read.field = read_fields(data, size, unreadable, true, read.section.fields, read.reason);
  if (read.field == nullptr) {
    read.section.bytes.assign(data, data + kHeaderSize + read.section.fields.section_length);
  } else {
    read.section = Section{};  // a refused section shows none of its fields
  }
  return read;
}

namespace reading {

const char* read_section_fields(const std::uint8_t* data, std::size_t size,
                                UnreadableCommand unreadable, SpliceInfoSection& fields,
                                std::string& reason) {
  return read_fields(data, size, unreadable, false, fields, reason);
}

bool read_descriptor(const std::uint8_t* image, std::size_t size, AvailDescriptor& descriptor) {
  return read_typed(image, size, descriptor);
}
bool read_descriptor(const std::uint8_t* image, std::size_t size, DtmfDescriptor& descriptor) {
  return read_typed(image, size, descriptor);
}
bool read_descriptor(const std::uint8_t* image, std::size_t size, SegmentationImage& descriptor) {
  return read_typed(image, size, descriptor);
}
bool read_descriptor(const std::uint8_t* image, std::size_t size, TimeDescriptor& descriptor) {
  return read_typed(image, size, descriptor);
}

}  // namespace reading

}  // namespace scte_104::scte35
