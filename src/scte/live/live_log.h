// SPDX-License-Identifier: MIT
// The log of a live mode: the session checker fed with what the sockets
// carry, numbered by socket operation and stamped with the wall clock, and
// the lines --pcap writes plus the open and close events of each
// connection. The mode hears of every message and problem through a tap,
// after its line is written.
#ifndef SCTE104_LIVE_LOG_H
#define SCTE104_LIVE_LOG_H

#include <cstdint>
#include <memory>
#include <string>

#include "output.h"
#include "scte/scte35.h"
#include "scte/session.h"
#include "session_log.h"
#include "session_writers.h"

namespace scte104 {

class LiveLog : public scte_104::SessionEvents {
 public:
  // JSON Lines or the timeline, on `out`; `tap` (may be null) hears each
  // event after its line.
  LiveLog(Output& out, bool json_lines, const scte_104::Scte35Settings& scte35,
          scte_104::SessionEvents* tap);

  // The wall clock, UTC, in whole microseconds (as the lines show it).
  static scte_104::SessionTime wall_now();

  // A socket operation (accept, connect, a read that returned bytes, the
  // end of the stream or an error, a write that took bytes): counts it and
  // makes it the packet and time of what follows. Reports what the time
  // makes late or silent first.
  void operation();
  // A timer or the tool's own decision: the last number, the time now.
  void tick();

  // A connection opens: its ends as "ip:port" and the `open` line.
  void open(std::uint64_t connection, std::string automation, std::string injector);
  // A connection is done: both directions ended (leftover), the queue
  // marks still waiting reported when `report_waiting`, then `close`.
  void close(std::uint64_t connection, const char* by, const char* how, const char* reason,
             bool report_waiting);
  // The last line of the run.
  void summary();

  scte_104::SessionChecker& checker() { return mChecker; }
  // While the tap hears of a queue mark: the mark, decoded once for the
  // line and the tap; null otherwise.
  const MultipleOperationLine* mark() const { return mMark; }
  Output& out() { return mOut; }
  std::uint64_t connections() const { return mConnections; }

  void message(const scte_104::SessionPlace& place, const std::uint8_t* bytes, std::size_t size,
               const scte_104::SingleOperationMessage* single) override;
  void problem(const scte_104::SessionPlace& place, const Problem& problem) override;

 private:
  Output& mOut;
  std::unique_ptr<SessionWriter> mWriter;
  SessionLog mLog;
  scte_104::SessionChecker mChecker;
  scte_104::SessionEvents* mTap;
  std::uint64_t mPacket = 0;
  std::uint64_t mConnections = 0;
  scte_104::SessionTime mTime;
  const MultipleOperationLine* mMark = nullptr;
};

}  // namespace scte104

#endif  // SCTE104_LIVE_LOG_H
