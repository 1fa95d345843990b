// SPDX-License-Identifier: MIT
// Big-endian appends to a byte vector: the encoder's only way to write.
#ifndef SCTE104_BYTE_WRITER_H
#define SCTE104_BYTE_WRITER_H

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace scte_104 {

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<std::uint8_t>& out) : mOut(out) {}

  // Appends sizeof(T) bytes of `value`, most significant byte first.
  template <typename T>
  void write(T value) {
    using Unsigned = typename std::conditional_t<std::is_enum<T>::value, std::underlying_type<T>,
                                                 std::common_type<T>>::type;
    static_assert(std::is_unsigned<Unsigned>::value, "wire integers are unsigned");
    const auto bits = static_cast<std::uintmax_t>(value);
    for (std::size_t i = sizeof(T); i-- > 0;) {
      mOut.push_back(static_cast<std::uint8_t>((bits >> (8 * i)) & 0xFFu));
    }
  }

  // Appends the low `width` bytes of `value`, most significant first.
  void write_uint(std::uint64_t value, std::size_t width) {
    for (std::size_t i = width; i-- > 0;) {
      mOut.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFFu));
    }
  }

  void write_bytes(const std::vector<std::uint8_t>& bytes) {
    mOut.insert(mOut.end(), bytes.begin(), bytes.end());
  }

 private:
  std::vector<std::uint8_t>& mOut;
};

}  // namespace scte_104

#endif  // SCTE104_BYTE_WRITER_H
