// Box kinds: the closed set of box codes of the format, and what each carries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ravuna_motion_format {

// What the payload of a box of a given kind holds.
enum class BoxValueType : std::uint8_t {
  none,        // no value
  container,   // child boxes
  text,        // std::string
  byte,        // std::byte
  uint64,      // std::uint64_t
  uint16,      // unsigned short
  int16,       // short
  int32,       // int
  float32,     // float
  float64,     // double
  floatArray,  // float*, 7 elements
  byteArray,   // unsigned char*, 6 elements
};

// The one table of box kinds: number, code and value type. Everything else
// about kinds (the enumeration, the code texts, the lookups) comes from it.
#define RAVUNA_BOX_KINDS(X)       \
  X(none, 0, "none", none)        \
  X(head, 1, "head", container)   \
  X(ftyp, 2, "ftyp", text)        \
  X(vrsn, 3, "vrsn", byte)        \
  X(sndf, 4, "sndf", container)   \
  X(ipad, 5, "ipad", uint64)      \
  X(rcvp, 6, "rcvp", uint16)      \
  X(skdf, 7, "skdf", container)   \
  X(bons, 8, "bons", container)   \
  X(bndt, 9, "bndt", container)   \
  X(bnid, 10, "bnid", int16)      \
  X(pbid, 11, "pbid", int16)      \
  X(tran, 12, "tran", floatArray) \
  X(fram, 13, "fram", container)  \
  X(fnum, 14, "fnum", int32)      \
  X(time, 15, "time", float32)    \
  X(uttm, 16, "uttm", float64)    \
  X(tmcd, 17, "tmcd", byteArray)  \
  X(btrs, 18, "btrs", container)  \
  X(btdt, 19, "btdt", container)  \
  X(sndt, 20, "sndt", container)  \
  X(snad, 21, "snad", text)       \
  X(snnm, 22, "snnm", text)       \
  X(snji, 23, "snji", int32)      \
  X(snvl, 24, "snvl", floatArray)

enum class BoxType : std::uint32_t {
#define RAVUNA_BOX_ENUMERATOR(name, number, code, valueType) name = number,
  RAVUNA_BOX_KINDS(RAVUNA_BOX_ENUMERATOR)
#undef RAVUNA_BOX_ENUMERATOR
};

// One per row of the table; the rows are numbered 0, 1, 2... in order.
inline constexpr std::uint32_t kBoxKindCount = 0
#define RAVUNA_BOX_COUNT(name, number, code, valueType) +1
    RAVUNA_BOX_KINDS(RAVUNA_BOX_COUNT)
#undef RAVUNA_BOX_COUNT
    ;
// Tables indexed by kind number are filled in row order: row i is kind i.
inline constexpr bool kBoxKindsNumberedInOrder = [] {
  constexpr std::uint32_t numbers[] = {
#define RAVUNA_BOX_NUMBER(name, number, code, valueType) number,
      RAVUNA_BOX_KINDS(RAVUNA_BOX_NUMBER)
#undef RAVUNA_BOX_NUMBER
  };
  for (std::uint32_t row = 0; row < kBoxKindCount; ++row) {
    if (numbers[row] != row) {
      return false;
    }
  }
  return true;
}();
static_assert(kBoxKindsNumberedInOrder, "box kinds are numbered 0, 1, 2... in table order");
// Sets of kinds are 32-bit masks, one bit per kind number.
static_assert(kBoxKindCount <= 32, "box kinds fit one bit each in 32 bits");

// Number of elements of the two array kinds.
inline constexpr int kTransformFloatCount = 7;
inline constexpr int kTimecodeByteCount = 6;

// The format-type text that every document's "ftyp" box carries.
inline constexpr std::string_view kFormatTypeText = "kavi motion format";

// The code of a kind; 0 and every number past the table give "none".
std::string_view BoxCode(BoxType type) noexcept;

// The four code bytes of a kind as one little-endian number.
constexpr std::uint32_t PackCode(std::string_view code) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 8U |
         static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 16U |
         static_cast<std::uint32_t>(static_cast<unsigned char>(code[3])) << 24U;
}

// A box header, size field then code, as one little-endian 64-bit number:
// writers store it and readers compare against it in one step.
constexpr std::uint64_t PackHeader(std::uint32_t size, std::string_view code) {
  return size | static_cast<std::uint64_t>(PackCode(code)) << 32U;
}

// The kind whose code is the four bytes at `code`, or none. Every box a
// reader visits passes here, so it is inline: a switch on the packed code.
inline BoxType BoxTypeFromCode(const std::uint8_t* code) noexcept {
  std::uint32_t packed = 0;
  for (unsigned i = 0; i < 4; ++i) {
    packed |= static_cast<std::uint32_t>(code[i]) << (8U * i);
  }
  switch (packed) {
#define RAVUNA_BOX_CASE(name, number, code, valueType) \
  case PackCode(code): return BoxType::name;
    RAVUNA_BOX_KINDS(RAVUNA_BOX_CASE)
#undef RAVUNA_BOX_CASE
    default: return BoxType::none;
  }
}

struct BoxValueTypeLookup {
  BoxValueType valueType;
  bool known;  // false for kind 0 and every number past the table
};

// The value type that a box of the kind carries. Inline: the encoder asks
// once per box.
constexpr BoxValueTypeLookup GetBoxValueType(BoxType type) noexcept {
  constexpr BoxValueType kValueTypes[kBoxKindCount] = {
#define RAVUNA_BOX_VALUE_TYPE(name, number, code, valueType) BoxValueType::valueType,
      RAVUNA_BOX_KINDS(RAVUNA_BOX_VALUE_TYPE)
#undef RAVUNA_BOX_VALUE_TYPE
  };
  const auto number = static_cast<std::uint32_t>(type);
  if (number == 0 || number >= kBoxKindCount) {
    // Diagnostic "Get box type failed": composed nowhere, the flag says it.
    return {BoxValueType::none, false};
  }
  return {kValueTypes[number], true};
}

// The bytes a value of fixed width takes on the wire; 0 for texts, whose
// width is their payload's, for containers and for kinds without a value.
constexpr std::uint32_t FixedValueWidth(BoxValueType valueType) noexcept {
  switch (valueType) {
    case BoxValueType::byte: return 1;
    case BoxValueType::uint16:
    case BoxValueType::int16: return 2;
    case BoxValueType::int32:
    case BoxValueType::float32: return 4;
    case BoxValueType::uint64:
    case BoxValueType::float64: return 8;
    case BoxValueType::floatArray: return kTransformFloatCount * sizeof(float);
    case BoxValueType::byteArray: return kTimecodeByteCount;
    case BoxValueType::none:
    case BoxValueType::container:
    case BoxValueType::text: break;
  }
  return 0;
}

// One bit per kind number, set for the container kinds.
inline constexpr std::uint32_t kContainerKinds = 0U
#define RAVUNA_CONTAINER_BIT(name, number, code, valueType) \
  | (BoxValueType::valueType == BoxValueType::container ? 1U << (number) : 0U)
    RAVUNA_BOX_KINDS(RAVUNA_CONTAINER_BIT)
#undef RAVUNA_CONTAINER_BIT
    ;

inline bool IsContainer(BoxType type) noexcept {
  const auto number = static_cast<std::uint32_t>(type);
  return number < kBoxKindCount && ((kContainerKinds >> number) & 1U) != 0;
}

}  // namespace ravuna_motion_format
