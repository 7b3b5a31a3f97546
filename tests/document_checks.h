// Comparisons shared by the document tests: bit-for-bit floats, ids as they
// come back from their low 16 bits, ports from theirs.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "api_calls.h"

namespace document_checks {

inline std::uint32_t Bits(float value) { return std::bit_cast<std::uint32_t>(value); }

inline int AsStoredId(int id) { return static_cast<std::int16_t>(id); }

// The decoded arrays hold exactly the bones that were encoded.
inline void ExpectBones(const api_calls::Bones& expected, int count, const int* ids,
                        const int* parentIds, const std::array<float*, 7>& transforms) {
  ASSERT_EQ(count, expected.Count());
  for (int i = 0; i < count; ++i) {
    const auto bone = static_cast<std::size_t>(i);
    EXPECT_EQ(ids[i], AsStoredId(expected.ids[bone])) << "bone " << i;
    if (parentIds != nullptr) {
      EXPECT_EQ(parentIds[i], AsStoredId(expected.parentIds[bone])) << "bone " << i;
    }
    for (std::size_t k = 0; k < 7; ++k) {
      EXPECT_EQ(Bits(transforms[k][i]), Bits(expected.transforms[k][bone]))
          << "bone " << i << " element " << k;
    }
  }
}

// Floats whose bits must survive: signed zero, NaN payloads, subnormals,
// infinities and the extremes.
inline std::vector<float> SpecialFloats() {
  return {-0.0F,
          0.0F,
          std::bit_cast<float>(0x7FC00001U),
          std::bit_cast<float>(0xFFBFFFFFU),
          std::bit_cast<float>(0x00000001U),
          std::bit_cast<float>(0x807FFFFFU),
          std::bit_cast<float>(0x7F800000U),
          std::bit_cast<float>(0xFF800000U),
          std::bit_cast<float>(0x7F7FFFFFU)};
}

}  // namespace document_checks
