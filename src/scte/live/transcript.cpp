// SPDX-License-Identifier: MIT
#include "transcript.h"

#include "capture_time.h"
#include "json_writer.h"
#include "session_checks.h"
#include "session_writers.h"

namespace scte104 {
namespace {

// Counts what passes on to the lines, for the transcript's own summary.
class CountingWriter : public SessionWriter {
 public:
  CountingWriter(std::unique_ptr<SessionWriter> inner, std::uint64_t& messages,
                 std::uint64_t& problems)
      : mInner(std::move(inner)), mMessages(messages), mProblems(problems) {}
  void single_operation(const LineOrigin& origin,
                        const scte_104::SingleOperationMessage& message) override {
    ++mMessages;
    mInner->single_operation(origin, message);
  }
  void multiple_operation(const LineOrigin& origin, const MultipleOperationLine& line) override {
    ++mMessages;
    mInner->multiple_operation(origin, line);
  }
  void problem(const LineOrigin& origin, const Problem& problem) override {
    ++mProblems;
    mInner->problem(origin, problem);
  }
  void summary(const SessionSummary& summary) override { mInner->summary(summary); }

 private:
  std::unique_ptr<SessionWriter> mInner;
  std::uint64_t& mMessages;
  std::uint64_t& mProblems;
};

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

Transcript::Transcript(Output& out, const capture::Endpoint& local,
                       const capture::Endpoint& remote)
    : mOut(out),
      mWriter(std::make_unique<CountingWriter>(
          make_json_lines_writer(out, scte_104::Scte35Settings{}), mMessages, mProblems)),
      mChecks(std::make_unique<SessionChecks>(*mWriter)) {
  mConnection.number = 1;
  mConnection.client = local;
  mConnection.server = remote;
  mConnection.saw_handshake = true;
  mClient = capture::to_string(local);
  mServer = capture::to_string(remote);
}

Transcript::~Transcript() = default;

void Transcript::begin(std::int64_t wall_us, bool new_packet) {
  if (new_packet) ++mPacket;
  mWallUs = std::max(mWallUs, wall_us);
  mChecks->begin_record(mPacket, capture_time(mWallUs));
}

void Transcript::event(const char* name, const CloseInfo* info) {
  const CaptureTime time = capture_time(mWallUs);
  JsonWriter json(mOut, JsonStyle::compact);
  json.begin_object();
  json.key("packet");
  json.number(mPacket);
  json.key("time");
  json.string(format_capture_time(time));
  json.key("connection");
  json.number(1);
  json.key("source");
  json.string(mClient);
  json.key("destination");
  json.string(mServer);
  json.key("direction");
  json.string("to_injector");
  json.key("event");
  json.string(name);
  if (info != nullptr) {
    json.key("by");
    json.string(info->by_injector ? "injector" : "automation");
    json.key("how");
    json.string(how_name(info->how));
    json.key("reason");
    info->reason != nullptr ? json.string(info->reason) : json.null();
  }
  json.end_object();
  mOut.text("\n");
}

void Transcript::open(std::int64_t wall_us) {
  begin(wall_us, true);
  event("open", nullptr);
  mChecks->on_connection_start(mConnection);
}

void Transcript::bytes(std::int64_t wall_us, bool to_injector, const std::uint8_t* data,
                       std::size_t size) {
  begin(wall_us, true);
  mChecks->on_bytes(mConnection,
                    to_injector ? capture::Direction::to_server : capture::Direction::from_server,
                    data, size, true);
}

void Transcript::peer_end(std::int64_t wall_us) { begin(wall_us, true); }

void Transcript::tick(std::int64_t wall_us) { begin(wall_us, false); }

void Transcript::problem(std::int64_t wall_us, const LiveProblem& problem) {
  if (std::string_view(problem.name) == "framing_lost") return;  // the checks report it
  begin(wall_us, false);
  const CaptureTime time = capture_time(mWallUs);
  LineOrigin origin;
  origin.packet = mPacket;
  origin.time = &time;
  origin.connection = 1;
  origin.source = &mClient;
  origin.destination = &mServer;
  origin.to_injector = true;
  Problem line;
  line.name = problem.name;
  if (std::string_view(problem.name) == "oversized") {
    line.members = {{"opID", std::uint64_t{problem.op_id}},
                    {"messageSize", std::uint64_t{problem.message_size}}};
    line.text = "messageSize " + std::to_string(problem.message_size) + " is above 8192";
  } else {
    line.members = {{"bytes", problem.bytes}};
    line.text = "a message not whole 5s after its first byte";
  }
  mWriter->problem(origin, line);
}

void Transcript::close(std::int64_t wall_us, const CloseInfo& info, bool shutdown) {
  begin(wall_us, false);
  mChecks->on_direction_end(mConnection, capture::Direction::to_server);
  mChecks->on_direction_end(mConnection, capture::Direction::from_server);
  mChecks->on_connection_end(mConnection, shutdown);
  event("close", &info);
  mWriter->summary(SessionSummary{mPacket, 1, mMessages, mProblems});
}

}  // namespace scte104
