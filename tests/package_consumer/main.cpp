// SPDX-License-Identifier: MIT
// Decodes the help example through the installed libraries; exits 0 when
// the fields and renderings come out right.
#include <scte/scte_104.h>
#include <utility/strings.h>

#include <cstdio>

int main() {
  const std::string input = ext::base64::decode("CP//AB4AAKsAAAAAAQEBAA4BQAACtAAAAeAEsAAAAA==");
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(input.data());
  scte_104::MultipleOperationMessage message(bytes + 1, input.size() - 1);
  message.decode();
  const bool ok = message.num_ops() == 1 &&
                  message.operations()[0].request_data().pre_roll_time() == 480 &&
                  message.to_base64() == "//8AHgAAqwAAAAABAQEADgFAAAK0AAAB4ASwAAAA";
  std::printf("%s\n", ok ? "package works" : "package broken");
  return ok ? 0 : 1;
}
