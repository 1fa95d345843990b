// SPDX-License-Identifier: MIT
// The only code that talks to libpcap.
#include "capture/capture_file.h"

#include <pcap/pcap.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "capture/packet.h"

namespace capture {

struct CaptureFile::Handle {
  pcap_t* pcap = nullptr;
  ~Handle() {
    if (pcap != nullptr) pcap_close(pcap);  // closes the FILE too
  }
};

CaptureFile::CaptureFile(const char* name) : mHandle(std::make_unique<Handle>()) {
  const bool from_stdin = std::strcmp(name, "-") == 0;
  std::FILE* file = from_stdin ? stdin : std::fopen(name, "rb");
  if (file == nullptr) {
    throw CannotOpenError(std::string("Cannot open ") + name + ": " + std::strerror(errno));
  }
  open(file, from_stdin ? "Standard input" : name, !from_stdin);
}

CaptureFile::CaptureFile(std::FILE* file, const std::string& name)
    : mHandle(std::make_unique<Handle>()) {
  open(file, name, true);
}

void CaptureFile::open(std::FILE* file, const std::string& name, bool owned) {
  char error[PCAP_ERRBUF_SIZE] = "";
  mHandle->pcap = pcap_fopen_offline_with_tstamp_precision(file, PCAP_TSTAMP_PRECISION_NANO, error);
  if (mHandle->pcap == nullptr) {
    if (owned) std::fclose(file);
    throw std::runtime_error(name + " is not a pcap or pcapng file");
  }
  mLinkType = pcap_datalink(mHandle->pcap);
  if (!is_supported_link_type(mLinkType)) {
    throw std::runtime_error(name + ": link type " + std::to_string(mLinkType) +
                             " is not supported");
  }
}

CaptureFile::~CaptureFile() = default;

ReadStatus CaptureFile::next(Record& record) {
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  const int status = pcap_next_ex(mHandle->pcap, &header, &data);
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
