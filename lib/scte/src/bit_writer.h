// SPDX-License-Identifier: MIT
// Walks SCTE 35 records field by field (see scte/scte35.h) to count their
// bits or to write them, most significant bit first. Both walks follow the
// one field list of each record, so a size and the bytes always agree.
#ifndef SCTE104_BIT_WRITER_H
#define SCTE104_BIT_WRITER_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>
#include <variant>
#include <vector>

#include "scte/scte35.h"

namespace scte_104::scte35 {

// A byte run left where it lies in the bytes it was read from: what the way
// back from a section to a mark holds instead of a copy.
struct ByteRun {
  const std::uint8_t* data = nullptr;
  std::size_t length = 0;

  std::size_t size() const { return length; }
  bool empty() const { return length == 0; }
  void resize(std::size_t size) { length = size; }  // data is set when read
};

// A list whose entries are read and checked but not kept: only their count.
template <typename Entry>
struct UnkeptList {
  std::size_t count = 0;

  std::size_t size() const { return count; }
  bool empty() const { return count == 0; }
  void resize(std::size_t size) { count = size; }
  void clear() { count = 0; }
};

// What every walk does with nested records, optional ones and lists:
// descend into them in order. `Leaf` handles fields (with their names; none
// for reserved bits, which come as 1s) and bytes.
template <typename Leaf>
class RecordWalk {
 public:
  template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
  void operator()(const char* name, T value, unsigned bits) {
    leaf().field(name, static_cast<std::uint64_t>(value), bits);
  }
  void reserved(unsigned bits) { leaf().field(nullptr, ~std::uint64_t{0}, bits); }
  void operator()(const char* /*name*/, const Bytes& bytes) {
    leaf().bytes(bytes.data(), bytes.size());
  }
  void operator()(const char* /*name*/, const DtmfChars& chars) {
    leaf().bytes(reinterpret_cast<const std::uint8_t*>(chars.text.data()), chars.text.size());
  }
  void operator()(const char* /*name*/, const ByteRun& run) { leaf().bytes(run.data, run.length); }
  template <typename Record>
  void operator()(const char* /*name*/, const Record& record) {
    record.for_each_field(*this);
  }
  // Entries not kept are walked as default ones: their size is right.
  template <typename Record>
  void operator()(const char* name, const UnkeptList<Record>& records) {
    for (std::size_t i = 0; i < records.count; ++i) (*this)(name, Record{});
  }
  template <typename Record>
  void operator()(const char* name, const std::optional<Record>& record) {
    if (record) (*this)(name, *record);
  }
  template <typename Record>
  void operator()(const char* name, const std::vector<Record>& records) {
    for (const Record& record : records) (*this)(name, record);
  }
  template <typename... Records>
  void operator()(const char* name, const std::variant<Records...>& record) {
    std::visit([this, name](const auto& r) { (*this)(name, r); }, record);
  }

 private:
  Leaf& leaf() { return static_cast<Leaf&>(*this); }
};

// Counts the bits that a record fills.
class BitCounter : public RecordWalk<BitCounter> {
 public:
  void field(const char*, std::uint64_t, unsigned bits) { mBits += bits; }
  void bytes(const std::uint8_t*, std::size_t count) { mBits += 8 * count; }
  std::size_t bits() const { return mBits; }

 private:
  std::size_t mBits = 0;
};

// The whole bytes that a record fills (every record fills whole bytes).
template <typename Record>
std::size_t wire_size(const Record& record) {
  BitCounter counter;
  record.for_each_field(counter);
  return counter.bits() / 8;
}

// Writes fields most significant bit first, appending to a byte vector or
// into a caller's buffer of fixed size. Reserved bits come as 1s; only the
// low `bits` bits of a value are written. In a buffer, a field that does
// not fit marks the write overflowed and nothing is written past its end.
class BitWriter : public RecordWalk<BitWriter> {
 public:
  explicit BitWriter(Bytes& out) : mVector(&out) {}
  BitWriter(std::uint8_t* out, std::size_t capacity) : mBuffer(out), mCapacity(capacity) {}

  void field(const char* /*name*/, std::uint64_t value, unsigned bits) {
    while (bits > 0) {
      if (mFree == 0) {
        if (!put(0)) return;
        mFree = 8;
      }
      const unsigned take = bits < mFree ? bits : mFree;
      bits -= take;
      const auto chunk = static_cast<unsigned>((value >> bits) & ((1u << take) - 1u));
      mFree -= take;
      std::uint8_t& last = mVector != nullptr ? mVector->back() : mBuffer[mSize - 1];
      last = static_cast<std::uint8_t>(last | (chunk << mFree));
    }
  }
  // Byte runs start on a byte boundary in every SCTE 35 syntax.
  void bytes(const std::uint8_t* data, std::size_t count) {
    if (mVector != nullptr) {
      mVector->insert(mVector->end(), data, data + count);
    } else if (count > mCapacity - mSize) {
      mOverflowed = true;
    } else if (count != 0) {
      std::memcpy(mBuffer + mSize, data, count);
      mSize += count;
    }
  }

  // The bytes written into the buffer.
  std::size_t size() const { return mSize; }
  bool overflowed() const { return mOverflowed; }

 private:
  bool put(std::uint8_t byte) {
    if (mVector != nullptr) {
      mVector->push_back(byte);
      return true;
    }
    if (mSize == mCapacity) {
      mOverflowed = true;
      return false;
    }
    mBuffer[mSize++] = byte;
    return true;
  }

  Bytes* mVector = nullptr;
  std::uint8_t* mBuffer = nullptr;
  std::size_t mCapacity = 0;
  std::size_t mSize = 0;
  bool mOverflowed = false;
  unsigned mFree = 0;  // bits still free in the last byte
};

}  // namespace scte_104::scte35

#endif  // SCTE104_BIT_WRITER_H
