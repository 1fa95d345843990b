// SPDX-License-Identifier: MIT
// One queue mark as the command line gives it: `-f FILE` (raw bytes) or
// Base64 text, in both forms the lead byte followed by the message.
#ifndef SCTE104_INPUT_H
#define SCTE104_INPUT_H

#include <cstdint>
#include <optional>
#include <vector>

namespace scte104 {

// The bytes of `-f FILE` when `source` is "-f" (`file` is the argument
// after it, null when there is none), else of `source` decoded as Base64.
// Nothing when the file cannot be opened: "Data is not initialized" has then
// gone to standard error. A named pipe, a file without a size or a
// directory throws std::runtime_error.
std::optional<std::vector<std::uint8_t>> read_mark(const char* source, const char* file);

// The whole file, read in one go; nothing when it cannot be opened.
std::optional<std::vector<std::uint8_t>> read_file(const char* name);

}  // namespace scte104

#endif  // SCTE104_INPUT_H
