// SPDX-License-Identifier: MIT
#include "scte/anc_payload.h"

#include <algorithm>

#include "scte/single_operation.h"

namespace scte_104 {
namespace {

// messageSize has 16 bits: bytes past the largest message are counted, not
// kept, so a stream of parts that never ends cannot eat memory.
constexpr std::size_t kLargestMessage = 0xFFFF;

constexpr std::uint8_t kBothFlags = kPayloadContinued | kPayloadFollowing;

void append(std::vector<std::uint8_t>& data, std::size_t& bytes, const std::uint8_t* part,
            std::size_t size) {
  bytes += size;
  const std::size_t room = kLargestMessage - std::min(data.size(), kLargestMessage);
  data.insert(data.end(), part, part + std::min(size, room));
}

}  // namespace

bool payload_descriptor_valid(std::uint8_t descriptor) {
  return (descriptor & 0xE0u) == 0 && (descriptor >> 3u & 0x3u) == 1;
}

void AncPayloadJoiner::add(std::uint64_t key, const std::uint8_t* user_data, std::size_t size,
                           std::vector<AncPayloadEvent>& events) {
  events.clear();
  if (size == 0) return;
  const std::uint8_t descriptor = user_data[0];
  const std::uint8_t* part = user_data + 1;
  const std::size_t part_size = size - 1;
  if (!payload_descriptor_valid(descriptor)) {
    AncPayloadEvent event;
    event.kind = AncPayloadEvent::Kind::payload_descriptor;
    event.value = descriptor;
    events.push_back(event);
  }
  const std::uint8_t flags = descriptor & kBothFlags;
  auto waiting = mWaiting.find(key);
  if (waiting != mWaiting.end()) {
    Waiting& parts = waiting->second;
    if (flags == kBothFlags) {  // a middle part
      ++parts.fragments;
      append(parts.data, parts.bytes, part, part_size);
      return;
    }
    if (flags != 0 && flags != parts.first_flag) {  // the last part
      ++parts.fragments;
      append(parts.data, parts.bytes, part, part_size);
      const Waiting whole = std::move(parts);
      mWaiting.erase(waiting);
      complete(whole, whole.data.data(), events);
      return;
    }
    // A whole message, or the first part of another: what waits is lost.
    AncPayloadEvent event;
    event.kind = AncPayloadEvent::Kind::fragment_interrupted;
    event.bytes = parts.bytes;
    events.push_back(event);
    mWaiting.erase(waiting);
  }
  if (flags == kBothFlags) {
    AncPayloadEvent event;
    event.kind = AncPayloadEvent::Kind::fragment_orphan;
    events.push_back(event);
    return;
  }
  Waiting parts;
  parts.payload_descriptor = descriptor;
  parts.fragments = 1;
  if (flags == 0) {  // a whole message in one packet
    parts.bytes = part_size;
    complete(parts, part, events);
    return;
  }
  parts.first_flag = flags;
  append(parts.data, parts.bytes, part, part_size);
  mWaiting.emplace(key, std::move(parts));
}

void AncPayloadJoiner::complete(const Waiting& parts, const std::uint8_t* data,
                                std::vector<AncPayloadEvent>& events) {
  AncPayloadEvent event;
  event.bytes = parts.bytes;
  const std::size_t held = std::min(parts.bytes, kLargestMessage);
  const bool multiple = held >= 2 && data[0] == 0xFF && data[1] == 0xFF;
  const std::size_t message_size = held >= 4 ? std::size_t{data[2]} << 8u | data[3] : 0;
  const std::size_t minimum = multiple ? kMinMultipleOperationSize : kMinSingleOperationSize;
  if (held < 4 || message_size < minimum || message_size > parts.bytes) {
    event.kind = AncPayloadEvent::Kind::bad_message;
    events.push_back(event);
    return;
  }
  mMessage.assign(data, data + message_size);
  event.kind = AncPayloadEvent::Kind::message;
  event.data = mMessage.data();
  event.size = message_size;
  event.multiple = multiple;
  event.payload_descriptor = parts.payload_descriptor;
  event.fragments = parts.fragments;
  event.duplicate = (parts.payload_descriptor & kPayloadDuplicate) != 0;
  events.push_back(event);
}

std::optional<std::size_t> AncPayloadJoiner::finish(std::uint64_t key) {
  const auto waiting = mWaiting.find(key);
  if (waiting == mWaiting.end()) return std::nullopt;
  const std::size_t bytes = waiting->second.bytes;
  mWaiting.erase(waiting);
  return bytes;
}

std::vector<std::uint64_t> AncPayloadJoiner::waiting_keys() const {
  std::vector<std::uint64_t> keys;
  keys.reserve(mWaiting.size());
  for (const auto& entry : mWaiting) keys.push_back(entry.first);
  return keys;
}

}  // namespace scte_104
