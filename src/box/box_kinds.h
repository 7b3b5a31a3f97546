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

inline constexpr std::uint32_t kBoxKindCount = 25;

// Number of elements of the two array kinds.
inline constexpr int kTransformFloatCount = 7;
inline constexpr int kTimecodeByteCount = 6;

// The format-type text that every document's "ftyp" box carries.
inline const std::string kFormatTypeText = "kavi motion format";

// The code of a kind; 0 and every number above 24 give "none".
std::string_view BoxCode(BoxType type) noexcept;

// A fresh copy of the code of a kind; 0 and every number above 24 give "none".
std::string BoxTypeToString(BoxType type);

// The kind whose code equals the whole text exactly, or none.
BoxType StringToBoxType(std::string text) noexcept;

// The kind of the four code bytes at `code`, without building a text; equal
// to StringToBoxType of those four bytes.
BoxType BoxTypeFromCode(const std::uint8_t* code) noexcept;

struct BoxValueTypeLookup {
  BoxValueType valueType;
  bool known;  // false for kind 0 and every number above 24
};

// The value type that a box of the kind carries.
BoxValueTypeLookup GetBoxValueType(BoxType type) noexcept;

inline bool IsContainer(BoxType type) noexcept {
  const BoxValueTypeLookup lookup = GetBoxValueType(type);
  return lookup.known && lookup.valueType == BoxValueType::container;
}

}  // namespace ravuna_motion_format
