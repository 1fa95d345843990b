#include "output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace scte104 {
namespace {
constexpr char kHexDigits[] = "0123456789abcdef";
}

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
  std::memcpy(reserve(s.size()), s.data(), s.size());
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

void Output::hex2(std::uint8_t value) {
  char* at = reserve(2);
  at[0] = kHexDigits[value >> 4u];
  at[1] = kHexDigits[value & 0x0Fu];
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

Output::Sink descriptor_sink(int fd) {
  return [fd](const char* text, std::size_t size) {
    while (size > 0) {
      const ssize_t written = ::write(fd, text, size);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return;
      text += written;
      size -= static_cast<std::size_t>(written);
    }
  };
}

}  // namespace scte104
