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
  if (!read.canonical_) {
    read.ReadGeneral(bytes);
    return read;
  }
  read.accepted_ = true;
  read.sender_ = ReadCanonicalSender(bytes);
  read.boneCount_ = read.canonical_->boneCount;
  if (dataKind == BoxType::fram) {
    read.frame_ = ReadCanonicalFrameHeader(*read.canonical_);
  }
  return read;
}

// Decodes the envelope, then walks the data box once without outputs to take
// the scalars and count the bones.
void BoneDocumentRead::ReadGeneral(ByteView bytes) noexcept {
  const EnvelopeResult envelope = DecodeMotionFormat(bytes, sender_, dataKind_);
  if (!envelope) {
    return;
  }
  accepted_ = true;
  data_ = envelope.data;
  if (dataKind_ == BoxType::fram) {
    FrameDataValues values;
    ReadBoxes<kFrameDataReading>(data_, values);
    frame_ = values.frame;
    boneCount_ = values.bones.ids;
  } else {
    SkeletonDefinitionValues values;
    ReadBoxes<kSkeletonDefinitionReading>(data_, values);
    boneCount_ = values.bones.ids;
  }
}

void BoneDocumentRead::ReadBones(const BoneOutputs& out) const noexcept {
  if (canonical_) {
    if (dataKind_ == BoxType::fram) {
      ReadCanonicalFrameBones(*canonical_, out);
    } else {
      ReadCanonicalSkeletonBones(*canonical_, out);
    }
    return;
  }
  const BoneValues bones{out, boneCount_};
  if (dataKind_ == BoxType::fram) {
    FrameDataValues values{{}, bones};
    ReadBoxes<kFrameDataReading>(data_, values);
    values.bones.FillMissing();
  } else {
    SkeletonDefinitionValues values{bones};
    ReadBoxes<kSkeletonDefinitionReading>(data_, values);
    values.bones.FillMissing();
  }
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
