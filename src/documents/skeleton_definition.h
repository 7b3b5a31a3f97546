// The skeleton definition document: per bone an id, a parent id and a
// transform, in an "skdf" box holding "bons" with one "bndt" per bone.
#pragma once

#include <string>

#include "box/box_reading.h"
#include "documents/bone_values.h"
#include "documents/document_layout.h"

namespace ravuna_motion_format {

MotionFormatPtr BuildSkeletonDefinition(std::string ipText, std::uint16_t port, int boneCount,
                                        const int* boneIds, const int* parentBoneIds,
                                        const TransformArrays& transforms);

struct SkeletonDefinitionValues {
  BoneValues bones;
};

// The general read of "skdf": every "bnid", "pbid" and "tran", in order.
inline constexpr BoxReading<SkeletonDefinitionValues, 3> kSkeletonDefinitionReading{{{
    {BoxType::bnid, LeafCount::perBone,
     [](SkeletonDefinitionValues& values, ByteView bytes, const WalkedBox& box) {
       values.bones.AddId(ReadBoneId(bytes, box.Payload()));
     }},
    {BoxType::pbid, LeafCount::perBone,
     [](SkeletonDefinitionValues& values, ByteView bytes, const WalkedBox& box) {
       values.bones.AddParentId(ReadBoneId(bytes, box.Payload()));
     }},
    {BoxType::tran, LeafCount::perBone,
     [](SkeletonDefinitionValues& values, ByteView bytes, const WalkedBox& box) {
       values.bones.AddTransform(bytes, box.Payload());
     }},
}}};

}  // namespace ravuna_motion_format
