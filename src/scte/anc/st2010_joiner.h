// SPDX-License-Identifier: MIT
// SCTE 104 in ANC packets (ST 2010): the payload descriptor in front of each
// packet's bytes, and the parts of a message cut over several packets
// joined again, per stream.
#ifndef SCTE104_ST2010_JOINER_H
#define SCTE104_ST2010_JOINER_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace scte104 {

class St2010Joiner {
 public:
  static constexpr std::uint8_t kContinued = 0x04;
  static constexpr std::uint8_t kFollowing = 0x02;

  class Listener {
   public:
    virtual ~Listener() = default;
    virtual void bad_descriptor(std::uint8_t value) = 0;
    virtual void orphan() = 0;
    virtual void interrupted(std::size_t bytes) = 0;
    virtual void complete(const std::vector<std::uint8_t>& bytes, std::uint8_t first_descriptor,
                          std::size_t fragments) = 0;
  };

  // One ANC packet's user data: the descriptor, then message bytes.
  void add(const std::uint8_t* data, std::size_t size, Listener& listener) {
    const std::uint8_t descriptor = data[0];
    if ((descriptor & 0xE0u) != 0 || (descriptor >> 3u & 3u) != 1) {
      listener.bad_descriptor(descriptor);
    }
    const std::uint8_t flags = descriptor & (kContinued | kFollowing);
    const bool single_flag = flags == kContinued || flags == kFollowing;
    if (mParts != 0) {
      if (flags == (kContinued | kFollowing)) {
        append(data, size);
        return;
      }
      if (single_flag && flags != mStartFlag) {
        append(data, size);
        listener.complete(mBytes, mFirstDescriptor, mParts);
        clear();
        return;
      }
      drop(listener);
    }
    if (flags == (kContinued | kFollowing)) {
      listener.orphan();
      return;
    }
    mFirstDescriptor = descriptor;
    append(data, size);
    if (single_flag) {
      mStartFlag = flags;
      return;
    }
    listener.complete(mBytes, mFirstDescriptor, mParts);
    clear();
  }

  // Parts waiting are dropped: fragment_interrupted.
  void drop(Listener& listener) {
    if (mParts == 0) return;
    listener.interrupted(mBytes.size());
    clear();
  }

 private:
  void append(const std::uint8_t* data, std::size_t size) {
    mBytes.insert(mBytes.end(), data + 1, data + size);
    ++mParts;
  }
  void clear() {
    mBytes.clear();
    mParts = 0;
  }

  std::vector<std::uint8_t> mBytes;
  std::size_t mParts = 0;
  std::uint8_t mStartFlag = 0;
  std::uint8_t mFirstDescriptor = 0;
};

}  // namespace scte104

#endif  // SCTE104_ST2010_JOINER_H
