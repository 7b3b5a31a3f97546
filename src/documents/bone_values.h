// The per-bone values of a parse: one array per component, filled in
// document order. Bone i is the i-th "bnid" paired with the i-th "pbid" and
// "tran"; a partner value the document lacks reads as 0.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

#include "box/box_kinds.h"
#include "documents/bone_transform.h"

namespace ravuna_motion_format {

// Where a parse puts the per-bone values.
struct BoneOutputs {
  int* boneIds = nullptr;
  int* parentBoneIds = nullptr;  // skeleton definitions only
  std::array<float*, kTransformFloatCount> transforms{};
};

// What the general walk meets of the bones: every value is counted, and
// stored while its index is below the capacity of the outputs.
struct BoneValues {
  BoneOutputs out;
  std::size_t capacity = 0;
  std::size_t ids = 0;
  std::size_t parentIds = 0;
  std::size_t transforms = 0;

  void AddId(int id) noexcept {
    if (ids < capacity) {
      out.boneIds[ids] = id;
    }
    ++ids;
  }

  void AddParentId(int id) noexcept {
    if (parentIds < capacity) {
      out.parentBoneIds[parentIds] = id;
    }
    ++parentIds;
  }

  void AddTransform(ByteView bytes, std::uint64_t payload) noexcept {
    if (transforms < capacity) {
      const std::array<float, kTransformFloatCount> transform = ReadTransform(bytes, payload);
      for (std::size_t k = 0; k < transform.size(); ++k) {
        out.transforms[k][transforms] = transform[k];
      }
    }
    ++transforms;
  }

  // Zeros for the bones whose "pbid" or "tran" the document lacks.
  void FillMissing() const noexcept {
    const std::size_t bones = std::min(ids, capacity);
    if (out.parentBoneIds != nullptr && parentIds < bones) {
      std::fill(out.parentBoneIds + parentIds, out.parentBoneIds + bones, 0);
    }
    for (float* component : out.transforms) {
      if (transforms < bones) {
        std::fill(component + transforms, component + bones, 0.0F);
      }
    }
  }
};

}  // namespace ravuna_motion_format
