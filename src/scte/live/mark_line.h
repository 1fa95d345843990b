// SPDX-License-Identifier: MIT
// One line of --send's input: a queue mark as Base64 (a lead byte, then
// the message) or as a JSON document in the shape --encode reads, or a
// comment, or a blank.
#ifndef SCTE104_MARK_LINE_H
#define SCTE104_MARK_LINE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scte104 {

enum class MarkLineKind { skip, mark, error };

// Reads one input line as it came (without its line feed). A mark leaves
// its message in `mark` (lead byte dropped); an error its text in `error`.
// Only bytes that keep the injector's framing whole are a mark: at least
// 12 of them, starting with 0xFFFF, their messageSize equal to their
// number. Nothing else is checked, so that refusals can be tested.
MarkLineKind read_mark_line(std::string_view line, std::vector<std::uint8_t>& mark,
                            std::string& error);

}  // namespace scte104

#endif  // SCTE104_MARK_LINE_H
