// SPDX-License-Identifier: MIT
#include "ts/demuxer.h"

#include <algorithm>
#include <cstring>

#include "pid_state.h"

namespace ts {
namespace {

constexpr std::uint8_t kSyncByte = 0x47;
// Unit sizes in the order they are tried: the bare packet, a 4-byte time
// code then the packet, the packet then 16 check bytes.
constexpr std::size_t kUnitSizes[] = {188, 192, 204};
constexpr std::size_t kLargestUnit = 204;
// Sync holds at a place when this many units in a row (those that lie
// wholly in the input) carry the sync byte.
constexpr std::size_t kSyncUnits = 5;
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
constexpr std::uint8_t kSpliceTableId = 0xFC;
constexpr std::uint8_t kPatTableId = 0x00;
constexpr std::uint8_t kPmtTableId = 0x02;
// PES header up to PES_header_data_length, which is byte 8.
constexpr std::size_t kPesHeaderSize = 9;
// A PES of PES_packet_length 0 ends at the next unit start; past this
// many bytes the rest is not kept (ANC data of one frame is far smaller).
constexpr std::size_t kUnboundedPesLimit = std::size_t{1} << 20;

std::size_t sync_offset(std::size_t unit) { return unit == 192 ? 4 : 0; }

bool pes_start(const std::uint8_t* data, std::size_t size) {
  return size >= 3 && data[0] == 0 && data[1] == 0 && data[2] == 1;
}

}  // namespace

Demuxer::Demuxer(Handler& handler, const DemuxerOptions& options)
    : mHandler(handler),
      mBuffer(new std::uint8_t[kBlockSize + kSyncUnits * kLargestUnit]),
      mCapacity(kBlockSize + kSyncUnits * kLargestUnit) {
  add_pid(0, PidKind::pat);
  for (const std::uint16_t pid : options.forced_pids) {
    if (pid >= kPidCount) continue;
    mPids[pid] = std::make_unique<PidState>();
    mPids[pid]->kind = PidKind::forced;
  }
}

Demuxer::~Demuxer() = default;

void Demuxer::add_pid(std::uint16_t pid, PidKind kind) {
  if (pid >= kPidCount || mPids[pid]) return;  // the first kind stays
  mPids[pid] = std::make_unique<PidState>();
  mPids[pid]->kind = kind;
}

void Demuxer::report(ProblemKind kind, int pid, std::uint64_t bytes) {
  Problem problem;
  problem.kind = kind;
  problem.packet = mPackets;
  problem.pid = pid;
  problem.bytes = bytes;
  mHandler.problem(problem);
}

std::uint8_t* Demuxer::input_space(std::size_t& size) {
  if (mStart > 0) {  // keep only what is not read yet, at the front
    std::memmove(mBuffer.get(), mBuffer.get() + mStart, mEnd - mStart);
    mEnd -= mStart;
    mStart = 0;
  }
  size = mCapacity - mEnd;
  return mBuffer.get() + mEnd;
}

void Demuxer::input_done(std::size_t count) {
  mEnd += count;
  process(false);
}

void Demuxer::feed(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    std::size_t room = 0;
    std::uint8_t* into = input_space(room);
    const std::size_t count = std::min(room, size);
    std::memcpy(into, data, count);
    input_done(count);
    data += count;
    size -= count;
  }
}

// Whether a unit size fits at `position`: the unit there lies wholly in the
// input and each of the next units that does carries the sync byte. Before
// the end of the input, the decision waits until every unit it looks at is in.
bool Demuxer::try_sync(std::size_t position) {
  const std::size_t available = mEnd - position;
  for (const std::size_t unit : kUnitSizes) {
    if (available < unit) continue;
    bool fits = true;
    for (std::size_t k = 0; k < kSyncUnits && (k + 1) * unit <= available; ++k) {
      if (mBuffer[position + k * unit + sync_offset(unit)] != kSyncByte) {
        fits = false;
        break;
      }
    }
    if (fits) {
      mUnit = unit;
      return true;
    }
  }
  return false;
}

