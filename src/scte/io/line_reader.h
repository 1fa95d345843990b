// SPDX-License-Identifier: MIT
// Lines of text from a byte source, one at a time, read in blocks into one
// growing buffer: memory follows the longest line, not the whole input.
#ifndef SCTE104_LINE_READER_H
#define SCTE104_LINE_READER_H

#include <cstddef>
#include <memory>
#include <string_view>

#include "input_file.h"

namespace scte104 {

class LineReader {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 16;

  // What a source that cannot wait (a non-blocking pipe) returns when no
  // byte is there yet; only try_next() takes it.
  static constexpr std::size_t kNothingYet = ~std::size_t{0};

  // `block_size` is how much each call to the source asks for at least.
  explicit LineReader(ByteSource source, std::size_t block_size = kBlockSize);

  // The next line without its line feed, valid until the next call; false
  // after the last line. Only a line feed ends a line, and a last line
  // without one still counts. The source is called only when the buffer
  // holds no whole line, so a caller can tell "about to wait for input".
  bool next(std::string_view& line);

  enum class Next { line, nothing_yet, end };
  // As next(), for a source that may return kNothingYet: `nothing_yet` when
  // the bytes held make no whole line and the source has none to add.
  Next try_next(std::string_view& line);

 private:
  enum class Fill { more, nothing_yet, end };
  // Reads one more block after the bytes kept.
  Fill fill();

  ByteSource mSource;
  std::size_t mBlockSize;
  std::unique_ptr<char[]> mBuffer;  // not zero-filled first: the source fills it
  std::size_t mCapacity = 0;
  std::size_t mStart = 0;  // first byte not yet handed out
  std::size_t mEnd = 0;    // end of the bytes read
  bool mAtEnd = false;
};

// The line without the blanks, tabs and carriage return around it (a CRLF
// file leaves its CR), or nothing for a blank line or a comment (first a
// "#"): how every input of marks one a line reads its lines.
std::string_view line_content(std::string_view line);

}  // namespace scte104

#endif  // SCTE104_LINE_READER_H
