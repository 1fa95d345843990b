// SPDX-License-Identifier: MIT
// The NAME and SUMMARY columns of a timeline's message lines, shared by the
// timelines of every capture mode.
#ifndef SCTE104_MESSAGE_SUMMARY_H
#define SCTE104_MESSAGE_SUMMARY_H

#include <cstdint>
#include <string>

#include "scte/single_operation.h"
#include "session_line.h"

namespace scte104 {

// The opID's name without its "_data" suffix, or "opID_0xHHHH".
std::string short_name(std::uint16_t op_id);

// What the data says, then the result where it tells something: always
// for a response without other data, otherwise when it is not success.
std::string single_summary(const scte_104::SingleOperationMessage& message);

// message_number and the operations' names, or the refusal (`message`
// null).
std::string multiple_summary(const scte_104::MultipleOperationMessage* message,
                             const std::string& error);

// Adds `part` to a summary, after ", " unless it is the first.
void join_part(std::string& text, const std::string& part);

}  // namespace scte104

#endif  // SCTE104_MESSAGE_SUMMARY_H
