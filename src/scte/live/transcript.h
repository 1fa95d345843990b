// SPDX-License-Identifier: MIT
// --send's --log: the session as --serve --json-lines logs a connection.
// Every byte both ways goes through the session checks as a capture of the
// connection would, each socket operation counted as a packet; the open
// and close events and the live problems are added around them.
#ifndef SCTE104_TRANSCRIPT_H
#define SCTE104_TRANSCRIPT_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "automation_client.h"
#include "output.h"
#include "scte/session.h"

namespace scte104 {

class SessionLog;
class SessionWriter;

class Transcript {
 public:
  // `local` and `remote` as "ip:port": the automation system's end and the
  // injector's.
  Transcript(Output& out, const std::string& local, const std::string& remote);
  ~Transcript();

  // The connect: packet 1.
  void open(std::int64_t wall_us);
  // A read or a write that moved bytes: the next packet.
  void bytes(std::int64_t wall_us, bool to_injector, const std::uint8_t* data, std::size_t size);
  // The injector's end of stream or error: the next packet.
  void peer_end(std::int64_t wall_us);
  // Time passed: answers overdue are reported.
  void tick(std::int64_t wall_us);
  // When tick() would next report something (wall clock), if ever.
  std::optional<std::int64_t> next_deadline_wall_us() const;
  void problem(std::int64_t wall_us, const LiveProblem& problem);
  // Ends both directions and writes the close line, then the summary.
  void close(std::int64_t wall_us, const CloseInfo& info, bool shutdown);

 private:
  void begin(std::int64_t wall_us, bool new_packet);

  std::unique_ptr<SessionWriter> mWriter;
  std::unique_ptr<SessionLog> mLog;
  std::unique_ptr<scte_104::SessionChecker> mChecker;
  std::uint64_t mPacket = 0;
  std::int64_t mWallUs = 0;
  bool mStallReported = false;
};

}  // namespace scte104

#endif  // SCTE104_TRANSCRIPT_H
