// SPDX-License-Identifier: MIT
// A capture record's time stamp as UTC text.
#ifndef SCTE104_CAPTURE_TIME_H
#define SCTE104_CAPTURE_TIME_H

#include <string>

#include "session_line.h"

namespace scte104 {

// "YYYY-MM-DDTHH:MM:SS.ffffffZ", with 9 fraction digits instead of 6 when
// the nanoseconds are not whole microseconds.
std::string format_capture_time(const CaptureTime& time);

// Whether `later` is more than `limit_ns` nanoseconds after `earlier`.
using scte_104::more_than_after;

}  // namespace scte104

#endif  // SCTE104_CAPTURE_TIME_H
