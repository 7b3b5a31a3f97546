#include "documents/document_reads.h"

namespace ravuna_motion_format {

BoneDocumentRead BoneDocumentRead::OfSkeletonDefinition(ByteView bytes, ReadPath path) noexcept {
  return Of(BoxType::skdf, bytes, path);
}

BoneDocumentRead BoneDocumentRead::OfFrameData(ByteView bytes, ReadPath path) noexcept {
  return Of(BoxType::fram, bytes, path);
}

BoneDocumentRead BoneDocumentRead::Of(BoxType dataKind, ByteView bytes, ReadPath path) noexcept {
  BoneDocumentRead read(dataKind);
  if (path == ReadPath::fastOrGeneral) {
    read.canonical_ = dataKind == BoxType::fram ? MatchCanonicalFrameData(bytes)
                                                : MatchCanonicalSkeletonDefinition(bytes);
  }
  if (read.canonical_) {
    read.accepted_ = true;
    read.sender_ = ReadCanonicalSender(bytes);
    if (dataKind == BoxType::fram) {
      read.frame_ = ReadCanonicalFrameHeader(*read.canonical_);
    }
    return read;
  }
  const EnvelopeResult envelope = DecodeMotionFormat(bytes, read.sender_, dataKind);
  read.accepted_ = static_cast<bool>(envelope);
  read.data_ = envelope.data;
  return read;
}

std::size_t BoneDocumentRead::CountBones() const noexcept {
  if (canonical_) {
    return canonical_->boneCount;
  }
  // Bone i is the i-th "bnid" the general read meets.
  struct IdCounter : BoxWalkReader {
    std::size_t ids = 0;
    void Leaf(const WalkedBox& box) noexcept { ids += box.header.type == BoxType::bnid ? 1 : 0; }
  } counter;
  WalkBoxes(data_, counter);
  return counter.ids;
}

std::size_t BoneDocumentRead::ExpectedBones() const noexcept {
  if (canonical_) {
    return canonical_->boneCount;
  }
  const std::uint64_t boneLength =
      dataKind_ == BoxType::fram ? frame_bone::kLength : skeleton_bone::kLength;
  return static_cast<std::size_t>(data_.size() / boneLength + 1);
}

std::size_t BoneDocumentRead::ReadBones(const BoneOutputs& out, std::size_t capacity) noexcept {
  if (canonical_) {
    if (canonical_->boneCount <= capacity) {
      if (dataKind_ == BoxType::fram) {
        ReadCanonicalFrameBones(*canonical_, out);
      } else {
        ReadCanonicalSkeletonBones(*canonical_, out);
      }
    }
    return canonical_->boneCount;
  }
  const BoneValues bones{out, capacity};
  if (dataKind_ == BoxType::fram) {
    FrameDataValues values{{}, bones};
    ReadBoxes<kFrameDataReading>(data_, values);
    values.bones.FillMissing();
    frame_ = values.frame;
    return values.bones.ids;
  }
  SkeletonDefinitionValues values{bones};
  ReadBoxes<kSkeletonDefinitionReading>(data_, values);
  values.bones.FillMissing();
  return values.bones.ids;
}

SensorDataRead ReadSensorData(ByteView bytes, ReadPath path) noexcept {
  SensorDataRead read;
  if (path == ReadPath::fastOrGeneral) {
    if (std::optional<SensorDataValues> canonical = MatchCanonicalSensorData(bytes)) {
      read.accepted = true;
      read.sender = ReadCanonicalSender(bytes);
      read.values = *canonical;
      return read;
    }
  }
  const EnvelopeResult envelope = DecodeMotionFormat(bytes, read.sender, BoxType::sndt);
  if (envelope) {
    read.accepted = true;
    ReadBoxes<kSensorDataReading>(envelope.data, read.values);
  }
  return read;
}

}  // namespace ravuna_motion_format
