// SPDX-License-Identifier: MIT
// Records of a capture file (pcap, either byte order, micro- or nanosecond
// stamps, or pcapng), read through libpcap at nanosecond precision.
#ifndef SCTE104_CAPTURE_CAPTURE_FILE_H
#define SCTE104_CAPTURE_CAPTURE_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace capture {

// The file could not be opened at all (missing, unreadable), or libpcap,
// which is loaded at run time, is not installed.
class CannotOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Record {
  std::uint64_t number = 0;  // from 1, in file order
  std::int64_t seconds = 0;  // UTC, since 1970
  std::uint32_t nanoseconds = 0;
  const std::uint8_t* data = nullptr;  // the captured bytes, valid until the next read
  std::size_t size = 0;
};

enum class ReadStatus { record, end, error };

class CaptureFile {
 public:
  // Opens `name`, or standard input for "-". Throws CannotOpenError when
  // libpcap is missing or the file cannot be opened, std::runtime_error when it is no pcap or
  // pcapng file or its link type is not one that link_layer.h reads.
  explicit CaptureFile(const char* name);
  // Reads an open file, which it takes over; `name` is for messages.
  CaptureFile(std::FILE* file, const std::string& name);
  ~CaptureFile();
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  int link_type() const { return mLinkType; }
  // The next record, the end of the file, or an error (a record or block
  // cut short, or any other read error).
  ReadStatus next(Record& record);

 private:
  void open(std::FILE* file, const std::string& name, bool owned);

  struct Handle;
  std::unique_ptr<Handle> mHandle;
  int mLinkType = 0;
  std::uint64_t mCount = 0;
};

}  // namespace capture

#endif  // SCTE104_CAPTURE_CAPTURE_FILE_H
