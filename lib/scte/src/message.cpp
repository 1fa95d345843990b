// SPDX-License-Identifier: MIT
// Construction, rendering and field setters of MultipleOperationMessage.
#include <stdexcept>
#include <string>

#include "scte/scte_104.h"
#include "utility/strings.h"

namespace scte_104 {

Operation::Operation(MultipleOperationId id, std::uint16_t data_length,
                     std::vector<std::uint8_t> data, const SpliceRequestData& request_data)
    : mOpId(id), mDataLength(data_length), mData(std::move(data)), mRequestData(request_data) {}

MultipleOperationMessage::MultipleOperationMessage(const std::uint8_t* data, std::size_t size) {
  if (data != nullptr) mBuffer.assign(data, data + size);
}

MultipleOperationMessage::MultipleOperationMessage(const std::vector<std::uint8_t>& data)
    : mBuffer(data) {}

MultipleOperationMessage::MultipleOperationMessage(std::vector<std::uint8_t>&& data)
    : mBuffer(std::move(data)) {}

std::string MultipleOperationMessage::to_base64() const {
  return ext::base64::encode(mBuffer.data(), mBuffer.size());
}

std::string MultipleOperationMessage::to_hex() const {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex(2 * mBuffer.size(), '\0');
  char* out = hex.data();
  for (const std::uint8_t byte : mBuffer) {
    *out++ = kDigits[byte >> 4u];
    *out++ = kDigits[byte & 0x0Fu];
  }
  return hex;
}

SpliceRequestData* MultipleOperationMessage::splice_request_at(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= mOperations.size()) {
    throw std::out_of_range("Operation index " + std::to_string(index) + " is outside the " +
                            std::to_string(mOperations.size()) + " operations held");
  }
  Operation& op = mOperations[static_cast<std::size_t>(index)];
  return op.operation_id() == SPLICE_REQUEST_DATA ? &op.request_data() : nullptr;
}

void MultipleOperationMessage::set_preroll_time(int index, std::uint16_t value) {
  if (SpliceRequestData* request = splice_request_at(index)) {
    request->mPreRollTime = value;
    encode(true);
  }
}

void MultipleOperationMessage::set_break_duration(int index, std::uint16_t value) {
  if (SpliceRequestData* request = splice_request_at(index)) {
    request->mBreakDuration = value;
    encode(true);
  }
}

}  // namespace scte_104