void Demuxer::process(bool at_end) {
  for (;;) {
    if (mUnit != 0) {
      if (mEnd - mStart < mUnit) return;
      const std::uint8_t* unit = mBuffer.get() + mStart;
      if (unit[sync_offset(mUnit)] != kSyncByte) {  // sync lost: search from the next byte
        mUnit = 0;
        mSkipped = 1;
        ++mStart;
        continue;
      }
      ++mPackets;
      packet(unit + sync_offset(mUnit));
      mStart += mUnit;
      continue;
    }
    // Searching: a place can be judged once the units it looks at are in.
    if (!at_end && mEnd - mStart < kSyncUnits * kLargestUnit) return;
    if (mStart >= mEnd) return;
    if (try_sync(mStart)) {
      mEverSynced = true;
      if (mSkipped > 0) {
        Problem problem;
        problem.kind = ProblemKind::sync_lost;
        problem.packet = mPackets + 1;
        problem.bytes = mSkipped;
        mHandler.problem(problem);
        mSkipped = 0;
      }
      continue;
    }
    // Only a place whose sync position holds 0x47 can fit: skip to the next one.
    std::size_t next = mStart + 1;
    while (next + 4 < mEnd && mBuffer[next] != kSyncByte && mBuffer[next + 4] != kSyncByte) {
      ++next;
    }
    mSkipped += next - mStart;
    mStart = next;
  }
}

void Demuxer::finish() {
  process(true);
  if (!mEverSynced) {
    throw NotTransportStream(mEnd == 0 && mSkipped == 0
                                 ? "Input is empty: not a transport stream"
                                 : "Not a transport stream: no sync bytes 0x47 in a row of "
                                   "188-, 192- or 204-byte packets");
  }
  const std::uint64_t left = mEnd - mStart;
  if (mUnit == 0) {
    if (mSkipped + left > 0) report(ProblemKind::sync_lost, -1, mSkipped + left);
  } else if (left > 0) {
    report(ProblemKind::truncated, -1, left);
  }
  mStart = mEnd;
  mSkipped = 0;
  for (std::uint16_t pid = 0; pid < kPidCount; ++pid) {
    PidState* state = mPids[pid].get();
    if (state == nullptr) continue;
    if (state->in_pes) {
      if (state->pes_size == 0) {
        pes_done(*state, pid);
      } else {
        report(ProblemKind::pes_cut, pid, state->pes.size());
      }
      state->in_pes = false;
    }
    if (state->in_section) section_cut(*state, pid);
    mHandler.pid_end(mPackets, pid);
  }
}

void Demuxer::packet(const std::uint8_t* packet) {
  const auto pid = static_cast<std::uint16_t>((packet[1] & 0x1Fu) << 8u | packet[2]);
  PidState* state = mPids[pid].get();
  if (state == nullptr) return;
  if ((packet[1] & 0x80u) != 0) return;  // transport_error_indicator
  const bool start = (packet[1] & 0x40u) != 0;
  const unsigned scrambling = packet[3] >> 6u;
  const unsigned adaptation = packet[3] >> 4u & 0x3u;
  const auto continuity = static_cast<std::uint8_t>(packet[3] & 0xFu);
  std::size_t at = 4;
  bool discontinuity = false;
  if ((adaptation & 0x2u) != 0) {
    const std::size_t length = packet[4];
    if (5 + length > kPacketSize) return;
    discontinuity = length > 0 && (packet[5] & 0x80u) != 0;
    at = 5 + length;
  }
  if ((adaptation & 0x1u) == 0) return;  // no payload: nothing to check or read
  if (state->continuity >= 0) {
    const auto expected = static_cast<std::uint8_t>((state->continuity + 1) & 0xF);
    if (continuity == state->continuity) return;  // a duplicate packet
    if (continuity != expected && !discontinuity) {
      Problem problem;
      problem.kind = ProblemKind::cc_error;
      problem.packet = mPackets;
      problem.pid = pid;
      problem.expected = expected;
      problem.found = continuity;
      mHandler.problem(problem);
      state->in_section = false;
      state->in_pes = false;
    }
  }
  state->continuity = continuity;
  if (scrambling != 0) return;
  const std::uint8_t* payload = packet + at;
  const std::size_t size = kPacketSize - at;
  switch (state->kind) {
    case PidKind::anc:
      pes_payload(*state, pid, start, payload, size);
      break;
    case PidKind::forced:
      if (start) {
        const auto payload_kind = pes_start(payload, size) ? PidState::Payload::pes
                                                           : PidState::Payload::sections;
        if (payload_kind != state->payload) {
          // The PID changed kind: what the other kind had in progress ends here.
          if (state->in_section) section_cut(*state, pid);
          if (state->in_pes) {
            if (state->pes_size == 0) {
              pes_done(*state, pid);
            } else {
              report(ProblemKind::pes_cut, pid, state->pes.size());
            }
            state->in_pes = false;
          }
          state->payload = payload_kind;
        }
      }
      if (state->payload == PidState::Payload::pes) {
        pes_payload(*state, pid, start, payload, size);
      } else if (state->payload == PidState::Payload::sections) {
        section_payload(*state, pid, start, payload, size);
      }
      break;
    default:
      section_payload(*state, pid, start, payload, size);
      break;
  }
}

