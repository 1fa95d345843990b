// SPDX-License-Identifier: MIT
#include "section_object.h"

namespace scte104 {

bool read_section_object(const std::uint8_t*, std::size_t, SectionObject& object) {
  object = SectionObject();
  return false;  // TEMPORARY until the library's section reader is merged
}

}  // namespace scte104
