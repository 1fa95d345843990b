// SPDX-License-Identifier: MIT
// Turns the session checker's events into lines: it knows each
// connection's two ends, decodes queue marks as --json does, and hands each
// message, problem and event to a SessionWriter. --pcap and the live modes
// share it, so a session seen either way is logged the same.
#ifndef SCTE104_SESSION_LOG_H
#define SCTE104_SESSION_LOG_H

#include <cstdint>
#include <string>
#include <unordered_map>

#include "scte/session.h"
#include "session_line.h"

namespace scte104 {

class SessionLog : public scte_104::SessionEvents {
 public:
  explicit SessionLog(SessionWriter& writer) : mWriter(writer) {}

  // The ends of a connection, as "ip:port": the automation system's and the
  // injector's.
  void add_connection(std::uint64_t number, std::string client, std::string server);
  void remove_connection(std::uint64_t number);

  void message(const scte_104::SessionPlace& place, const std::uint8_t* bytes, std::size_t size,
               const scte_104::SingleOperationMessage* single) override;
  void problem(const scte_104::SessionPlace& place, const Problem& problem) override;
  // A queue mark its caller decoded: the line message() would write.
  void mark(const scte_104::SessionPlace& place, const MultipleOperationLine& mark);
  // An open or close line, automation system to injector.
  void event(std::uint64_t packet, const CaptureTime& time, std::uint64_t connection,
             const EventLine& event);

  SessionWriter& writer() { return mWriter; }

 private:
  struct Ends {
    std::string client;
    std::string server;
  };
  LineOrigin origin(const scte_104::SessionPlace& place) const;

  SessionWriter& mWriter;
  std::unordered_map<std::uint64_t, Ends> mEnds;
};

}  // namespace scte104

#endif  // SCTE104_SESSION_LOG_H
