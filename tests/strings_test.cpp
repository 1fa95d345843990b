// SPDX-License-Identifier: MIT
#include "utility/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Tokens = std::vector<std::string>;

TEST(strings, strips_the_six_whitespace_bytes_only) {
  for (const char ws : {' ', '\t', '\n', '\v', '\f', '\r'}) {
    const std::string pad(2, ws);
    EXPECT_EQ(ext::strip_left(pad + "a b" + pad), "a b" + pad) << int(ws);
    EXPECT_EQ(ext::strip_right(pad + "a b" + pad), pad + "a b") << int(ws);
    EXPECT_EQ(ext::strip(pad + "a b" + pad) + ext::strip_left(pad) + ext::strip_right(pad) + ext::strip(pad), "a b");
  }
  for (const std::string& kept : {std::string("\xa0"), std::string(1, '\0'), std::string("\x85")}) {
    EXPECT_EQ(ext::strip(kept + "x" + kept), kept + "x" + kept);
  }
  // The trimmed text stays in the buffer that was moved in.
  std::string s = std::string(100, 'x') + "\r\n";
  const char* buffer = s.data();
  const std::string stripped = ext::strip(std::move(s));
  EXPECT_EQ(stripped.data(), buffer);
  EXPECT_EQ(stripped, std::string(100, 'x'));
}

TEST(strings, split_and_join) {
  const struct {
    std::string in;
    char delim;
    Tokens out;
  } cases[] = {
      // clang-format off
      {"", ',', {}}, {"", '\0', {}}, {"abc", ',', {"abc"}}, {"a,b", ',', {"a", "b"}},
      {"a,,b", ',', {"a", "", "b"}}, {",a", ',', {"", "a"}}, {"a,", ',', {"a"}}, {",", ',', {""}},
      {",,", ',', {"", ""}}, {" , ", ',', {" ", " "}}, {std::string("a\0b", 3), '\0', {"a", "b"}},
      {"a\xff" "b\xff", '\xff', {"a", "b"}}, {"\xc3\xa9,\xc3", ',', {"\xc3\xa9", "\xc3"}},
      // clang-format on
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ext::split(c.in, c.delim), c.out) << c.in;
    // join gives the text back, but for a final delimiter
    const bool final_delimiter = !c.in.empty() && c.in.back() == c.delim;
    EXPECT_EQ(ext::join(c.out, c.delim), c.in.substr(0, c.in.size() - final_delimiter)) << c.in;
  }
  EXPECT_EQ(ext::join({"", ""}, ','), ",");
}

}  // namespace
