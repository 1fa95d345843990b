// SPDX-License-Identifier: MIT
// Costs of the library calls and of the whole report, for the help example
// and for the largest message the layout allows (255 proprietary command
// operations of 65,535 non-zero data bytes each, about 16.7 MB), and of the
// SCTE 35 translation and its way back. The way back also reports its heap
// allocations per call ("allocations"): this program counts every one.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "output.h"
#include "report.h"
#include "scte/scte35.h"
#include "scte/scte_104.h"
#include "utility/strings.h"

namespace {
std::atomic<std::size_t> allocations{0};
}  // namespace

// Every allocation of the program passes here, so a benchmark can count its
// own (the aligned and nothrow forms fall back on these).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size) {
  if (void* p = ::operator new(size, std::nothrow)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return ::operator new(size, std::nothrow);
}
// GCC sees free() after an inlined operator new and takes the pair for a
// mismatch; here they are one pair by construction.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes help_example() {
  const std::string input = ext::base64::decode("CP//AB4AAKsAAAAAAQEBAA4BQAACtAAAAeAEsAAAAA==");
  return Bytes(input.begin() + 1, input.end());
}

Bytes largest_message() {
  Bytes m = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 255};
  for (int op = 0; op < 255; ++op) {
    m.insert(m.end(), {0x01, 0x0C, 0xFF, 0xFF});
    for (unsigned i = 0; i < 65535; ++i) m.push_back(static_cast<std::uint8_t>(i % 255 + 1));
  }
  return m;
}

const Bytes& sample(std::int64_t which) {
  static const Bytes small = help_example();
  static const Bytes large = largest_message();
  return which == 0 ? small : large;
}

void set_bytes(benchmark::State& state, std::size_t per_iteration) {
  state.SetBytesProcessed(static_cast<std::int64_t>(per_iteration) * state.iterations());
}

void BM_decode(benchmark::State& state) {
  const Bytes& bytes = sample(state.range(0));
  for (auto _ : state) {
    scte_104::MultipleOperationMessage m(bytes.data(), bytes.size());
    m.decode();
    benchmark::DoNotOptimize(m.operations().data());
  }
  set_bytes(state, bytes.size());
}

void BM_to_hex(benchmark::State& state) {
  const Bytes& bytes = sample(state.range(0));
  const scte_104::MultipleOperationMessage m(bytes.data(), bytes.size());
  for (auto _ : state) benchmark::DoNotOptimize(m.to_hex());
  set_bytes(state, bytes.size());
}

void BM_to_base64(benchmark::State& state) {
  const Bytes& bytes = sample(state.range(0));
  const scte_104::MultipleOperationMessage m(bytes.data(), bytes.size());
  for (auto _ : state) benchmark::DoNotOptimize(m.to_base64());
  set_bytes(state, bytes.size());
}

void BM_base64_decode(benchmark::State& state) {
  const Bytes& bytes = sample(state.range(0));
  const std::string text = ext::base64::encode(bytes.data(), bytes.size());
  for (auto _ : state) benchmark::DoNotOptimize(ext::base64::decode(text));
  set_bytes(state, text.size());
}

// A time_signal with a segmentation descriptor (30 s and 15 frames).
Bytes time_signal_with_segmentation() {
  const std::string input = ext::base64::decode(
      "CP//ADkAANEAAAAAAgEEAAIF3AELACMAAAABAAAeARFTT01FV1RGVVBJRElTSEVSRSABCg8BAQEBAQ==");
  return Bytes(input.begin() + 1, input.end());
}

// 255 operations: a time_signal and 254 avail descriptors, one section of
// 2,561 bytes.
Bytes many_operations() {
  Bytes m = {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0x01, 0x04, 0, 2, 0x01, 0xF4};
  for (std::uint8_t op = 1; op < 255; ++op) m.insert(m.end(), {0x01, 0x0A, 0, 5, 1, 0, 0, 0, op});
  return m;
}

// Argument 0: the help example; 1: time_signal and segmentation; 2: 255 operations.
void BM_translate(benchmark::State& state) {
  static const Bytes samples[] = {help_example(), time_signal_with_segmentation(), many_operations()};
  const Bytes& bytes = samples[state.range(0)];
  scte_104::MultipleOperationMessage m(bytes.data(), bytes.size());
  m.decode();
  for (auto _ : state) benchmark::DoNotOptimize(scte_104::scte35::translate(m, {}));
  set_bytes(state, bytes.size());
}

