// SPDX-License-Identifier: MIT
// Data of the operations that shape a DPI request and its encryption:
// component_mode_DPI_request_data, encrypted_DPI_request_data,
// delete_ControlWord_data and update_ControlWord_data.
#include "layouts.h"

namespace scte_104 {

// --- 0x0106 component_mode_DPI_request_data: no count, whole entries -------------

constexpr std::size_t kDpiComponentSize = 3;

void read_layout(ByteReader& in, ComponentModeDpiRequest& r) {
  while (in.remaining() >= kDpiComponentSize) {
    DpiComponent c;
    c.component_tag = in.read<std::uint8_t>("component_tag");
    c.component_preroll = in.read<std::uint16_t>("component_preroll");
    r.components.push_back(c);
  }
}

void write_layout(ByteWriter& out, const ComponentModeDpiRequest& r) {
  for (const DpiComponent& c : r.components) {
    out.write(c.component_tag);
    out.write(c.component_preroll);
  }
}

// --- 0x0107 encrypted_DPI_request_data ----------------------------------------------

void read_layout(ByteReader& in, EncryptedDpiRequest& r) {
  r.encryption_algorithm = in.read<std::uint8_t>("encryption_algorithm");
  r.CW_index = in.read<std::uint8_t>("CW_index");
}

void write_layout(ByteWriter& out, const EncryptedDpiRequest& r) {
  out.write(r.encryption_algorithm);
  out.write(r.CW_index);
}

// --- 0x0300 delete_ControlWord_data ---------------------------------------------------

void read_layout(ByteReader& in, DeleteControlWord& r) {
  r.CW_index = in.read<std::uint8_t>("CW_index");
}

void write_layout(ByteWriter& out, const DeleteControlWord& r) { out.write(r.CW_index); }

// --- 0x0301 update_ControlWord_data: three control words of 8 bytes -------------------

constexpr std::size_t kControlWordSize = 8;

void read_layout(ByteReader& in, UpdateControlWord& r) {
  r.CW_index = in.read<std::uint8_t>("CW_index");
  r.CW_A = in.read_bytes(kControlWordSize, "CW_A");
  r.CW_B = in.read_bytes(kControlWordSize, "CW_B");
  r.CW_C = in.read_bytes(kControlWordSize, "CW_C");
}

void write_layout(ByteWriter& out, const UpdateControlWord& r) {
  out.write(r.CW_index);
  out.write_bytes(r.CW_A);
  out.write_bytes(r.CW_B);
  out.write_bytes(r.CW_C);
}

}  // namespace scte_104
