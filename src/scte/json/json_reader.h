// SPDX-License-Identifier: MIT
// A queue mark described in JSON, in the shape of the JSON report, turned
// back into its bytes: what --json prints, this reads back to the same
// message. Members that the report derives from the bytes (hex, base64,
// decoded_size, name, description, error, every <field>_name, scte35) are
// allowed and ignored; what can be computed may be left out.
#ifndef SCTE104_JSON_READER_H
#define SCTE104_JSON_READER_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "input_file.h"

namespace scte104 {

// The lead byte 0x08 followed by the message that the JSON document from
// `source` describes. The text is parsed as it comes, never held whole.
// Throws std::runtime_error: "Not JSON: line L, column C: <reason>", or
// "<JSON Pointer>: <what is wrong>" naming the place of an unknown member, a
// wrong type, a value out of range, a missing field or a count that does
// not match its run.
std::vector<std::uint8_t> encode_json_mark(const ByteSource& source);

// The same for a document held in memory.
std::vector<std::uint8_t> encode_json_mark(std::string_view text);

}  // namespace scte104

#endif  // SCTE104_JSON_READER_H