// The way back, section to mark, and its allocations per call (the returned
// message is one). Argument 0: the splice_insert of the help example (a typed
// splice_insert); 1: a time_signal with a segmentation descriptor; 2: the
// SCTE 35 standard's sample 14.4 (an injected time_signal and three
// segmentation descriptors); 3: a time_signal and eight segmentation
// descriptors with 16-byte UPIDs, each typed; 4: copied throughout (a
// splice_schedule injected, four private descriptors); 5: a splice_insert in
// component mode (three timed components) with a tier.
void BM_mark_of_section(benchmark::State& state) {
  static const char* const kSections[] = {
      "/DAlAAAAAAAA///wFAVAAAK0f+/+AACowH4ApMuAAAAAAAAAKOZEKg==",
      "/DA9AAAAAAAA///wBQb+AAIPWAAnAiVDVUVJAAAAAX//AAAp4tUBEVNPTUVXVEZVUElESVNIRVJFIAEKFAsQFA==",
      "/DBhAAAAAAAA///wBQb+qM1E7QBLAhdDVUVJSAAArX+fCAgAAAAALLLXnTUCAAIXQ1VFSUgAACZ/nwgIAAAAACyy150R"
      "AAACF0NVRUlIAAAnf58ICAAAAAAsstezEAAAihiGnw==",
      "/DFGAAAAAAAA///wBQb+AAIPWAEwAiRDVUVJAAAAAH//AAAp4tUMEEFCQ0RFRkdISUpLTDAwMDAwAQECJENVRUkAAAAB"
      "f/8AACni1QwQQUJDREVGR0hJSktMMDAwMTEBAQIkQ1VFSQAAAAJ//wAAKeLVDBBBQkNERUZHSElKS0wwMDAyMgEBAiRD"
      "VUVJAAAAA3//AAAp4tUMEEFCQ0RFRkdISUpLTDAwMDMzAQECJENVRUkAAAAEf/8AACni1QwQQUJDREVGR0hJSktMMDAw"
      "NDQBAQIkQ1VFSQAAAAV//wAAKeLVDBBBQkNERUZHSElKS0wwMDA1NQEBAiRDVUVJAAAABn//AAAp4tUMEEFCQ0RFRkdI"
      "SUpLTDAwMDY2AQECJENVRUkAAAAHf/8AACni1QwQQUJDREVGR0hJSktMMDAwNzcBAf28trg=",
      "/DBIAAAAAAAA///wDwQBAAAAB3//XwAAAAAAAQEAKIAIQUJDRAAAAACBCEFCQ0QBAQEBgghBQkNEAgICAoMIQUJDRAMD"
      "AwOyJT77",
      "/DAuAAAAAAAA/xIwHQUAAAABf48DAP4AAV+QAf4AAV/qAv4AAWBEAAEAAAAA9iijcw=="};
  const std::string section = ext::base64::decode(kSections[state.range(0)]);
  const auto* data = reinterpret_cast<const std::uint8_t*>(section.data());
  const scte_104::scte35::MarkSettings settings;
  const std::size_t before = allocations.load(std::memory_order_relaxed);
  for (auto _ : state) {
    benchmark::DoNotOptimize(scte_104::scte35::mark_of_section(data, section.size(), settings));
  }
  const std::size_t made = allocations.load(std::memory_order_relaxed) - before;
  state.counters["allocations"] =
      static_cast<double>(made) / static_cast<double>(state.iterations());
  set_bytes(state, section.size());
}

// Argument 0 or 1 picks the message; the template argument the report.
template <scte104::ReportFormat format>
void BM_report(benchmark::State& state) {
  const Bytes& bytes = sample(state.range(0));
  Bytes input{0x08};
  input.insert(input.end(), bytes.begin(), bytes.end());
  std::size_t written = 0;
  for (auto _ : state) {
    scte104::Output out([&written](const char*, std::size_t n) { written += n; });
    scte104::inspect(input, out, format);
    out.flush();
  }
  benchmark::DoNotOptimize(written);
  set_bytes(state, input.size());
}

// Argument 0: the help example; 1: the largest message.
BENCHMARK(BM_decode)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_to_hex)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_to_base64)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_base64_decode)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_report, scte104::ReportFormat::text)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_report, scte104::ReportFormat::json)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_translate)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_mark_of_section)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
