// SPDX-License-Identifier: MIT
// Arbitrary text through the lenient Base64 decoder: whatever it yields
// must survive an encode and decode unchanged, and both encoders agree.
#include <cstdlib>
#include <string>

#include "utility/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string bytes = ext::base64::decode(text);
  if (bytes.size() > 3 * (size / 4) + 2) std::abort();
  const std::string encoded =
      ext::base64::encode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  if (encoded.size() != 4 * ((bytes.size() + 2) / 3)) std::abort();
  if (ext::base64::decode(encoded) != bytes) std::abort();
  // The buffer-writing encoder gives the very same text.
  std::string written(encoded.size(), '\0');
  const std::size_t count = ext::base64::encode_to(
      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), written.data());
  if (count != encoded.size() || written != encoded) std::abort();
  return 0;
}
