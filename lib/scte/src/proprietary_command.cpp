// SPDX-License-Identifier: MIT
// Data of proprietary_command_request_data (0x010C): an id, a command byte
// and whatever the owner of the id puts after them.
#include "layouts.h"

namespace scte_104 {

void read_layout(ByteReader& in, ProprietaryCommandRequest& r) {
  r.proprietary_id = in.read<std::uint32_t>("proprietary_id");
  r.proprietary_command = in.read<std::uint8_t>("proprietary_command");
  r.proprietary_data = in.read_rest();
}

void write_layout(ByteWriter& out, const ProprietaryCommandRequest& r) {
  out.write(r.proprietary_id);
  out.write(r.proprietary_command);
  out.write_bytes(r.proprietary_data);
}

}  // namespace scte_104
