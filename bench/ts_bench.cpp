// SPDX-License-Identifier: MIT
// The transport stream reader on a stream held in memory: mostly video
// packets of a PID nobody reads, an ST 2038 PES with a queue mark and an
// SCTE 35 section every second; and the SCTE 35 section reader.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "scte/scte35.h"
#include "ts/demuxer.h"

namespace {

class Counter : public ts::Handler {
 public:
  std::uint64_t items = 0;
  void problem(const ts::Problem&) override { ++items; }
  void splice_section(std::uint64_t, std::uint16_t, const std::uint8_t*, std::size_t) override {
    ++items;
  }
  void anc_record(std::uint64_t, std::uint16_t, std::optional<std::uint64_t>,
                  const ts::AncRecord&) override {
    ++items;
  }
};

std::vector<std::uint8_t> packet(std::uint16_t pid, bool start, std::uint8_t cc,
                                 const std::vector<std::uint8_t>& payload) {
  std::vector<std::uint8_t> p(188, 0xFF);
  p[0] = 0x47;
  p[1] = static_cast<std::uint8_t>((start ? 0x40 : 0) | pid >> 8);
  p[2] = static_cast<std::uint8_t>(pid);
  p[3] = static_cast<std::uint8_t>(0x10 | (cc & 0xF));
  for (std::size_t i = 0; i < payload.size() && i < 184; ++i) p[4 + i] = payload[i];
  return p;
}

// A splice_insert of event 0x4D2 (the writer's example A).
const std::vector<std::uint8_t> kSection = {
    0xfc, 0x30, 0x25, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xff, 0xf0, 0x14,
    0x05, 0x40, 0x00, 0x02, 0xb4, 0x7f, 0xef, 0xfe, 0x00, 0x00, 0xa8, 0xc0, 0x7e, 0x00,
    0xa4, 0xcb, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x28, 0xe6, 0x44, 0x2a};

// One second: PAT, PMT, a small PES on the ST 2038 PID, 6,640 video
// packets, the section. Counters left at 0 for the rarely seen PIDs: each
// second shows as a cc_error on them, which is counted like any item.
std::vector<std::uint8_t> one_second() {
  std::vector<std::uint8_t> stream;
  const auto add = [&stream](const std::vector<std::uint8_t>& p) {
    stream.insert(stream.end(), p.begin(), p.end());
  };
  add(packet(0, true, 0, {0x00, 0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01,
                          0xE1, 0x00, 0xE8, 0xF9, 0x5E, 0x7D}));
  std::vector<std::uint8_t> pmt = {0x00, 0x02, 0xB0, 0x1E, 0x00, 0x01, 0xC1, 0x00, 0x00, 0xFF,
                                   0xFF, 0xF0, 0x00, 0x06, 0xE1, 0xE9, 0xF0, 0x06, 0x05, 0x04,
                                   0x56, 0x41, 0x4E, 0x43, 0x86, 0xE1, 0xF4, 0xF0, 0x00};
  const std::uint32_t crc = scte_104::scte35::crc32_mpeg2(pmt.data() + 1, pmt.size() - 1);
  for (int shift = 24; shift >= 0; shift -= 8) pmt.push_back(static_cast<std::uint8_t>(crc >> shift));
  add(packet(0x100, true, 0, pmt));
  add(packet(489, true, 0, {0x00, 0x00, 0x01, 0xBD, 0x00, 0x10, 0x81, 0x80, 0x05, 0x21, 0x00,
                            0x37, 0x38, 0x07, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00}));
  for (unsigned i = 0; i < 6640; ++i) add(packet(0x101, false, static_cast<std::uint8_t>(i), {}));
  std::vector<std::uint8_t> section(kSection.size() + 1, 0x00);  // pointer_field 0
  std::copy(kSection.begin(), kSection.end(), section.begin() + 1);
  add(packet(500, true, 0, section));
  return stream;
}

void BM_demux(benchmark::State& state) {
  const std::vector<std::uint8_t> second = one_second();
  std::vector<std::uint8_t> stream;
  for (int i = 0; i < 8; ++i) stream.insert(stream.end(), second.begin(), second.end());
  for (auto _ : state) {
    Counter counter;
    ts::Demuxer demuxer(counter);
    demuxer.feed(stream.data(), stream.size());
    demuxer.finish();
    benchmark::DoNotOptimize(counter.items);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(BM_demux);

void BM_read_section(benchmark::State& state) {
  for (auto _ : state) {
    const auto read = scte_104::scte35::read_section(kSection.data(), kSection.size());
    benchmark::DoNotOptimize(read.section.bytes.data());
  }
}
BENCHMARK(BM_read_section);

}  // namespace

BENCHMARK_MAIN();