void Demuxer::section_cut(PidState& state, std::uint16_t pid) {
  report(ProblemKind::section_cut, pid, state.section.size());
  state.in_section = false;
}

// In a unit start, pointer_field counts the bytes that finish the section in
// progress; new sections follow, until 0xFF (stuffing) or the end. Without
// a unit start, the bytes continue the section in progress, and those after
// its end are stuffing.
void Demuxer::section_payload(PidState& state, std::uint16_t pid, bool start,
                              const std::uint8_t* data, std::size_t size) {
  bool drop_rest = false;
  if (!start) {
    if (state.in_section) section_append(state, pid, data, size, drop_rest);
    return;
  }
  const std::size_t pointer = size > 0 ? data[0] : size;
  if (1 + pointer > size) {
    if (state.in_section) section_cut(state, pid);
    return;
  }
  if (state.in_section) {
    section_append(state, pid, data + 1, pointer, drop_rest);
    if (state.in_section) section_cut(state, pid);
  }
  std::size_t at = 1 + pointer;
  while (at < size && data[at] != 0xFF) {
    state.in_section = true;
    state.section.clear();
    at += section_append(state, pid, data + at, size - at, drop_rest);
    if (drop_rest || state.in_section) break;
  }
}

// Adds bytes to the section in progress, up to its end; returns how many it
// took. A section_length too large ends the section and the packet.
std::size_t Demuxer::section_append(PidState& state, std::uint16_t pid, const std::uint8_t* data,
                                    std::size_t size, bool& drop_rest) {
  std::size_t taken = 0;
  while (taken < size && state.in_section) {
    std::vector<std::uint8_t>& section = state.section;
    std::size_t wanted = 3;
    if (section.size() >= 3) {
      const std::size_t length = (section[1] & 0x0Fu) << 8u | section[2];
      wanted = 3 + length;
    }
    const std::size_t count = std::min(size - taken, wanted - section.size());
    section.insert(section.end(), data + taken, data + taken + count);
    taken += count;
    if (section.size() == 3) {
      const std::size_t length = (section[1] & 0x0Fu) << 8u | section[2];
      if (length > kMaxSectionLength) {
        Problem problem;
        problem.kind = ProblemKind::bad_section;
        problem.packet = mPackets;
        problem.pid = pid;
        problem.table_id = section[0];
        mHandler.problem(problem);
        state.in_section = false;
        drop_rest = true;
        return taken;
      }
      if (length > 0) continue;
    }
    if (section.size() >= 3 && section.size() == 3 + ((section[1] & 0x0Fu) << 8u | section[2])) {
      state.in_section = false;
      section_done(state, pid);
    }
  }
  return taken;
}

