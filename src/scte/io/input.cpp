// SPDX-License-Identifier: MIT
#include "input.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>

#include "cli.h"
#include "utility/strings.h"

namespace scte104 {
namespace {

// A large input is touched page by page as it is read; asking for huge
// pages first saves thousands of page faults. Only a hint: any failure is
// harmless and ignored.
void prefer_huge_pages(void* start, std::size_t size) {
  constexpr std::size_t kHugePage = std::size_t{2} << 20u;
  const std::size_t offset = reinterpret_cast<std::uintptr_t>(start) % kHugePage;
  const std::size_t skip = offset == 0 ? 0 : kHugePage - offset;
  if (size < skip + kHugePage) return;
  const std::size_t length = (size - skip) / kHugePage * kHugePage;
  madvise(static_cast<char*>(start) + skip, length, MADV_HUGEPAGE);
}

std::vector<std::uint8_t> read_base64(const char* text) {
  const std::string input = ext::base64::decode(text);
  return std::vector<std::uint8_t>(input.begin(), input.end());
}

}  // namespace

// The whole file, read in one go; nothing when it cannot be opened.
std::optional<std::vector<std::uint8_t>> read_file(const char* name) {
  if (name == nullptr) return std::nullopt;
  const auto no_size = [name] {
    return std::runtime_error(std::string("Cannot determine the size of ") + name +
                              ": not a regular file");
  };
  // Opening a named pipe would wait for a writer, possibly for ever.
  struct stat status {};
  if (stat(name, &status) == 0 && S_ISFIFO(status.st_mode)) throw no_size();
  std::ifstream stream(name, std::ios::in | std::ios::binary);
  if (stream.fail()) return std::nullopt;
  stream.seekg(0, std::ios::end);
  const std::streamoff size = stream.tellg();
  if (size < 0) throw no_size();
  stream.seekg(0, std::ios::beg);
  // A directory opens and even reports a size, but yields no byte.
  if (size > 0 && stream.peek() == std::ifstream::traits_type::eof()) {
    throw std::runtime_error(std::string("Cannot read ") + name);
  }
  std::vector<std::uint8_t> data;
  data.reserve(static_cast<std::size_t>(size));
  prefer_huge_pages(data.data(), data.capacity());
  data.resize(static_cast<std::size_t>(size));              // zero-filled
  stream.read(reinterpret_cast<char*>(data.data()), size);  // a short read leaves zeros
  return data;
}

std::optional<std::vector<std::uint8_t>> read_mark(const char* source, const char* file) {
  if (std::strcmp(source, "-f") == 0) {
    // argv[argc] is a null pointer, which stands for "-f" without a name.
    std::optional<std::vector<std::uint8_t>> bytes = read_file(file);
    if (!bytes) write_all(STDERR_FILENO, {"Data is not initialized\n"});
    return bytes;
  }
  return read_base64(source);  // anything else is Base64, even "-x"
}

}  // namespace scte104
