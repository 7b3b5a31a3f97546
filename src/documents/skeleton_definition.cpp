#include "documents/skeleton_definition.h"

#include <algorithm>

#include "documents/document_header.h"

namespace ravuna_motion_format {

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

}  // namespace ravuna_motion_format
