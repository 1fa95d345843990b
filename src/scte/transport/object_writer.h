// SPDX-License-Identifier: MIT
// Writes a JSON value held as nlohmann::ordered_json (a section read back,
// a list of differences) with the report's own JsonWriter, so it looks like
// every other member: same separators, same escapes.
#ifndef SCTE104_OBJECT_WRITER_H
#define SCTE104_OBJECT_WRITER_H

#include <nlohmann/json.hpp>

#include "json_writer.h"

namespace scte104 {

// Strings hold one character per byte as the report writes them (code
// points up to U+00FF), so they are written back byte for byte.
void write_object(const nlohmann::ordered_json& value, JsonWriter& json, Output& out);

}  // namespace scte104

#endif  // SCTE104_OBJECT_WRITER_H
