#include "documents/frame_data.h"

#include <algorithm>

#include "documents/document_header.h"
#include "documents/document_layout.h"

namespace ravuna_motion_format {
namespace {

// The document start, then "fram" with its scalars and an empty "btrs".
constexpr std::uint64_t kEmptyFrameDataLength = kDocumentStartLength + 70;
constexpr std::size_t kTimecodeFlagIndex = kTimecodeByteCount - 1;

}  // namespace

std::uint64_t FrameDataLength(std::int64_t boneCount) noexcept {
  return kEmptyFrameDataLength +
         kFrameBoneLength * static_cast<std::uint64_t>(std::max<std::int64_t>(boneCount, 0));
}

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

EnvelopeResult DecodeFrameData(ByteView bytes, std::string& ipText, FrameDataValues& values) {
  EnvelopeResult envelope = DecodeMotionFormat(bytes, ipText, values.port, BoxType::fram);
  if (envelope) {
    values.frame = FrameHeaderValues{};
    ReadFrameDataBox(envelope.data, values);
  }
  return envelope;
}

void ReadFrameDataBox(ByteView data, FrameDataValues& values) {
  const std::size_t expectedBones = data.size() / kFrameBoneLength + 1;
  values.boneIds.reserve(expectedBones);
  ReserveSequences(values.transforms, expectedBones);
  FrameHeaderValues& frame = values.frame;
  WalkBoxes(data, 0, -1, [&](BoxType type, std::uint64_t payload, std::uint32_t) {
    switch (type) {
      case BoxType::bnid: values.boneIds.push_back(ReadBoneId(data, payload)); return true;
      case BoxType::tran: AppendTransform(data, payload, values.transforms); return true;
      case BoxType::fnum: frame.frameNumber = ReadLittleEndian<int>(data, payload); return true;
      case BoxType::time: frame.time = ReadLittleEndian<float>(data, payload); return true;
      case BoxType::uttm: frame.uttm = ReadLittleEndian<double>(data, payload); return true;
      case BoxType::tmcd:
        for (std::size_t k = 0; k < frame.timecode.size(); ++k) {
          frame.timecode[k] = ReadLittleEndian<unsigned char>(data, payload + k);
        }
        frame.timecode[kTimecodeFlagIndex] = frame.timecode[kTimecodeFlagIndex] != 0 ? 1 : 0;
        return true;
      default: return false;
    }
  });
}

}  // namespace ravuna_motion_format
