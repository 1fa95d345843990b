// SPDX-License-Identifier: MIT
#include "transcript.h"

#include <string_view>
#include <utility>

namespace scte104 {
namespace {

constexpr std::uint64_t kConnection = 1;
// The largest message --serve takes by default; above it: oversized.
constexpr std::uint16_t kMaxMessage = 8192;

const char* how_name(PeerEnd how) {
  switch (how) {
    case PeerEnd::fin:
      return "fin";
    case PeerEnd::rst:
      return "rst";
    case PeerEnd::error:
      return "error";
  }
  return "fin";
}

}  // namespace

Transcript::Transcript(Output& out, std::string local, std::string remote)
    : mLog(out, true, mScte35, nullptr),
      mLocal(std::move(local)),
      mRemote(std::move(remote)) {
  mLog.checker().set_max_message(kMaxMessage);
}

void Transcript::open() {
  mLog.operation();
  mLog.open(kConnection, mLocal, mRemote);
}

void Transcript::bytes(bool to_injector, const std::uint8_t* data, std::size_t size) {
  mLog.operation();
  mLog.checker().feed(kConnection,
                      to_injector ? scte_104::SessionDirection::to_injector
                                  : scte_104::SessionDirection::from_injector,
                      data, size, true);
}

std::optional<std::int64_t> Transcript::next_deadline_wall_us() {
  scte_104::SessionTime when;
  if (!mLog.checker().next_deadline(when)) return std::nullopt;
  // Just past it: a mark exactly 5 s old is still in time.
  return when.seconds * 1'000'000 + when.nanoseconds / 1000 + 1;
}

// oversized and framing_lost the checks find themselves; a stall is the
// clock's.
void Transcript::problem(const LiveProblem& problem) {
  if (std::string_view(problem.name) != "stalled" || mStallReported) return;
  mStallReported = true;
  mLog.tick();
  scte_104::SessionProblem line;
  line.name = "stalled";
  line.members = {{"bytes", problem.bytes}};
  line.text = std::to_string(problem.bytes) + " bytes of a message not whole 5s after the first";
  mLog.checker().report(kConnection, scte_104::SessionDirection::to_injector, std::move(line));
  mLog.checker().abandon(kConnection, scte_104::SessionDirection::from_injector);
}

void Transcript::close(const CloseInfo& info, bool shutdown) {
  mLog.tick();
  mLog.close(kConnection, info.by_injector ? "injector" : "automation", how_name(info.how),
             info.reason, !shutdown);
  mLog.summary();
}

}  // namespace scte104
