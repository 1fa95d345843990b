// SPDX-License-Identifier: MIT
// The SCTE 35 sections of a queue mark in the JSON report: each section as
// Base64, as hexadecimal and field by field, then the problems.
#ifndef SCTE104_SCTE35_JSON_H
#define SCTE104_SCTE35_JSON_H

#include "json_writer.h"
#include "scte/scte35.h"

namespace scte104 {

// Writes one section as an object: base64, hex, then its fields.
void write_section_object(const scte_104::scte35::Section& section, JsonWriter& json);

// Writes the member "scte35" into the object that `json` has open.
void write_scte35_member(const scte_104::scte35::Translation& translation, JsonWriter& json);

}  // namespace scte104

#endif  // SCTE104_SCTE35_JSON_H
