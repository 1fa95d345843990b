// SPDX-License-Identifier: MIT
#include "pairing.h"

#include <algorithm>
#include <string>
#include <utility>

namespace scte104 {
namespace {

constexpr std::uint64_t kPtsModulus = std::uint64_t{1} << 33u;
constexpr std::uint64_t kHalfPts = std::uint64_t{1} << 32u;
constexpr std::uint64_t kSpliceInsert = 0x05;
constexpr std::uint64_t kTimeSignal = 0x06;
constexpr std::uint64_t kSegmentationTag = 0x02;
constexpr std::uint16_t kAnyTier = 0xFFF;

// Members that follow from the rest of the section.
bool derived(const std::string& name) {
  static const char* const kDerived[] = {"base64",
                                         "hex",
                                         "CRC_32",
                                         "section_length",
                                         "splice_command_length",
                                         "descriptor_loop_length",
                                         "descriptor_length"};
  return std::any_of(std::begin(kDerived), std::end(kDerived),
                     [&name](const char* d) { return name == d; });
}

const SectionObject& member_or_null(const SectionObject& object, const std::string& name) {
  static const SectionObject kNull;
  if (!object.is_object()) return kNull;
  const auto found = object.find(name);
  return found == object.end() ? kNull : *found;
}

class Comparer {
 public:
  Comparer(const SectionObject& found, bool reference, std::uint64_t frame_ticks,
           Differences& out)
      : mReference(reference), mFrameTicks(frame_ticks), mOut(out) {
    const SectionObject& adjustment = member_or_null(found, "pts_adjustment");
    mAdjustment = adjustment.is_number_unsigned() ? adjustment.get<std::uint64_t>() : 0;
    mFoundEncrypted = member_or_null(found, "encrypted_packet") == SectionObject(1);
  }

  void walk(const std::string& path, const std::string& name, const SectionObject& expected,
            const SectionObject& found) {
    if (expected.is_object() && found.is_object()) {
      for (const auto& item : expected.items()) {
        if (derived(item.key())) continue;
        walk(join(path, item.key()), item.key(), item.value(), member_or_null(found, item.key()));
      }
      for (const auto& item : found.items()) {
        if (derived(item.key()) || expected.contains(item.key())) continue;
        walk(join(path, item.key()), item.key(), SectionObject(), item.value());
      }
      return;
    }
    if (expected.is_array() && found.is_array()) {
      static const SectionObject kNull;
      const std::size_t count = std::max(expected.size(), found.size());
      for (std::size_t i = 0; i < count; ++i) {
        walk(path + "[" + std::to_string(i) + "]", name,
             i < expected.size() ? expected[i] : kNull, i < found.size() ? found[i] : kNull);
      }
      return;
    }
    leaf(path, name, expected, found);
  }

 private:
  static std::string join(const std::string& path, const std::string& name) {
    return path.empty() ? name : path + "." + name;
  }

  void leaf(const std::string& path, const std::string& name, const SectionObject& expected,
            const SectionObject& found) {
    if (name == "pts_time") {
      if (!mReference) return;
      if (expected.is_number_unsigned() && found.is_number_unsigned()) {
        pts_time(path, expected.get<std::uint64_t>(), found.get<std::uint64_t>());
        return;
      }
    }
    if (expected == found) return;
    SectionObject entry = entry_of(path, expected, found);
    (allowed(name, expected, found) ? mOut.allowed : mOut.faults).push_back(std::move(entry));
  }

  // The effective splice time, found pts_time + pts_adjustment, against the
  // expected pts_time, as a signed difference in (-2^32, 2^32].
  void pts_time(const std::string& path, std::uint64_t expected, std::uint64_t found) {
    const std::uint64_t effective = (found + mAdjustment) % kPtsModulus;
    const std::uint64_t difference = (effective + kPtsModulus - expected % kPtsModulus) % kPtsModulus;
    if (difference == 0) return;
    const std::int64_t ticks = difference > kHalfPts
                                   ? static_cast<std::int64_t>(difference) -
                                         static_cast<std::int64_t>(kPtsModulus)
                                   : static_cast<std::int64_t>(difference);
    SectionObject entry = entry_of(path, expected, found);
    entry["ticks"] = ticks;
    const std::uint64_t size = ticks < 0 ? static_cast<std::uint64_t>(-ticks)
                                         : static_cast<std::uint64_t>(ticks);
    (size <= mFrameTicks ? mOut.allowed : mOut.faults).push_back(std::move(entry));
  }

