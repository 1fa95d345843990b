// SPDX-License-Identifier: MIT
// Arbitrary bytes as a splice_info_section: read or refused with a field,
// never a crash, in both ways of taking a command that does not read. A
// section read in the clear writes back (stuffing dropped) to bytes that
// read again to the same bytes.
#include <cstdlib>

#include "scte/scte35.h"

namespace {

namespace scte35 = scte_104::scte35;

void check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (const auto mode : {scte35::UnreadableCommand::refuse, scte35::UnreadableCommand::copy}) {
    const scte35::SectionRead read = scte35::read_section(data, size, mode);
    if (read.refused()) {
      check(!read.reason.empty());
      continue;
    }
    check(read.section.bytes.size() == 3u + read.section.fields.section_length);
    if (read.section.fields.encrypted_packet != 0) continue;
    scte35::SpliceInfoSection fields = read.section.fields;
    fields.alignment_stuffing.clear();
    const scte_104::Bytes written = scte35::write_section(fields);
    if (written.size() > 4096) continue;  // a legacy length that was short of the command
    const scte35::SectionRead again = scte35::read_section(written.data(), written.size(), mode);
    check(!again.refused());
    scte35::SpliceInfoSection fields_again = again.section.fields;
    check(scte35::write_section(fields_again) == written);
  }
  return 0;
}
