// SPDX-License-Identifier: MIT
// Pairs the SCTE 35 sections found in a stream with the sections the queue
// marks before them should have produced, by key only (command type, and
// the splice or segmentation event id), and says field by field how each
// found section differs from its expected one.
#ifndef SCTE104_PAIRING_H
#define SCTE104_PAIRING_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "scte/scte35.h"

namespace scte104 {

using SectionObject = nlohmann::ordered_json;

// What pairs a found section with an expected one.
struct SectionKey {
  std::uint64_t type = 0;
  bool has_id = false;
  std::uint64_t id = 0;  // splice_event_id, or the first segmentation_event_id
  bool operator<(const SectionKey& other) const {
    return std::tie(type, has_id, id) < std::tie(other.type, other.has_id, other.id);
  }
};

// The key of a section as the section reader shows it: its
// splice_command_type, and for splice_insert its splice_event_id, for
// time_signal the segmentation_event_id of its first
// segmentation_descriptor.
SectionKey section_key(const SectionObject& section);

// One difference: {"field", "expected", "found"} and, for pts_time,
// "ticks".
struct Differences {
  SectionObject faults = SectionObject::array();
  SectionObject allowed = SectionObject::array();
};

// Compares a found section with the expected one, member by member in the
// expected order, then the members only the found one has. `reference` is
// false when the mark had no PTS: pts_time is then not compared.
// `frame_ticks` is one frame in 90 kHz ticks, the tolerance of pts_time.
Differences compare_sections(const SectionObject& expected, const SectionObject& found,
                             bool reference, std::uint64_t frame_ticks);

struct PairingResult {
  std::uint64_t mark = 0;
  std::size_t expected = 0;
  std::uint64_t copy = 0;
  const std::vector<std::uint8_t>* expected_bytes = nullptr;  // valid until the next call
  bool reference = false;
};

struct MissingSection {
  std::uint64_t mark = 0;
  std::size_t expected = 0;
  std::uint16_t pid = 0;  // the mark's PID
};

class Pairing {
 public:
  // A mark and the sections it expects, each with its key, in order.
  struct Expected {
    SectionKey key;
    std::vector<std::uint8_t> bytes;
  };
  void add_mark(std::uint64_t mark, std::uint16_t pid, bool reference,
                std::vector<Expected> sections);

  // The expected section a found section with `key` answers: the oldest
  // mark's lowest one not yet answered, else the newest mark's lowest (a
  // repeated copy); nothing when no mark expects that key.
  std::optional<PairingResult> pair(const SectionKey& key);

  // Every expected section never paired, in mark order.
  std::vector<MissingSection> missing() const;

 private:
  struct Entry {
    std::uint64_t mark = 0;
    std::size_t expected = 0;
    std::uint16_t pid = 0;
    bool reference = false;
    std::uint64_t pairings = 0;
    std::vector<std::uint8_t> bytes;
  };
  struct KeyState {
    std::vector<std::shared_ptr<Entry>> open;  // not yet answered, oldest first
    std::size_t first_open = 0;
    std::shared_ptr<Entry> newest;  // the newest mark's lowest candidate
  };
  std::map<SectionKey, KeyState> mKeys;
  std::shared_ptr<Entry> mLastPaired;  // holds the bytes a result points to
};

}  // namespace scte104

#endif  // SCTE104_PAIRING_H
