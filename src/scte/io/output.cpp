// SPDX-License-Identifier: MIT
#include "output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "utility/strings.h"

namespace scte104 {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// The two lowercase digits of every byte value, side by side.
struct HexPairs {
  char digits[512];
  constexpr HexPairs() : digits() {
    for (std::size_t v = 0; v < 256; ++v) {
      digits[2 * v] = kHexDigits[v >> 4u];
      digits[2 * v + 1] = kHexDigits[v & 0x0Fu];
    }
  }
};
constexpr HexPairs kHexPairs;

// " 0xNN," for every byte value, each padded to 8 bytes.
struct ListEntries {
  char text[256 * 8];
  constexpr ListEntries() : text() {
    for (std::size_t v = 0; v < 256; ++v) {
      char* entry = text + 8 * v;
      entry[0] = ' ';
      entry[1] = '0';
      entry[2] = 'x';
      entry[3] = kHexDigits[v >> 4u];
      entry[4] = kHexDigits[v & 0x0Fu];
      entry[5] = ',';
    }
  }
};
constexpr ListEntries kListEntries;

}  // namespace

char* Output::reserve(std::size_t size) {
  if (mBuffer.size() - mUsed < size) flush();
  char* at = mBuffer.data() + mUsed;
  mUsed += size;
  return at;
}

void Output::text(std::string_view s) {
  if (s.size() >= mBuffer.size()) {  // too big to buffer: pass it straight on
    flush();
    mSink(s.data(), s.size());
    return;
  }
  if (!s.empty()) std::memcpy(reserve(s.size()), s.data(), s.size());  // an empty view may be null
}

void Output::hex(std::uint32_t value) {
  char digits[8];
  std::size_t count = 0;
  do {
    digits[7 - count++] = kHexDigits[value & 0x0Fu];
    value >>= 4u;
  } while (value != 0);
  std::memcpy(reserve(count), digits + 8 - count, count);
}

// The entries are built in 8-byte words and stored whole, so each write may
// run up to 8 - width bytes past its entry: those are overwritten by the
// next entry or lie beyond mUsed, and the batch leaves room for them.
template <std::size_t width, typename Put>
void Output::per_byte(const std::uint8_t* bytes, std::size_t count, Put put) {
  constexpr std::size_t kSlack = 8 - width;
  while (count > 0) {
    if (mBuffer.size() - mUsed < width + kSlack) flush();
    const std::size_t batch = std::min(count, (mBuffer.size() - mUsed - kSlack) / width);
    char* at = mBuffer.data() + mUsed;
    for (std::size_t i = 0; i < batch; ++i, at += width) put(at, bytes[i]);
    mUsed += batch * width;
    bytes += batch;
    count -= batch;
  }
}

void Output::hex_bytes(const std::uint8_t* bytes, std::size_t count) {
  per_byte<2>(bytes, count, [](char* at, std::uint8_t byte) {
    std::memcpy(at, kHexPairs.digits + std::size_t{2} * byte, 2);
  });
}

void Output::hex_byte_list(const std::uint8_t* bytes, std::size_t count) {
  per_byte<6>(bytes, count, [](char* at, std::uint8_t byte) {
    std::memcpy(at, kListEntries.text + std::size_t{8} * byte, 8);
  });
}

void Output::base64(const std::uint8_t* bytes, std::size_t count) {
  // Pieces of a multiple of three bytes carry no padding, so their texts
  // join into exactly the text of the whole.
  constexpr std::size_t kPiece = std::size_t{3} * 1024;
  for (std::size_t at = 0; at < count; at += kPiece) {
    const std::size_t piece = std::min(kPiece, count - at);
    char* text = reserve(4 * ((piece + 2) / 3));
    ext::base64::encode_to(bytes + at, piece, text);
  }
}

void Output::decimal(std::uint64_t value) {
  char digits[20];
  std::size_t count = 0;
  do {
    digits[19 - count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  std::memcpy(reserve(count), digits + 20 - count, count);
}

void Output::flush() {
  if (mUsed == 0) return;
  const std::size_t size = mUsed;
  mUsed = 0;
  mSink(mBuffer.data(), size);
}

Output::Sink descriptor_sink(int fd, const char* name, OnWriteFailure on_failure) {
  return [fd, name, on_failure](const char* text, std::size_t size) {
    while (size > 0) {
      const ssize_t written = ::write(fd, text, size);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        if (on_failure == OnWriteFailure::ignore) return;
        const int error = written < 0 ? errno : EIO;  // 0 bytes taken: no progress possible
        throw std::runtime_error(std::string("Cannot write to ") + name + ": " +
                                 std::strerror(error));
      }
      text += written;
      size -= static_cast<std::size_t>(written);
    }
  };
}

}  // namespace scte104
