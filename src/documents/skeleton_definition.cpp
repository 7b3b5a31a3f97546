#include "documents/skeleton_definition.h"

#include <algorithm>

#include "documents/document_header.h"
#include "documents/document_layout.h"

namespace ravuna_motion_format {
namespace {

// The document start, then "skdf" holding an empty "bons".
constexpr std::uint64_t kEmptySkeletonDefinitionLength = kDocumentStartLength + 16;

}  // namespace

std::uint64_t SkeletonDefinitionLength(std::int64_t boneCount) noexcept {
  return kEmptySkeletonDefinitionLength +
         kSkeletonBoneLength * static_cast<std::uint64_t>(std::max<std::int64_t>(boneCount, 0));
}

MotionFormatPtr BuildSkeletonDefinition(std::string ipText, std::uint16_t port, int boneCount,
                                        const int* boneIds, const int* parentBoneIds,
                                        const TransformArrays& transforms) {
  const auto bones = static_cast<std::size_t>(std::max(boneCount, 0));
  BoxList boneList;
  boneList.Reserve(bones);
  for (std::size_t i = 0; i < bones; ++i) {
    BoxList bone;
    bone.Reserve(3);
    bone.Add(new Box(BoxType::bnid, static_cast<short>(boneIds[i]), 2));
    bone.Add(new Box(BoxType::pbid, static_cast<short>(parentBoneIds[i]), 2));
    bone.Add(NewTransformBox(transforms, i));
    boneList.Add(NewContainer(BoxType::bndt, bone));
  }
  BoxList skeleton;
  skeleton.Add(NewContainer(BoxType::bons, boneList));
  OwnedBox data(NewContainer(BoxType::skdf, skeleton));

  return NewMotionFormat(std::move(ipText), port, std::move(data));
}

EnvelopeResult DecodeSkeletonDefinition(ByteView bytes, std::string& ipText,
                                        SkeletonDefinitionValues& values) {
  EnvelopeResult envelope = DecodeMotionFormat(bytes, ipText, values.port, BoxType::skdf);
  if (envelope) {
    ReadSkeletonDefinitionBox(envelope.data, values);
  }
  return envelope;
}

void ReadSkeletonDefinitionBox(ByteView data, SkeletonDefinitionValues& values) {
  const std::size_t expectedBones = data.size() / kSkeletonBoneLength + 1;
  values.boneIds.reserve(expectedBones);
  values.parentBoneIds.reserve(expectedBones);
  ReserveSequences(values.transforms, expectedBones);
  WalkBoxes(data, 0, -1, [&](BoxType type, std::uint64_t payload, std::uint32_t) {
    switch (type) {
      case BoxType::bnid: values.boneIds.push_back(ReadBoneId(data, payload)); return true;
      case BoxType::pbid: values.parentBoneIds.push_back(ReadBoneId(data, payload)); return true;
      case BoxType::tran: AppendTransform(data, payload, values.transforms); return true;
      default: return false;
    }
  });
}

}  // namespace ravuna_motion_format
