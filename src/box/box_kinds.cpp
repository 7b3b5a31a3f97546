#include "box/box_kinds.h"

#include <array>

namespace ravuna_motion_format {
namespace {

constexpr std::array<std::string_view, kBoxKindCount> kBoxCodes = {
#define RAVUNA_BOX_CODE(name, number, code, valueType) code,
    RAVUNA_BOX_KINDS(RAVUNA_BOX_CODE)
#undef RAVUNA_BOX_CODE
};

}  // namespace

std::string_view BoxCode(BoxType type) noexcept {
  const auto number = static_cast<std::uint32_t>(type);
  return kBoxCodes[number < kBoxKindCount ? number : 0];
}

}  // namespace ravuna_motion_format
