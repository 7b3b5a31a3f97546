#include "documents/frame_data.h"

#include <algorithm>

#include "documents/document_header.h"

namespace ravuna_motion_format {

MotionFormatPtr BuildFrameData(std::string ipText, std::uint16_t port,
                               const FrameHeaderValues& frame, int boneCount, const int* boneIds,
                               const TransformArrays& transforms) {
  const auto bones = static_cast<std::size_t>(std::max(boneCount, 0));
  BoxList boneList;
  boneList.Reserve(bones);
  for (std::size_t i = 0; i < bones; ++i) {
    BoxList bone;
    bone.Reserve(2);
    bone.Add(new Box(BoxType::bnid, static_cast<short>(boneIds[i]), 2));
    bone.Add(NewTransformBox(transforms, i));
    boneList.Add(NewContainer(BoxType::btdt, bone));
  }
  const std::array<unsigned char, kTimecodeByteCount>& t = frame.timecode;
  BoxList frameList;
  frameList.Reserve(5);
  frameList.Add(new Box(BoxType::fnum, frame.frameNumber, 4));
  frameList.Add(new Box(BoxType::time, frame.time, 4));
  frameList.Add(new Box(BoxType::uttm, frame.uttm, 8));
  frameList.Add(new Box(t[0], t[1], t[2], t[3], t[4], t[5]));
  frameList.Add(NewContainer(BoxType::btrs, boneList));
  OwnedBox data(NewContainer(BoxType::fram, frameList));

  return NewMotionFormat(std::move(ipText), port, std::move(data));
}

}  // namespace ravuna_motion_format
