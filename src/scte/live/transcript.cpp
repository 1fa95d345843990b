// SPDX-License-Identifier: MIT
#include "transcript.h"

#include "session_log.h"
#include "session_writers.h"

namespace scte104 {
namespace {

constexpr std::uint64_t kConnection = 1;
// The framing limits --serve uses by default.
constexpr std::uint16_t kMaxMessage = 8192;

CaptureTime capture_time(std::int64_t wall_us) {
  return CaptureTime{wall_us / 1'000'000, static_cast<std::uint32_t>(wall_us % 1'000'000) * 1000};
}

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

Transcript::Transcript(Output& out, const std::string& local, const std::string& remote)
    : mWriter(make_json_lines_writer(out, scte_104::Scte35Settings{})),
      mLog(std::make_unique<SessionLog>(*mWriter)),
      mChecker(std::make_unique<scte_104::SessionChecker>(*mLog)) {
  mChecker->set_max_message(kMaxMessage);
  mLog->add_connection(kConnection, local, remote);
}

Transcript::~Transcript() = default;

void Transcript::begin(std::int64_t wall_us, bool new_packet) {
  if (new_packet) ++mPacket;
  mWallUs = std::max(mWallUs, wall_us);
  mChecker->advance(mPacket, capture_time(mWallUs));
}

void Transcript::open(std::int64_t wall_us) {
  begin(wall_us, true);
  EventLine line;
  line.event = "open";
  mLog->event(mPacket, capture_time(mWallUs), kConnection, line);
  mChecker->open(kConnection, true);
}

void Transcript::bytes(std::int64_t wall_us, bool to_injector, const std::uint8_t* data,
                       std::size_t size) {
  begin(wall_us, true);
  mChecker->feed(kConnection,
                 to_injector ? scte_104::SessionDirection::to_injector
                             : scte_104::SessionDirection::from_injector,
                 data, size, true);
}

void Transcript::peer_end(std::int64_t wall_us) { begin(wall_us, true); }

void Transcript::tick(std::int64_t wall_us) { begin(wall_us, false); }

std::optional<std::int64_t> Transcript::next_deadline_wall_us() const {
  scte_104::SessionTime when;
  if (!mChecker->next_deadline(when)) return std::nullopt;
  // Just past it: a mark exactly 5 s old is still in time.
  return when.seconds * 1'000'000 + when.nanoseconds / 1000 + 1;
}

// oversized and framing_lost the checks find themselves; a stall is the
// clock's.
void Transcript::problem(std::int64_t wall_us, const LiveProblem& problem) {
  if (std::string_view(problem.name) != "stalled" || mStallReported) return;
  mStallReported = true;
  begin(wall_us, false);
  scte_104::SessionProblem line;
  line.name = "stalled";
  line.members = {{"bytes", problem.bytes}};
  line.text = std::to_string(problem.bytes) + " bytes of a message not whole 5s after the first";
  mChecker->report(kConnection, scte_104::SessionDirection::to_injector, std::move(line));
  mChecker->abandon(kConnection, scte_104::SessionDirection::from_injector);
}

void Transcript::close(std::int64_t wall_us, const CloseInfo& info, bool shutdown) {
  begin(wall_us, false);
  mChecker->end_direction(kConnection, scte_104::SessionDirection::to_injector);
  mChecker->end_direction(kConnection, scte_104::SessionDirection::from_injector);
  mChecker->close(kConnection, !shutdown);
  EventLine line;
  line.event = "close";
  line.by = info.by_injector ? "injector" : "automation";
  line.how = how_name(info.how);
  line.reason = info.reason;
  mLog->event(mPacket, capture_time(mWallUs), kConnection, line);
  mLog->remove_connection(kConnection);
  mWriter->summary(SessionSummary{mPacket, 1, mChecker->messages(), mChecker->problems()});
}

}  // namespace scte104