void Demuxer::section_done(PidState& state, std::uint16_t pid) {
  const std::vector<std::uint8_t>& section = state.section;
  const std::uint8_t table_id = section[0];
  bool wanted = false;
  switch (state.kind) {
    case PidKind::pat:
      wanted = table_id == kPatTableId;
      break;
    case PidKind::pmt:
      wanted = table_id == kPmtTableId;
      break;
    default:
      wanted = table_id == kSpliceTableId;
      break;
  }
  if (!wanted) return;
  if (crc32_mpeg2(section.data(), section.size()) != 0 || section.size() < 7) {
    Problem problem;
    problem.kind = ProblemKind::crc_error;
    problem.packet = mPackets;
    problem.pid = pid;
    problem.table_id = table_id;
    mHandler.problem(problem);
    return;
  }
  switch (state.kind) {
    case PidKind::pat:
      read_pat(section.data(), section.size());
      break;
    case PidKind::pmt:
      read_pmt(section.data(), section.size());
      break;
    default:
      mHandler.splice_section(mPackets, pid, section.data(), section.size());
      break;
  }
}

void Demuxer::pes_payload(PidState& state, std::uint16_t pid, bool start, const std::uint8_t* data,
                          std::size_t size) {
  if (start) {
    if (state.in_pes) {
      if (state.pes_size == 0) {
        pes_done(state, pid);
      } else {
        report(ProblemKind::pes_cut, pid, state.pes.size());
      }
      state.in_pes = false;
    }
    if (size < 6 || !pes_start(data, size)) {
      report(ProblemKind::bad_pes, pid);
      return;
    }
    const std::size_t length = std::size_t{data[4]} << 8u | data[5];
    state.in_pes = true;
    state.pes_size = length == 0 ? 0 : 6 + length;
    state.pes.clear();
  } else if (!state.in_pes) {
    return;
  }
  const std::size_t limit = state.pes_size != 0 ? state.pes_size : kUnboundedPesLimit;
  const std::size_t count = std::min(size, limit - std::min(limit, state.pes.size()));
  state.pes.insert(state.pes.end(), data, data + count);
  if (state.pes_size != 0 && state.pes.size() == state.pes_size) {
    state.in_pes = false;
    pes_done(state, pid);
  }
}

// A whole PES: its PTS, then its ANC records one by one.
void Demuxer::pes_done(PidState& state, std::uint16_t pid) {
  const std::vector<std::uint8_t>& pes = state.pes;
  if (pes.size() < kPesHeaderSize || pes.size() < kPesHeaderSize + pes[8]) {
    report(ProblemKind::bad_pes, pid);
    return;
  }
  const std::size_t header_length = pes[8];
  std::optional<std::uint64_t> pts;
  const unsigned pts_dts_flags = pes[7] >> 6u;
  if ((pts_dts_flags == 2 || pts_dts_flags == 3) && header_length >= 5) {
    // 3 + 15 + 15 bits around marker bits.
    pts = (std::uint64_t{pes[9]} >> 1u & 0x7u) << 30u | std::uint64_t{pes[10]} << 22u |
          (std::uint64_t{pes[11]} >> 1u) << 15u | std::uint64_t{pes[12]} << 7u |
          std::uint64_t{pes[13]} >> 1u;
  } else {
    report(ProblemKind::no_pts, pid);
  }
  const std::size_t data_at = kPesHeaderSize + header_length;
  AncRecordReader records(pes.data() + data_at, pes.size() - data_at);
  while (records.next(mRecord)) {
    if (mRecord.check != WordCheck::ok) {
      Problem problem;
      problem.kind = ProblemKind::anc_error;
      problem.packet = mPackets;
      problem.pid = pid;
      problem.anc_error =
          mRecord.check == WordCheck::parity ? AncProblem::parity : AncProblem::checksum;
      mHandler.problem(problem);
    }
    mHandler.anc_record(mPackets, pid, pts, mRecord);
  }
  if (records.error() != AncReadError::none) {
    Problem problem;
    problem.kind = ProblemKind::anc_error;
    problem.packet = mPackets;
    problem.pid = pid;
    problem.anc_error =
        records.error() == AncReadError::leading_bits ? AncProblem::leading_bits : AncProblem::cut;
    mHandler.problem(problem);
  }
}

}  // namespace ts
