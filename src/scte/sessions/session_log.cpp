// SPDX-License-Identifier: MIT
#include "session_log.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include "report.h"

namespace scte104 {
namespace {

constexpr std::uint8_t kMarkLeadByte = 0x08;

}  // namespace

MultipleOperationLine decode_multiple_operation(const std::uint8_t* bytes, std::size_t size) {
  MultipleOperationLine line;
  line.bytes = bytes;
  line.size = size;
  std::vector<std::uint8_t> mark;
  mark.reserve(size + 1);
  mark.push_back(kMarkLeadByte);
  mark.insert(mark.end(), bytes, bytes + size);
  try {
    line.message = decode_mark(std::move(mark));
  } catch (const std::runtime_error& e) {
    line.error = e.what();
  }
  return line;
}

void SessionLog::add_connection(std::uint64_t number, std::string client, std::string server) {
  mEnds[number] = Ends{std::move(client), std::move(server)};
}

void SessionLog::remove_connection(std::uint64_t number) { mEnds.erase(number); }

LineOrigin SessionLog::origin(const scte_104::SessionPlace& place) const {
  LineOrigin where;
  where.packet = place.packet;
  where.time = place.time;
  where.connection = place.connection;
  if (place.connection == 0) return where;
  const Ends& ends = mEnds.at(place.connection);
  where.to_injector = place.direction == scte_104::SessionDirection::to_injector;
  where.source = where.to_injector ? &ends.client : &ends.server;
  where.destination = where.to_injector ? &ends.server : &ends.client;
  return where;
}

void SessionLog::message(const scte_104::SessionPlace& place, const std::uint8_t* bytes,
                         std::size_t size, const scte_104::SingleOperationMessage* single) {
  if (single != nullptr) {
    mWriter.single_operation(origin(place), *single);
    return;
  }
  mark(place, decode_multiple_operation(bytes, size));
}

void SessionLog::mark(const scte_104::SessionPlace& place, const MultipleOperationLine& mark) {
  mWriter.multiple_operation(origin(place), mark);
}

void SessionLog::problem(const scte_104::SessionPlace& place, const Problem& problem) {
  mWriter.problem(origin(place), problem);
}

void SessionLog::event(std::uint64_t packet, const CaptureTime& time, std::uint64_t connection,
                       const EventLine& event) {
  scte_104::SessionPlace place;
  place.packet = packet;
  place.time = &time;
  place.connection = connection;
  mWriter.event(origin(place), event);
}

}  // namespace scte104
