// The seven-float bone transform ("tran"): four rotation values, then three
// translation values, shared by skeleton definitions and frames.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "box/box.h"
#include "box/box_reader.h"

namespace ravuna_motion_format {

// The caller's per-bone transform components, one array each.
struct TransformArrays {
  std::array<const float*, 4> rotation{};
  std::array<const float*, 3> translation{};

  bool AnyNull() const noexcept;
};

// The "tran" box of one bone.
Box* NewTransformBox(const TransformArrays& arrays, std::size_t bone);

// The seven floats at `payload`; each float past the end reads as 0.
std::array<float, kTransformFloatCount> ReadTransform(ByteView bytes,
                                                      std::uint64_t payload) noexcept;

// The signed 16-bit id at `payload`, sign-extended; 0 past the end.
inline int ReadBoneId(ByteView bytes, std::uint64_t payload) noexcept {
  return ReadLittleEndian<std::int16_t>(bytes, payload);
}

}  // namespace ravuna_motion_format
