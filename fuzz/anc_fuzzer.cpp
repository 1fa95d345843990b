// SPDX-License-Identifier: MIT
// ST 2110-40 datagrams through the whole --anc path. The input is a list
// of chunks, each a length byte and that many bytes: a chunk whose length
// byte has its top bit clear is an RFC 8331 payload behind an RTP header
// made here (sequence numbers in order, so the payloads reach the ANC
// reader); with the top bit set it is a whole UDP payload, RTP header and
// all. The chunks become records of a capture in memory; whatever they
// hold, the report ends with its summary line.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "anc_report.h"

namespace {

void put16(std::vector<std::uint8_t>& out, std::size_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8u));
  out.push_back(static_cast<std::uint8_t>(value));
}

void put32le(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (unsigned shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

// A raw IPv4 record: IP and UDP headers to port 5004, then `payload`.
void add_record(std::vector<std::uint8_t>& file, const std::vector<std::uint8_t>& payload) {
  std::vector<std::uint8_t> packet = {0x45, 0x00};
  put16(packet, 28 + payload.size());
  const std::uint8_t rest[] = {0, 0, 0x40, 0, 64, 17, 0,    0,    10,   0,
                               0, 5, 239,  1, 40, 1,  0xC3, 0x50, 0x13, 0x8C};
  packet.insert(packet.end(), rest, rest + sizeof rest);
  put16(packet, 8 + payload.size());
  put16(packet, 0);
  packet.insert(packet.end(), payload.begin(), payload.end());
  put32le(file, 0);
  put32le(file, 0);
  put32le(file, static_cast<std::uint32_t>(packet.size()));
  put32le(file, static_cast<std::uint32_t>(packet.size()));
  file.insert(file.end(), packet.begin(), packet.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::uint8_t> file;
  put32le(file, 0xA1B2C3D4);
  put16(file, 0x0200);  // version 2.4, little-endian
  put16(file, 0x0400);
  put32le(file, 0);      // thiszone
  put32le(file, 0);      // sigfigs
  put32le(file, 65535);  // snaplen
  put32le(file, 228);    // raw IPv4
  std::uint16_t sequence = 0;
  for (std::size_t at = 1; at < size;) {
    const std::size_t length = std::min<std::size_t>(data[at] & 0x7Fu, size - at - 1);
    const bool whole = (data[at] & 0x80u) != 0;
    std::vector<std::uint8_t> payload;
    if (!whole) {
      const std::uint8_t header[] = {0x80, 0xE4, 0, 0, 0, 0, 0, 1, 0x5F, 0x3A, 0x0C, 0x01};
      payload.assign(header, header + sizeof header);
      payload[2] = static_cast<std::uint8_t>(sequence >> 8u);
      payload[3] = static_cast<std::uint8_t>(sequence++);
    }
    payload.insert(payload.end(), data + at + 1, data + at + 1 + length);
    add_record(file, payload);
    at += 1 + length;
  }
  std::FILE* stream = fmemopen(file.data(), file.size(), "rb");
  if (stream == nullptr) return 0;
  std::string text;
  scte104::Output out([&text](const char* bytes, std::size_t count) { text.append(bytes, count); });
  scte104::AncReportOptions options;
  options.json_lines = (data[0] & 1u) != 0;
  options.ports = {5004};
  try {
    capture::CaptureFile capture(stream, "input");
    scte104::report_anc(capture, options, out);
  } catch (const std::runtime_error&) {
    std::abort();  // the capture made here is always readable
  }
  out.flush();
  const std::size_t last = text.rfind('\n', text.size() - 2);
  const std::string summary = text.substr(last == std::string::npos ? 0 : last + 1);
  if (summary.rfind(options.json_lines ? "{\"summary\": " : "summary: ", 0) != 0) std::abort();
  return 0;
}
