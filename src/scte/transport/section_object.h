// SPDX-License-Identifier: MIT
// A splice_info_section read back with the message library's section
// reader, as the JSON object the report shows (the same object the
// translation's sections show as), held for comparison.
#ifndef SCTE104_SECTION_OBJECT_H
#define SCTE104_SECTION_OBJECT_H

#include <cstddef>
#include <cstdint>

#include "pairing.h"

namespace scte104 {

// False when the reader refuses the section (its fields pass its end, or
// its section_length is under 15).
bool read_section_object(const std::uint8_t* data, std::size_t size, SectionObject& object);

}  // namespace scte104

#endif  // SCTE104_SECTION_OBJECT_H
