// SPDX-License-Identifier: MIT
// --send's --log: the connection as --serve --json-lines logs one (the
// shared live log: every byte both ways through the session checks, each
// socket operation a packet), with the client's own close and the stalls
// its clock finds.
#ifndef SCTE104_TRANSCRIPT_H
#define SCTE104_TRANSCRIPT_H

#include <cstdint>
#include <optional>
#include <string>

#include "automation_client.h"
#include "live_log.h"
#include "output.h"

namespace scte104 {

class Transcript {
 public:
  // `local` and `remote` as "ip:port": the automation system's end and the
  // injector's.
  Transcript(Output& out, std::string local, std::string remote);

  // The connect: packet 1 and the open line.
  void open();
  // A read or a write that moved bytes: the next packet.
  void bytes(bool to_injector, const std::uint8_t* data, std::size_t size);
  // The injector's end of stream or error: the next packet.
  void peer_end() { mLog.operation(); }
  // Time passed: answers overdue are reported.
  void tick() { mLog.tick(); }
  // When tick() would next report something (wall clock, microseconds).
  std::optional<std::int64_t> next_deadline_wall_us();
  void problem(const LiveProblem& problem);
  // Ends both directions, writes the close line, then the summary.
  void close(const CloseInfo& info, bool shutdown);

 private:
  scte_104::Scte35Settings mScte35;  // the log keeps a reference: it outlives mLog
  LiveLog mLog;
  std::string mLocal;
  std::string mRemote;
  bool mStallReported = false;
};

}  // namespace scte104

#endif  // SCTE104_TRANSCRIPT_H
