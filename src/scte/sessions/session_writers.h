// SPDX-License-Identifier: MIT
// The two forms of a session report: JSON Lines for scripts, a timeline
// for people. Both write one line per message or problem, then a summary.
#ifndef SCTE104_SESSION_WRITERS_H
#define SCTE104_SESSION_WRITERS_H

#include <memory>

#include "json_writer.h"
#include "output.h"
#include "scte/scte35.h"
#include "session_line.h"

namespace scte104 {

// A queue mark's `message` is what --json prints for it, with `scte35`.
std::unique_ptr<SessionWriter> make_json_lines_writer(Output& out,
                                                      const scte_104::Scte35Settings& scte35);

std::unique_ptr<SessionWriter> make_timeline_writer(Output& out);

// A single_operation_message() as a JSON object: its header, data() in hex,
// and for an opID with a layout, fields or error, then trailing_data.
void write_single_operation_json(const scte_104::SingleOperationMessage& message, JsonWriter& json);

}  // namespace scte104

#endif  // SCTE104_SESSION_WRITERS_H
