// The skeleton definition document: per bone an id, a parent id and a
// transform, in an "skdf" box holding "bons" with one "bndt" per bone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "box/envelope_decoder.h"
#include "documents/bone_transform.h"

namespace ravuna_motion_format {

// Encoded length of a skeleton definition of `boneCount` bones (none when 0
// or negative).
std::uint64_t SkeletonDefinitionLength(std::int64_t boneCount) noexcept;

MotionFormatPtr BuildSkeletonDefinition(std::string ipText, std::uint16_t port, int boneCount,
                                        const int* boneIds, const int* parentBoneIds,
                                        const TransformArrays& transforms);

// What a skeleton definition document holds, as collected in document order.
struct SkeletonDefinitionValues {
  std::optional<std::uint32_t> port;  // absent when the document has no "rcvp"
  std::vector<int> boneIds;
  std::vector<int> parentBoneIds;
  TransformSequences transforms;
};

EnvelopeResult DecodeSkeletonDefinition(ByteView bytes, std::string& ipText,
                                        SkeletonDefinitionValues& values);

// Walks the "skdf" bytes, appending every "bnid", "pbid" and "tran" found.
void ReadSkeletonDefinitionBox(ByteView data, SkeletonDefinitionValues& values);

}  // namespace ravuna_motion_format
