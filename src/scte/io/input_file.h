// SPDX-License-Identifier: MIT
// A named input of the modes that read a stream (a log, a JSON document):
// a file or, for "-", standard input, read block by block.
#ifndef SCTE104_INPUT_FILE_H
#define SCTE104_INPUT_FILE_H

#include <cstddef>
#include <functional>

namespace scte104 {

// Fills up to `size` bytes at `into` and returns how many; 0 only at the
// end of the input. A read that fails throws.
using ByteSource = std::function<std::size_t(char* into, std::size_t size)>;

// A source that reads `fd` with read(2), retrying interrupted reads. A
// failed read throws std::runtime_error "Cannot read <name>: <reason>".
ByteSource descriptor_source(int fd, const char* name);

// FILE, or standard input for "-", closed at the end of the run. When the
// file cannot be opened, "scte104: Cannot open FILE: <reason>" has gone to
// standard error and is_open() is false.
class InputFile {
 public:
  explicit InputFile(const char* name);
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  bool is_open() const { return mFd >= 0; }
  // A pipe or a terminal may hold back its next bytes for as long as it
  // likes; a regular file never does.
  bool is_live() const;
  int fd() const { return mFd; }
  ByteSource source() const { return descriptor_source(mFd, mName); }

 private:
  const char* mName = "standard input";
  int mFd;
};

}  // namespace scte104

#endif  // SCTE104_INPUT_FILE_H
