// SPDX-License-Identifier: MIT
#include "capture/connections.h"

#include <algorithm>
#include <cstring>

namespace capture {
namespace {

// Endpoints in a fixed order, so that both directions find one entry.
bool before(const Endpoint& a, const Endpoint& b) {
  if (a.ipv6 != b.ipv6) return a.ipv6 < b.ipv6;
  const int order = std::memcmp(a.address.data(), b.address.data(), a.address.size());
  return order != 0 ? order < 0 : a.port < b.port;
}

}  // namespace

struct ConnectionTracker::Connection {
  ConnectionInfo info;
  Reassembler streams[2];
  bool fin[2] = {false, false};
};

// The bytes of one direction, passed on with the connection they belong to.
class DirectionSink : public StreamSink {
 public:
  DirectionSink(ConnectionListener& listener, const ConnectionInfo& connection, Direction direction)
      : mListener(listener), mConnection(connection), mDirection(direction) {}
  void on_bytes(const std::uint8_t* bytes, std::size_t size, bool segment_start) override {
    mListener.on_bytes(mConnection, mDirection, bytes, size, segment_start);
  }
  void on_gap(std::uint64_t bytes) override { mListener.on_gap(mConnection, mDirection, bytes); }

 private:
  ConnectionListener& mListener;
  const ConnectionInfo& mConnection;
  Direction mDirection;
};

std::size_t ConnectionTracker::PairHash::operator()(const Pair& pair) const {
  std::size_t hash = 0;
  for (const Endpoint* endpoint : {&pair.first, &pair.second}) {
    for (std::uint8_t byte : endpoint->address) hash = hash * 131 + byte;
    hash = hash * 131 + endpoint->port;
  }
  return hash;
}

ConnectionTracker::ConnectionTracker(std::vector<std::uint16_t> server_ports,
                                     ConnectionListener& listener)
    : mServerPorts(std::move(server_ports)), mListener(listener) {}

ConnectionTracker::~ConnectionTracker() = default;

bool ConnectionTracker::is_server_port(std::uint16_t port) const {
  return std::find(mServerPorts.begin(), mServerPorts.end(), port) != mServerPorts.end();
}

void ConnectionTracker::add(const TcpSegment& segment) {
  if (!is_server_port(segment.source.port) && !is_server_port(segment.destination.port)) return;
  const Pair key = before(segment.source, segment.destination)
                       ? Pair(segment.source, segment.destination)
                       : Pair(segment.destination, segment.source);
  auto found = mOpen.find(key);
  if (found != mOpen.end()) {
    Connection& connection = *found->second;
    const Direction direction =
        segment.source == connection.info.server ? Direction::from_server : Direction::to_server;
    const Reassembler& stream = connection.streams[static_cast<int>(direction)];
    // A SYN that starts that side's stream elsewhere is a new connection; a
    // repeated SYN changes nothing.
    if (segment.syn && stream.started() && segment.sequence + 1 != stream.first_sequence()) {
      end(connection, false);
      mOpen.erase(found);
      found = mOpen.end();
    }
  }
  const bool payload = segment.payload_size > 0 && !segment.rst;
  if (found == mOpen.end()) {
    if (!segment.syn && !payload) return;  // nothing to start a connection with
    if (apply(open(segment, key), segment)) mOpen.erase(key);
    return;
  }
  if (apply(*found->second, segment)) mOpen.erase(found);
}

ConnectionTracker::Connection& ConnectionTracker::open(const TcpSegment& segment, const Pair& key) {
  auto connection = std::make_unique<Connection>();
  ConnectionInfo& info = connection->info;
  info.number = ++mCount;
  info.saw_handshake = segment.syn;
  // The end with a server port is the server. With one at both ends, the
  // first segment goes to the server, unless it answers a SYN.
  const bool source_is_server =
      is_server_port(segment.source.port) &&
      (!is_server_port(segment.destination.port) || (segment.syn && segment.ack));
  info.server = source_is_server ? segment.source : segment.destination;
  info.client = source_is_server ? segment.destination : segment.source;
  Connection& stored = *(mOpen[key] = std::move(connection));
  mListener.on_connection_start(stored.info);
  return stored;
}

bool ConnectionTracker::apply(Connection& connection, const TcpSegment& segment) {
  const Direction direction =
      segment.source == connection.info.server ? Direction::from_server : Direction::to_server;
  const int side = static_cast<int>(direction);
  Reassembler& stream = connection.streams[side];
  // The data of a SYN starts one after its sequence number.
  const std::uint32_t data_sequence = segment.syn ? segment.sequence + 1 : segment.sequence;
  if (!stream.started()) stream.start(data_sequence);
  if (segment.rst) {  // its payload is ignored
    end(connection, false);
    return true;
  }
  DirectionSink sink(mListener, connection.info, direction);
  stream.add(data_sequence, segment.payload, segment.payload_size, sink);
  if (segment.fin) connection.fin[side] = true;
  if (connection.fin[0] && connection.fin[1]) {
    end(connection, false);
    return true;
  }
  return false;
}

void ConnectionTracker::end(Connection& connection, bool capture_ended) {
  for (Direction direction : {Direction::to_server, Direction::from_server}) {
    DirectionSink sink(mListener, connection.info, direction);
    connection.streams[static_cast<int>(direction)].finish(sink);
    mListener.on_direction_end(connection.info, direction);
  }
  mListener.on_connection_end(connection.info, capture_ended);
}

void ConnectionTracker::finish() {
  std::vector<Connection*> open;
  for (auto& entry : mOpen) open.push_back(entry.second.get());
  std::sort(open.begin(), open.end(), [](const Connection* a, const Connection* b) {
    return a->info.number < b->info.number;
  });
  for (Connection* connection : open) end(*connection, true);
  mOpen.clear();
}

}  // namespace capture
