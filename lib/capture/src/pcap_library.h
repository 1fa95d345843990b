// SPDX-License-Identifier: MIT
// libpcap, opened at run time the first time a capture is read, so that
// the runs that read no capture load no capture library at all.
#ifndef SCTE104_CAPTURE_PCAP_LIBRARY_H
#define SCTE104_CAPTURE_PCAP_LIBRARY_H

#include <pcap/pcap.h>

namespace capture {

// The few functions of libpcap the capture reader calls; their types are
// those of libpcap's own header.
struct PcapLibrary {
  decltype(&pcap_fopen_offline_with_tstamp_precision) fopen_offline = nullptr;
  decltype(&pcap_datalink) datalink = nullptr;
  decltype(&pcap_next_ex) next_ex = nullptr;
  decltype(&pcap_close) close = nullptr;
};

// The library, loaded on first use by its SONAME. Throws CannotOpenError,
// naming the Debian package, when it or one of the functions is missing.
const PcapLibrary& pcap_library();

}  // namespace capture

#endif  // SCTE104_CAPTURE_PCAP_LIBRARY_H
