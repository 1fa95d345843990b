// SPDX-License-Identifier: MIT
// Costs of the two stages under --pcap: TCP reassembly of one direction
// (in order, and with every other segment late), and framing of the
// reassembled bytes into messages.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "capture/reassembler.h"
#include "scte/framer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A queue mark (30 bytes) and the two responses to it (29 bytes), as they
// follow each other on a connection, repeated.
Bytes session_bytes(std::size_t rounds) {
  const Bytes round = {0xff, 0xff, 0x00, 0x1e, 0x00, 0x01, 0x21, 0x0f, 0xa0, 0x00, 0x00, 0x01,
                       0x01, 0x01, 0x00, 0x0e, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x1f,
                       0x40, 0x02, 0x58, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x0e, 0x00, 0x64,
                       0xff, 0xff, 0x00, 0x00, 0x02, 0x00, 0x00, 0x21, 0x00, 0x08, 0x00, 0x0f,
                       0x00, 0x78, 0xff, 0xff, 0x00, 0x00, 0x03, 0x00, 0x00, 0x21, 0x01};
  Bytes bytes;
  for (std::size_t i = 0; i < rounds; ++i) bytes.insert(bytes.end(), round.begin(), round.end());
  return bytes;
}

class Discard : public capture::StreamSink {
 public:
  void on_bytes(const std::uint8_t*, std::size_t size, bool) override { delivered += size; }
  void on_gap(std::uint64_t) override {}
  std::size_t delivered = 0;
};

void reassemble(benchmark::State& state, bool swap_pairs) {
  const Bytes bytes = session_bytes(10000);
  constexpr std::size_t kSegment = 59;
  std::vector<std::size_t> order;
  for (std::size_t at = 0; at < bytes.size(); at += kSegment) order.push_back(at);
  for (std::size_t i = 0; swap_pairs && i + 1 < order.size(); i += 2) {
    std::swap(order[i], order[i + 1]);
  }
  for (auto _ : state) {
    capture::Reassembler stream;
    stream.start(0);
    Discard sink;
    for (std::size_t at : order) {
      stream.add(static_cast<std::uint32_t>(at), bytes.data() + at, kSegment, sink);
    }
    benchmark::DoNotOptimize(sink.delivered);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void BM_reassembler_in_order(benchmark::State& state) { reassemble(state, false); }
BENCHMARK(BM_reassembler_in_order);

void BM_reassembler_pairs_swapped(benchmark::State& state) { reassemble(state, true); }
BENCHMARK(BM_reassembler_pairs_swapped);

// Segments of state.range(0) bytes, so messages are cut anywhere.
void BM_framer(benchmark::State& state) {
  const Bytes bytes = session_bytes(10000);
  const auto segment = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    scte_104::Framer framer;
    std::size_t messages = 0;
    scte_104::FramerEvent event;
    for (std::size_t at = 0; at < bytes.size(); at += segment) {
      framer.feed(bytes.data() + at, std::min(segment, bytes.size() - at), true);
      while (framer.next(event)) ++messages;
    }
    benchmark::DoNotOptimize(messages);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_framer)->Arg(59)->Arg(1460);

}  // namespace

BENCHMARK_MAIN();
