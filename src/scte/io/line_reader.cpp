// SPDX-License-Identifier: MIT
#include "line_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace scte104 {

LineReader::LineReader(ByteSource source, std::size_t block_size)
    : mSource(std::move(source)), mBlockSize(std::max<std::size_t>(block_size, 1)) {}

bool LineReader::next(std::string_view& line) { return try_next(line) == Next::line; }

LineReader::Next LineReader::try_next(std::string_view& line) {
  std::size_t searched = 0;  // bytes after mStart known to hold no line feed
  for (;;) {
    const std::size_t unsearched = mEnd - mStart - searched;
    if (unsearched > 0) {
      const char* from = mBuffer.get() + mStart + searched;
      if (const void* feed = std::memchr(from, '\n', unsearched)) {
        const char* begin = mBuffer.get() + mStart;
        const auto length = static_cast<std::size_t>(static_cast<const char*>(feed) - begin);
        line = std::string_view(begin, length);
        mStart += length + 1;
        return Next::line;
      }
    }
    searched = mEnd - mStart;
    const Fill filled = fill();
    if (filled == Fill::nothing_yet) return Next::nothing_yet;
    if (filled == Fill::end) break;
  }
  if (mStart == mEnd) return Next::end;
  line = std::string_view(mBuffer.get() + mStart, mEnd - mStart);  // no line feed at the end
  mStart = mEnd;
  return Next::line;
}

LineReader::Fill LineReader::fill() {
  if (mAtEnd) return Fill::end;
  // Keep only the unfinished line, at the front, then make room for a block.
  const std::size_t kept = mEnd - mStart;
  if (mCapacity - kept < mBlockSize) {
    mCapacity = std::max(2 * mCapacity, kept + mBlockSize);
    std::unique_ptr<char[]> larger(new char[mCapacity]);
    if (kept > 0) std::memcpy(larger.get(), mBuffer.get() + mStart, kept);
    mBuffer = std::move(larger);
  } else if (mStart > 0 && kept > 0) {
    std::memmove(mBuffer.get(), mBuffer.get() + mStart, kept);
  }
  mStart = 0;
  mEnd = kept;
  const std::size_t got = mSource(mBuffer.get() + mEnd, mCapacity - mEnd);
  if (got == kNothingYet) return Fill::nothing_yet;
  mEnd += got;
  mAtEnd = got == 0;
  return mAtEnd ? Fill::end : Fill::more;
}

std::string_view line_content(std::string_view line) {
  constexpr std::string_view kBlanks = " \t\r";
  const std::size_t first = line.find_first_not_of(kBlanks);
  if (first == std::string_view::npos || line[first] == '#') return {};
  return line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace scte104
