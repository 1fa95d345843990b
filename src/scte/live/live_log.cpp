// SPDX-License-Identifier: MIT
#include "live_log.h"

#include <time.h>

#include <utility>

namespace scte104 {

LiveLog::LiveLog(Output& out, bool json_lines, const scte_104::Scte35Settings& scte35,
                 scte_104::SessionEvents* tap)
    : mOut(out),
      mWriter(json_lines ? make_json_lines_writer(out, scte35) : make_timeline_writer(out)),
      mLog(*mWriter),
      mChecker(*this),
      mTap(tap) {}

scte_104::SessionTime LiveLog::wall_now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return scte_104::SessionTime{now.tv_sec, static_cast<std::uint32_t>(now.tv_nsec / 1000 * 1000)};
}

void LiveLog::operation() {
  ++mPacket;
  tick();
}

void LiveLog::tick() {
  scte_104::SessionTime now = wall_now();
  // Lines never go back in time, whatever the wall clock does.
  if (now.seconds < mTime.seconds ||
      (now.seconds == mTime.seconds && now.nanoseconds < mTime.nanoseconds)) {
    now = mTime;
  }
  mTime = now;
  mChecker.advance(mPacket, mTime);
}

void LiveLog::open(std::uint64_t connection, std::string automation, std::string injector) {
  ++mConnections;
  mLog.add_connection(connection, std::move(automation), std::move(injector));
  mChecker.open(connection, true);
  mLog.event(mPacket, mTime, connection, EventLine{"open", nullptr, nullptr, nullptr});
}

void LiveLog::close(std::uint64_t connection, const char* by, const char* how,
                    const char* reason, bool report_waiting) {
  mChecker.end_direction(connection, scte_104::SessionDirection::to_injector);
  mChecker.end_direction(connection, scte_104::SessionDirection::from_injector);
  mChecker.close(connection, report_waiting);
  mLog.event(mPacket, mTime, connection, EventLine{"close", by, how, reason});
  mLog.remove_connection(connection);
}

void LiveLog::summary() {
  mWriter->summary(
      SessionSummary{mPacket, mConnections, mChecker.messages(), mChecker.problems()});
}

void LiveLog::message(const scte_104::SessionPlace& place, const std::uint8_t* bytes,
                      std::size_t size, const scte_104::SingleOperationMessage* single) {
  if (single != nullptr) {
    mLog.message(place, bytes, size, single);
    if (mTap != nullptr) mTap->message(place, bytes, size, single);
    return;
  }
  const MultipleOperationLine mark = decode_multiple_operation(bytes, size);
  mLog.mark(place, mark);
  mMark = &mark;
  if (mTap != nullptr) mTap->message(place, bytes, size, single);
  mMark = nullptr;
}

void LiveLog::problem(const scte_104::SessionPlace& place, const Problem& problem) {
  mLog.problem(place, problem);
  if (mTap != nullptr) mTap->problem(place, problem);
}

}  // namespace scte104
