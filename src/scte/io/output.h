// SPDX-License-Identifier: MIT
// A buffered text writer for the report: one buffer, handed on in large
// blocks, with table-driven number formatting (no streams, no printf).
#ifndef SCTE104_OUTPUT_H
#define SCTE104_OUTPUT_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace scte104 {

class Output {
 public:
  // Receives each block of text as it leaves the buffer.
  using Sink = std::function<void(const char* text, std::size_t size)>;

  explicit Output(Sink sink) : mSink(std::move(sink)) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  // Deliberately no flush here: text still buffered when an error unwinds
  // the report is dropped, so a failed run does not end in a half report.
  ~Output() = default;

  void text(std::string_view s);
  void text(const char* data, std::size_t size) { text(std::string_view(data, size)); }
  // Lowercase hexadecimal without leading zeros ("0" for zero).
  void hex(std::uint32_t value);
  void decimal(std::uint64_t value);
  // Two digits per byte, no separators.
  void hex_bytes(const std::uint8_t* bytes, std::size_t count);
  // Padded Base64 text of the bytes.
  void base64(const std::uint8_t* bytes, std::size_t count);
  // " 0x" and two digits and "," per byte.
  void hex_byte_list(const std::uint8_t* bytes, std::size_t count);
  // Hands everything buffered to the sink.
  void flush();

 private:
  // Makes room for `size` more bytes in the buffer (size <= capacity).
  char* reserve(std::size_t size);
  // Writes `count` bytes as `width`-character entries made by `put`, as
  // many at a time as the buffer holds.
  template <std::size_t width, typename Put>
  void per_byte(const std::uint8_t* bytes, std::size_t count, Put put);

  Sink mSink;
  std::array<char, 1u << 16> mBuffer{};
  std::size_t mUsed = 0;
};

enum class OnWriteFailure { raise, ignore };

// A sink that writes to a file descriptor, retrying short and interrupted
// writes. A write that fails (a full disk, a closed descriptor) throws
// std::runtime_error naming `name` and the reason, or, with
// OnWriteFailure::ignore, drops the text: for standard error, where no one
// would hear of it.
Output::Sink descriptor_sink(int fd, const char* name,
                             OnWriteFailure on_failure = OnWriteFailure::raise);

}  // namespace scte104

#endif  // SCTE104_OUTPUT_H
