// SPDX-License-Identifier: MIT
// Bounds-checked big-endian reads over a message buffer or an operation's
// data. Every read of the decoders goes through here; nothing else touches
// the bytes by index.
#ifndef SCTE104_BYTE_READER_H
#define SCTE104_BYTE_READER_H

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace scte_104 {

class ByteReader {
 public:
  // Reads `buffer` from `position` on and keeps `position` on the next
  // unread byte, so the owner always sees how far decoding got. `holder`
  // names the bytes in errors ("message", "data").
  ByteReader(const std::vector<std::uint8_t>& buffer, std::size_t& position,
             const char* holder = "message")
      : mBuffer(buffer), mPosition(position), mHolder(holder) {}

  // Reads one field of sizeof(T) bytes, most significant byte first. The
  // field's width is its type's width. Throws, without moving, when the
  // buffer ends before the field does.
  template <typename T>
  T read(const char* field) {
    using Unsigned = typename std::conditional_t<std::is_enum<T>::value, std::underlying_type<T>,
                                                 std::common_type<T>>::type;
    static_assert(std::is_unsigned<Unsigned>::value, "wire integers are unsigned");
    require(sizeof(T), field);
    Unsigned value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      value = static_cast<Unsigned>((static_cast<std::uintmax_t>(value) << 8u) |
                                    mBuffer[mPosition + i]);
    }
    mPosition += sizeof(T);
    return static_cast<T>(value);
  }

  // Reads a field of `width` bytes (at most 8), most significant first.
  std::uint64_t read_uint(std::size_t width, const char* field) {
    require(width, field);
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = value << 8u | mBuffer[mPosition + i];
    mPosition += width;
    return value;
  }

  // Reads a counted run of `count` bytes, which must be there whole.
  std::vector<std::uint8_t> read_bytes(std::size_t count, const char* field) {
    require(count, field);
    std::vector<std::uint8_t> bytes = peek_bytes(count);
    mPosition += count;
    return bytes;
  }

  // Everything left, moving to the end.
  std::vector<std::uint8_t> read_rest() {
    std::vector<std::uint8_t> bytes = peek_bytes(remaining());
    mPosition += bytes.size();
    return bytes;
  }

  std::size_t remaining() const {
    return mPosition < mBuffer.size() ? mBuffer.size() - mPosition : 0;
  }

  // Copies up to `count` bytes from the read position without moving: fewer
  // when the buffer ends sooner, none when the position is already past it.
  std::vector<std::uint8_t> peek_bytes(std::size_t count) const {
    const std::size_t left = remaining();
    const auto first = mBuffer.begin() + static_cast<std::ptrdiff_t>(mBuffer.size() - left);
    return std::vector<std::uint8_t>(first,
                                     first + static_cast<std::ptrdiff_t>(std::min(count, left)));
  }

  // Moves the read position on by `count`, even past the end of the buffer.
  void skip(std::size_t count) { mPosition += count; }

  // Throws, naming `field`, unless `count` more bytes are there.
  void require(std::size_t count, const char* field) const {
    if (remaining() >= count) return;
    std::string holder(mHolder);
    std::string text = holder + " ends early: " + field + " needs " + std::to_string(count) +
                       (count == 1 ? " byte" : " bytes") + " at offset " +
                       std::to_string(mPosition) + ", " + holder + " holds " +
                       std::to_string(mBuffer.size());
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    throw std::runtime_error(text);
  }

 private:
  const std::vector<std::uint8_t>& mBuffer;
  std::size_t& mPosition;
  const char* mHolder;
};

}  // namespace scte_104

#endif  // SCTE104_BYTE_READER_H
