// SPDX-License-Identifier: MIT
// TCP connections to a set of server ports, followed through a capture:
// where each starts and ends, which end is the server, and the ordered
// bytes of both directions with the holes between them.
#ifndef SCTE104_CAPTURE_CONNECTIONS_H
#define SCTE104_CAPTURE_CONNECTIONS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "capture/packet.h"
#include "capture/reassembler.h"

namespace capture {

enum class Direction { to_server = 0, from_server = 1 };

struct ConnectionInfo {
  std::uint64_t number = 0;  // from 1, in the order connections start
  Endpoint client;
  Endpoint server;
  bool saw_handshake = false;  // its first segment carried SYN
};

// Told everything that happens to the connections, in capture order.
class ConnectionListener {
 public:
  virtual ~ConnectionListener() = default;
  virtual void on_connection_start(const ConnectionInfo& connection) = 0;
  virtual void on_bytes(const ConnectionInfo& connection, Direction direction,
                        const std::uint8_t* bytes, std::size_t size, bool segment_start) = 0;
  virtual void on_gap(const ConnectionInfo& connection, Direction direction,
                      std::uint64_t bytes) = 0;
  // After its last bytes and holes.
  virtual void on_direction_end(const ConnectionInfo& connection, Direction direction) = 0;
  // After both directions ended; `capture_ended` when the capture ended
  // with the connection still open.
  virtual void on_connection_end(const ConnectionInfo& connection, bool capture_ended) = 0;
};

class ConnectionTracker {
 public:
  // Follows segments with one of `server_ports` at either end.
  ConnectionTracker(std::vector<std::uint16_t> server_ports, ConnectionListener& listener);
  ~ConnectionTracker();
  ConnectionTracker(const ConnectionTracker&) = delete;
  ConnectionTracker& operator=(const ConnectionTracker&) = delete;

  void add(const TcpSegment& segment);
  // The capture ended: every open connection ends, in number order.
  void finish();

  std::uint64_t connection_count() const { return mCount; }

 private:
  struct Connection;
  struct PairHash {
    std::size_t operator()(const std::pair<Endpoint, Endpoint>& pair) const;
  };
  using Pair = std::pair<Endpoint, Endpoint>;

  bool is_server_port(std::uint16_t port) const;
  Connection& open(const TcpSegment& segment, const Pair& key);
  // Feeds the segment to its direction; true when it ends the connection.
  bool apply(Connection& connection, const TcpSegment& segment);
  void end(Connection& connection, bool capture_ended);

  std::vector<std::uint16_t> mServerPorts;
  ConnectionListener& mListener;
  std::unordered_map<Pair, std::unique_ptr<Connection>, PairHash> mOpen;
  std::uint64_t mCount = 0;
};

}  // namespace capture

#endif  // SCTE104_CAPTURE_CONNECTIONS_H
