// SPDX-License-Identifier: MIT
// The section reader's parts that the way back from a section to a mark
// uses without read_section()'s copies: it looks at the section's bytes
// where they lie, and reads one descriptor at a time.
#ifndef SCTE104_SCTE35_READING_H
#define SCTE104_SCTE35_READING_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "scte/scte35.h"

namespace scte_104::scte35::reading {

// The fields of the section at the start of `data`, refused as
// read_section() refuses it (the field at fault is returned, with
// `reason`; null when read), but with the descriptor loop only checked,
// not read into `fields.descriptors`, and a command kept as bytes left
// without them: they stay in `data`. `fields` is read into as it is.
const char* read_section_fields(const std::uint8_t* data, std::size_t size,
                                UnreadableCommand unreadable, SpliceInfoSection& fields,
                                std::string& reason);

// A descriptor's image (tag, length, body) read into the record of its
// kind: true when the image holds exactly that record's fields, with the
// identifier "CUEI". Every field the image holds is read into the record;
// the others keep their values.
bool read_descriptor(const std::uint8_t* image, std::size_t size, AvailDescriptor& descriptor);
bool read_descriptor(const std::uint8_t* image, std::size_t size, DtmfDescriptor& descriptor);
bool read_descriptor(const std::uint8_t* image, std::size_t size,
                     SegmentationDescriptor& descriptor);
bool read_descriptor(const std::uint8_t* image, std::size_t size, TimeDescriptor& descriptor);

}  // namespace scte_104::scte35::reading

#endif  // SCTE104_SCTE35_READING_H
