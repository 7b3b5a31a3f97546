#include "box/box_kinds.h"

#include <array>
#include <cstring>

namespace ravuna_motion_format {
namespace {

struct BoxKindRow {
  std::string_view code;
  std::uint32_t packedCode;  // the four code bytes as a little-endian number
  BoxValueType valueType;
};

constexpr std::uint32_t PackCode(std::string_view code) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 8U |
         static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 16U |
         static_cast<std::uint32_t>(static_cast<unsigned char>(code[3])) << 24U;
}

constexpr std::array<BoxKindRow, kBoxKindCount> kBoxKindTable = {{
#define RAVUNA_BOX_ROW(name, number, code, valueType) \
  {code, PackCode(code), BoxValueType::valueType},
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

BoxType BoxTypeFromCode(const std::uint8_t* code) noexcept {
  std::uint32_t packed = 0;
  for (unsigned i = 0; i < 4; ++i) {
    packed |= static_cast<std::uint32_t>(code[i]) << (8U * i);
  }
  for (std::uint32_t number = 1; number < kBoxKindCount; ++number) {
    if (packed == kBoxKindTable[number].packedCode) {
      return static_cast<BoxType>(number);
    }
  }
  return BoxType::none;
}

BoxValueTypeLookup GetBoxValueType(BoxType type) noexcept {
  const auto number = static_cast<std::uint32_t>(type);
  if (number == 0 || number >= kBoxKindCount) {
    // Diagnostic "Get box type failed": composed nowhere, the flag says it.
    return {BoxValueType::none, false};
  }
  return {kBoxKindTable[number].valueType, true};
}

}  // namespace ravuna_motion_format