  bool allowed(const std::string& name, const SectionObject& expected,
               const SectionObject& found) const {
    if (name == "pts_adjustment" || name == "cw_index" || name == "sap_type") return true;
    if (name == "encryption_algorithm") return !mFoundEncrypted;
    if (name == "tier") return expected == SectionObject(kAnyTier) && found == SectionObject(0);
    return false;
  }

  static SectionObject entry_of(const std::string& path, const SectionObject& expected,
                                const SectionObject& found) {
    SectionObject entry = SectionObject::object();
    entry["field"] = path;
    entry["expected"] = expected;
    entry["found"] = found;
    return entry;
  }

  bool mReference;
  std::uint64_t mFrameTicks;
  Differences& mOut;
  std::uint64_t mAdjustment = 0;
  bool mFoundEncrypted = false;
};

}  // namespace

SectionKey section_key(const SectionObject& section) {
  SectionKey key;
  const SectionObject& type = member_or_null(section, "splice_command_type");
  if (!type.is_number_unsigned()) return key;
  key.type = type.get<std::uint64_t>();
  const SectionObject* id = nullptr;
  if (key.type == kSpliceInsert) {
    id = &member_or_null(member_or_null(section, "splice_command"), "splice_event_id");
  } else if (key.type == kTimeSignal) {
    const SectionObject& descriptors = member_or_null(section, "descriptors");
    if (descriptors.is_array()) {
      for (const SectionObject& descriptor : descriptors) {
        if (member_or_null(descriptor, "splice_descriptor_tag") == SectionObject(kSegmentationTag) &&
            descriptor.contains("segmentation_event_id")) {
          id = &descriptor["segmentation_event_id"];
          break;
        }
      }
    }
  }
  if (id != nullptr && id->is_number_unsigned()) {
    key.has_id = true;
    key.id = id->get<std::uint64_t>();
  }
  return key;
}

Differences compare_sections(const SectionObject& expected, const SectionObject& found,
                             bool reference, std::uint64_t frame_ticks) {
  Differences differences;
  Comparer(found, reference, frame_ticks, differences).walk("", "", expected, found);
  return differences;
}

void Pairing::add_mark(std::uint64_t mark, std::uint16_t pid, bool reference,
                       std::vector<Expected> sections) {
  for (std::size_t i = 0; i < sections.size(); ++i) {
    auto entry = std::make_shared<Entry>();
    entry->mark = mark;
    entry->expected = i;
    entry->pid = pid;
    entry->reference = reference;
    entry->bytes = std::move(sections[i].bytes);
    KeyState& state = mKeys[sections[i].key];
    if (!state.newest || state.newest->mark != mark) state.newest = entry;
    state.open.push_back(std::move(entry));
  }
}

std::optional<PairingResult> Pairing::pair(const SectionKey& key) {
  const auto found = mKeys.find(key);
  if (found == mKeys.end()) return std::nullopt;
  KeyState& state = found->second;
  std::shared_ptr<Entry> entry;
  if (state.first_open < state.open.size()) {
    entry = std::move(state.open[state.first_open]);
    ++state.first_open;
    if (state.first_open == state.open.size()) {  // everything answered: free the list
      state.open.clear();
      state.first_open = 0;
    }
  } else {
    entry = state.newest;
  }
  PairingResult result;
  result.mark = entry->mark;
  result.expected = entry->expected;
  result.copy = entry->pairings++;
  result.expected_bytes = &entry->bytes;
  result.reference = entry->reference;
  if (entry != state.newest) {
    // Only the newest candidate can be paired again: keep the bytes alive
    // for the caller until the next call.
    mLastPaired = std::move(entry);
  }
  return result;
}

std::vector<MissingSection> Pairing::missing() const {
  std::vector<MissingSection> list;
  for (const auto& item : mKeys) {
    const KeyState& state = item.second;
    for (std::size_t i = state.first_open; i < state.open.size(); ++i) {
      list.push_back({state.open[i]->mark, state.open[i]->expected, state.open[i]->pid});
    }
  }
  std::sort(list.begin(), list.end(), [](const MissingSection& a, const MissingSection& b) {
    return std::tie(a.mark, a.expected) < std::tie(b.mark, b.expected);
  });
  return list;
}

}  // namespace scte104
