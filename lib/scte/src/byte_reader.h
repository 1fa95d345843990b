// Bounds-checked big-endian reads over a message buffer. Every read of the
// decoder goes through here; nothing else touches the buffer by index.
#ifndef SCTE104_BYTE_READER_H
#define SCTE104_BYTE_READER_H

#include <algorithm>
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
  // unread byte, so the owner always sees how far decoding got.
  ByteReader(const std::vector<std::uint8_t>& buffer, std::size_t& position)
      : mBuffer(buffer), mPosition(position) {}

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

 private:
  std::size_t remaining() const {
    return mPosition < mBuffer.size() ? mBuffer.size() - mPosition : 0;
  }

  void require(std::size_t count, const char* field) const {
    if (remaining() >= count) return;
    throw std::runtime_error("Message ends early: " + std::string(field) + " needs " +
                             std::to_string(count) + (count == 1 ? " byte" : " bytes") +
                             " at offset " + std::to_string(mPosition) + ", message holds " +
                             std::to_string(mBuffer.size()));
  }

  const std::vector<std::uint8_t>& mBuffer;
  std::size_t& mPosition;
};

}  // namespace scte_104

#endif  // SCTE104_BYTE_READER_H
