// SPDX-License-Identifier: MIT
// The only code that talks to libpcap, through the functions that
// pcap_library() finds.
#include "capture/capture_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "capture/packet.h"
#include "pcap_library.h"

namespace capture {

struct CaptureFile::Handle {
  const PcapLibrary& pcap_functions = pcap_library();
  pcap_t* pcap = nullptr;
  ~Handle() {
    if (pcap != nullptr) pcap_functions.close(pcap);  // closes the FILE too
  }
};

// The library is loaded before the file is opened, so that a missing
// library is what is reported whatever the file.
CaptureFile::CaptureFile(const char* name) : mHandle(std::make_unique<Handle>()) {
  const bool from_stdin = std::strcmp(name, "-") == 0;
  std::FILE* file = from_stdin ? stdin : std::fopen(name, "rb");
  if (file == nullptr) {
    throw CannotOpenError(std::string("Cannot open ") + name + ": " + std::strerror(errno));
  }
  open(file, from_stdin ? "Standard input" : name, !from_stdin);
}

CaptureFile::CaptureFile(std::FILE* file, const std::string& name) {
  try {
    mHandle = std::make_unique<Handle>();
  } catch (...) {  // no libpcap: the file is ours to close all the same
    std::fclose(file);
    throw;
  }
  open(file, name, true);
}

void CaptureFile::open(std::FILE* file, const std::string& name, bool owned) {
  char error[PCAP_ERRBUF_SIZE] = "";
  mHandle->pcap = mHandle->pcap_functions.fopen_offline(file, PCAP_TSTAMP_PRECISION_NANO, error);
  if (mHandle->pcap == nullptr) {
    if (owned) std::fclose(file);
    throw std::runtime_error(name + " is not a pcap or pcapng file");
  }
  mLinkType = mHandle->pcap_functions.datalink(mHandle->pcap);
  if (!is_supported_link_type(mLinkType)) {
    throw std::runtime_error(name + ": link type " + std::to_string(mLinkType) +
                             " is not supported");
  }
}

CaptureFile::~CaptureFile() = default;

ReadStatus CaptureFile::next(Record& record) {
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  const int status = mHandle->pcap_functions.next_ex(mHandle->pcap, &header, &data);
  if (status == PCAP_ERROR_BREAK) return ReadStatus::end;
  if (status != 1) return ReadStatus::error;
  record.number = ++mCount;
  record.seconds = static_cast<std::int64_t>(header->ts.tv_sec);
  // At nanosecond precision libpcap puts nanoseconds in tv_usec.
  record.nanoseconds = static_cast<std::uint32_t>(header->ts.tv_usec);
  record.data = data;
  record.size = header->caplen;
  return ReadStatus::record;
}

}  // namespace capture
