// SPDX-License-Identifier: MIT
// Arbitrary bytes as one direction of a connection, cut into segments
// anywhere and sent out of order, twice in part: reassembly gives the bytes
// back exactly, and the framer yields only whole messages whose size is
// their messageSize; without lost framing, messages and leftover are the
// stream itself.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "capture/reassembler.h"
#include "scte/framer.h"

namespace {

class FramingSink : public capture::StreamSink {
 public:
  void on_bytes(const std::uint8_t* bytes, std::size_t size, bool segment_start) override {
    received.insert(received.end(), bytes, bytes + size);
    framer.feed(bytes, size, segment_start);
    scte_104::FramerEvent event;
    while (framer.next(event)) {
      if (event.kind == scte_104::FramerEvent::Kind::framing_lost) {
        lost = true;
        continue;
      }
      const std::size_t declared = static_cast<std::size_t>(event.bytes[2] << 8u | event.bytes[3]);
      const bool multiple = event.bytes[0] == 0xFF && event.bytes[1] == 0xFF;
      if (event.size != declared || event.size < (multiple ? 12u : 13u)) std::abort();
      framed.insert(framed.end(), event.bytes, event.bytes + event.size);
    }
  }
  void on_gap(std::uint64_t) override { std::abort(); }  // every byte arrives

  scte_104::Framer framer;
  std::vector<std::uint8_t> received;
  std::vector<std::uint8_t> framed;
  bool lost = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // The first two bytes drive the cuts and the order.
  std::uint32_t state = static_cast<std::uint32_t>(data[0] << 8u | data[1]) | 1u;
  const auto random = [&state](std::uint32_t bound) {
    state ^= state << 13u;
    state ^= state >> 17u;
    state ^= state << 5u;
    return state % bound;
  };
  const std::uint8_t* stream = data + 2;
  const std::size_t length = size - 2;
  struct Cut {
    std::size_t at, size;
  };
  std::vector<Cut> cuts;
  for (std::size_t at = 0; at < length;) {
    const std::size_t piece = std::min<std::size_t>(length - at, 1 + random(40));
    cuts.push_back({at, piece});
    if (random(4) == 0) cuts.push_back({at, std::min<std::size_t>(length - at, piece + random(8))});
    at += piece;
  }
  for (std::size_t i = cuts.size(); i > 1; --i) {
    if (random(3) == 0) std::swap(cuts[i - 1], cuts[random(static_cast<std::uint32_t>(i))]);
  }
  const std::uint32_t first = state;
  capture::Reassembler reassembler;
  reassembler.start(first);
  FramingSink sink;
  for (const Cut& cut : cuts) {
    reassembler.add(first + static_cast<std::uint32_t>(cut.at), stream + cut.at, cut.size, sink);
  }
  reassembler.finish(sink);
  if (sink.received != std::vector<std::uint8_t>(stream, stream + length)) std::abort();
  const std::size_t leftover = sink.framer.finish();
  if (!sink.lost && sink.framed.size() + leftover != length) std::abort();
  return 0;
}
