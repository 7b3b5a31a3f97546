#include "box/box_kinds.h"

#include <array>
#include <cstring>

namespace ravuna_motion_format {
namespace {

struct BoxKindRow {
  std::string_view code;
};

constexpr std::array<BoxKindRow, kBoxKindCount> kBoxKindTable = {{
#define RAVUNA_BOX_ROW(name, number, code, valueType) {code},
    RAVUNA_BOX_KINDS(RAVUNA_BOX_ROW)
#undef RAVUNA_BOX_ROW
}};

constexpr const BoxKindRow& RowOf(BoxType type) {
  const auto number = static_cast<std::uint32_t>(type);
  return kBoxKindTable[number < kBoxKindCount ? number : 0];
}

}  // namespace

std::string_view BoxCode(BoxType type) noexcept { return RowOf(type).code; }

std::string BoxTypeToString(BoxType type) { return std::string(BoxCode(type)); }

BoxType StringToBoxType(std::string text) noexcept {
  // "none" is the code of kind 0, so matching it gives the same answer as no match.
  for (std::uint32_t number = 1; number < kBoxKindCount; ++number) {
    if (text == kBoxKindTable[number].code) {
      return static_cast<BoxType>(number);
    }
  }
  return BoxType::none;
}

}  // namespace ravuna_motion_format
