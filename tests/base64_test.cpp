// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "utility/strings.h"

namespace {

std::string encode(const std::string& bytes) {
  return ext::base64::encode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

TEST(base64, encodes_with_padding_and_exact_length) {
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {std::string(1, '\0'), "AA=="}, {"A", "QQ=="}, {"AB", "QUI="}, {"ABC", "QUJD"},
      {"ABCD", "QUJDRA=="}, {"\xff\xff\xff", "////"}};
  // clang-format on
  for (const auto& [in, out] : cases) EXPECT_EQ(encode(in), out) << out;
  EXPECT_EQ(ext::base64::encode(nullptr, 0), "");
}

TEST(base64, decodes_leniently) {
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"QUJD", "ABC"}, {"QUI=", "AB"}, {"QUI", "AB"}, {"QQ==", "A"}, {"QQ", "A"}, {"QQ=", "A"},
      {"QQ=====", "A"}, {"Q", ""}, {"Q===", ""},
      {"QUJDR", "ABC"},                 // a lone final character is dropped
      {"QR==", "A"}, {"QUJDRE", "ABCD"},  // non-zero pad bits are ignored
      {"QUJD\nREVG", "ABC"}, {" QUJD", ""}, {"QUJD=REVG", "ABC"}, {"QUJDRA==QUJD", "ABCD"},
      {"QUJD-_", "ABC"},                // URL-safe characters are not in the alphabet
      {std::string("QUJD\0QUJD", 9), "ABC"}, {"QUJD\xc3\xa9", "ABC"},
      {"AAAA", std::string(3, '\0')}, {"////", "\xff\xff\xff"}};
  // clang-format on
  for (const auto& [in, out] : cases) EXPECT_EQ(ext::base64::decode(in), out) << in;
}

TEST(base64, round_trips_every_byte_value_and_both_encoders_agree) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  for (std::size_t n = 0; n <= all.size(); ++n) {
    const std::string x = all.substr(all.size() - n);
    const std::string text = encode(x);
    ASSERT_EQ(text.size(), 4 * ((n + 2) / 3));
    ASSERT_EQ(ext::base64::decode(text), x) << n;
    std::string written(text.size() + 1, '#');  // one guard byte past the end
    ASSERT_EQ(ext::base64::encode_to(reinterpret_cast<const std::uint8_t*>(x.data()), x.size(),
                                     written.data()),
              text.size());
    ASSERT_EQ(written, text + "#") << n;
  }
}

}  // namespace
