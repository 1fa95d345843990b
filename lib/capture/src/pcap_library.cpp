// SPDX-License-Identifier: MIT
#include "pcap_library.h"

#include <dlfcn.h>

#include <string>

#include "capture/capture_file.h"

namespace capture {
namespace {

// The SONAME of libpcap 1.x on Debian and its package.
constexpr const char* kSoname = "libpcap.so.0.8";
constexpr const char* kPackage = "libpcap0.8";

template <typename Function>
void resolve(void* handle, const char* name, Function& function) {
  void* symbol = dlsym(handle, name);
  if (symbol == nullptr) {
    throw CannotOpenError(std::string(kSoname) + " has no " + name + ": install a newer " +
                          kPackage);
  }
  // POSIX guarantees that a function's address survives the round trip
  // through void*.
  function = reinterpret_cast<Function>(symbol);
}

PcapLibrary load() {
  // Never closed: the process keeps the library to its end.
  void* handle = dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    throw CannotOpenError(std::string("Cannot load ") + kSoname +
                          ", which reading captures needs: install the package " + kPackage);
  }
  PcapLibrary library;
  resolve(handle, "pcap_fopen_offline_with_tstamp_precision", library.fopen_offline);
  resolve(handle, "pcap_datalink", library.datalink);
  resolve(handle, "pcap_next_ex", library.next_ex);
  resolve(handle, "pcap_close", library.close);
  return library;
}

}  // namespace

const PcapLibrary& pcap_library() {
  static const PcapLibrary library = load();  // tried again if it threw
  return library;
}

}  // namespace capture
