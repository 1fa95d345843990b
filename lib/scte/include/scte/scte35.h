// What an SCTE 35 injector makes of a queue mark: the splice_info_section()s
// that one multiple_operation_message() becomes, as records and as bytes.
#ifndef SCTE104_SCTE35_H
#define SCTE104_SCTE35_H

#include <cstdint>
#include <string>
#include <vector>

#include "scte/export.h"
#include "scte/scte_104.h"

namespace scte_104 {

// A video frame rate num/den, used to turn duration_extension_frames into
// 90 kHz ticks.
struct FrameRate {
  std::uint32_t num = 30000;
  std::uint32_t den = 1001;
};

// What the translation needs besides the message.
struct Scte35Settings {
  // The PTS (33 bits, 90 kHz) of the frame in which the message arrived;
  // every pts_time counts from it.
  std::uint64_t reference_pts = 0;
  FrameRate frame_rate;
};

// The largest PTS: PTS values are 33 bits wide.
constexpr std::uint64_t kMaxPts = (std::uint64_t{1} << 33u) - 1;

// The frame rates an injector is set up with; parse_frame_rate takes their
// texts: 24000/1001, 24, 25, 30000/1001, 30, 50, 60000/1001, 60.
SCTE_104_API bool parse_frame_rate(const std::string& text, FrameRate& rate);

}  // namespace scte_104

#endif  // SCTE104_SCTE35_H
