// How an injector turns a queue mark into SCTE 35 sections.
#include <array>
#include <string>

#include "scte/scte35.h"

namespace scte_104 {

bool parse_frame_rate(const std::string& text, FrameRate& rate) {
  struct Named {
    const char* text;
    FrameRate rate;
  };
  static constexpr std::array<Named, 8> kRates{{{"24000/1001", {24000, 1001}},
                                                {"24", {24, 1}},
                                                {"25", {25, 1}},
                                                {"30000/1001", {30000, 1001}},
                                                {"30", {30, 1}},
                                                {"50", {50, 1}},
                                                {"60000/1001", {60000, 1001}},
                                                {"60", {60, 1}}}};
  for (const Named& named : kRates) {
    if (text == named.text) {
      rate = named.rate;
      return true;
    }
  }
  return false;
}

}  // namespace scte_104
