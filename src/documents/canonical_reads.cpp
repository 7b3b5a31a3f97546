#include "documents/canonical_reads.h"

#include <cstring>

#include "documents/document_layout.h"

namespace ravuna_motion_format {
namespace {

bool HasHeader(const std::uint8_t* at, std::uint64_t size, std::string_view code) noexcept {
  return size <= 0xFFFFFFFFU &&
         LoadLittleEndian<std::uint64_t>(at) == PackHeader(static_cast<std::uint32_t>(size), code);
}

// The box laid out at `place` within the piece starting at `piece`.
bool HasBox(const std::uint8_t* piece, const BoxPlace& place, std::string_view code) noexcept {
  return HasHeader(piece + place.offset, place.size, code);
}

// The head and sndf boxes as the writers make them, version included.
bool HasCanonicalStart(ByteView bytes) noexcept {
  using namespace document_start;
  if (bytes.size() < kLength) {
    return false;
  }
  const std::uint8_t* at = bytes.data();
  return HasBox(at, kHead, "head") && HasBox(at, kFormatType, "ftyp") &&
         std::memcmp(at + kFormatType.Value(), kFormatTypeText.data(), kFormatTypeText.size()) ==
             0 &&
         HasBox(at, kVersion, "vrsn") && at[kVersion.Value()] == kCurrentDataVersion &&
         HasBox(at, kSenderDefinition, "sndf") && HasBox(at, kAddress, "ipad") &&
         HasBox(at, kPort, "rcvp");
}

// The bones of a data box whose bone container's size field says
// `boneBytes`, each of `boneLength` bytes: their count, when the bytes of a
// document of `emptyLength` bytes plus the bones hold them all.
std::optional<std::size_t> BoneCountOf(ByteView bytes, std::uint64_t emptyLength,
                                       std::uint64_t boneBytes, std::uint64_t boneLength) noexcept {
  if (boneBytes % boneLength != 0 || emptyLength + boneBytes > bytes.size()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(boneBytes / boneLength);
}

void ReadTransformAt(const std::uint8_t* at, const BoneOutputs& out, std::size_t bone) noexcept {
  for (std::size_t k = 0; k < out.transforms.size(); ++k) {
    out.transforms[k][bone] = LoadLittleEndian<float>(at + sizeof(float) * k);
  }
}

// The data box after a canonical start, and the size field at `sizeOffset`
// within it.
std::uint64_t SizeFieldAt(ByteView bytes, std::uint64_t sizeOffset) noexcept {
  return LoadLittleEndian<std::uint32_t>(bytes.data() + document_start::kLength + sizeOffset);
}

}  // namespace

SenderValues ReadCanonicalSender(ByteView bytes) noexcept {
  SenderValues sender;
  sender.packedAddress =
      LoadLittleEndian<std::uint64_t>(bytes.data() + document_start::kAddress.Value()) %
      kPackedAddressModulus;
  sender.port = LoadLittleEndian<std::uint16_t>(bytes.data() + document_start::kPort.Value());
  sender.hasAddress = true;
  sender.hasPort = true;
  return sender;
}

std::optional<CanonicalBones> MatchCanonicalSkeletonDefinition(ByteView bytes) noexcept {
  using namespace skeleton_bone;
  if (!HasCanonicalStart(bytes) || bytes.size() < SkeletonDefinitionLength(0)) {
    return std::nullopt;
  }
  const std::uint64_t boneBytes = SizeFieldAt(bytes, skeleton_data::kBonesHeader);
  const std::optional<std::size_t> count =
      BoneCountOf(bytes, SkeletonDefinitionLength(0), boneBytes, kLength);
  const std::uint8_t* data = bytes.data() + document_start::kLength;
  if (!count ||
      !HasHeader(data, skeleton_data::kEmptyLength - kBoxHeaderSize + boneBytes, "skdf") ||
      !HasHeader(data + skeleton_data::kBonesHeader, boneBytes, "bons")) {
    return std::nullopt;
  }
  const std::uint8_t* bone = data + skeleton_data::kFirstBone;
  for (std::size_t i = 0; i < *count; ++i, bone += kLength) {
    if (!HasBox(bone, kBone, "bndt") || !HasBox(bone, kId, "bnid") ||
        !HasBox(bone, kParentId, "pbid") || !HasBox(bone, kTransform, "tran")) {
      return std::nullopt;
    }
  }
  return CanonicalBones{data, *count};
}

void ReadCanonicalSkeletonBones(const CanonicalBones& document, const BoneOutputs& out) noexcept {
  using namespace skeleton_bone;
  const std::uint8_t* bone = document.data + skeleton_data::kFirstBone;
  for (std::size_t i = 0; i < document.boneCount; ++i, bone += kLength) {
    out.boneIds[i] = LoadLittleEndian<std::int16_t>(bone + kId.Value());
    out.parentBoneIds[i] = LoadLittleEndian<std::int16_t>(bone + kParentId.Value());
    ReadTransformAt(bone + kTransform.Value(), out, i);
  }
}

std::optional<CanonicalBones> MatchCanonicalFrameData(ByteView bytes) noexcept {
  using namespace frame_data;
  if (!HasCanonicalStart(bytes) || bytes.size() < FrameDataLength(0)) {
    return std::nullopt;
  }
  const std::uint64_t boneBytes = SizeFieldAt(bytes, kBonesHeader);
  const std::optional<std::size_t> count =
      BoneCountOf(bytes, FrameDataLength(0), boneBytes, frame_bone::kLength);
  const std::uint8_t* data = bytes.data() + document_start::kLength;
  if (!count || !HasHeader(data, kEmptyLength - kBoxHeaderSize + boneBytes, "fram") ||
      !HasBox(data, kFrameNumber, "fnum") || !HasBox(data, kTime, "time") ||
      !HasBox(data, kUttm, "uttm") || !HasBox(data, kTimecode, "tmcd") ||
      !HasHeader(data + kBonesHeader, boneBytes, "btrs")) {
    return std::nullopt;
  }
  const std::uint8_t* bone = data + kFirstBone;
  for (std::size_t i = 0; i < *count; ++i, bone += frame_bone::kLength) {
    if (!HasBox(bone, frame_bone::kBone, "btdt") || !HasBox(bone, frame_bone::kId, "bnid") ||
        !HasBox(bone, frame_bone::kTransform, "tran")) {
      return std::nullopt;
    }
  }
  return CanonicalBones{data, *count};
}

FrameHeaderValues ReadCanonicalFrameHeader(const CanonicalBones& document) noexcept {
  using namespace frame_data;
  const std::uint8_t* data = document.data;
  FrameHeaderValues frame;
  frame.frameNumber = LoadLittleEndian<int>(data + kFrameNumber.Value());
  frame.time = LoadLittleEndian<float>(data + kTime.Value());
  frame.uttm = LoadLittleEndian<double>(data + kUttm.Value());
  std::memcpy(frame.timecode.data(), data + kTimecode.Value(), kTimecodeByteCount);
  frame.timecode[kTimecodeFlagIndex] = frame.timecode[kTimecodeFlagIndex] != 0 ? 1 : 0;
  return frame;
}

void ReadCanonicalFrameBones(const CanonicalBones& document, const BoneOutputs& out) noexcept {
  using namespace frame_bone;
  const std::uint8_t* bone = document.data + frame_data::kFirstBone;
  for (std::size_t i = 0; i < document.boneCount; ++i, bone += kLength) {
    out.boneIds[i] = LoadLittleEndian<std::int16_t>(bone + kId.Value());
    ReadTransformAt(bone + kTransform.Value(), out, i);
  }
}

std::optional<SensorDataValues> MatchCanonicalSensorData(ByteView bytes) noexcept {
  using namespace sensor_data;
  if (!HasCanonicalStart(bytes) || bytes.size() < SensorDataLength(0, 0)) {
    return std::nullopt;
  }
  const std::uint64_t a = SizeFieldAt(bytes, kAddressHeader);
  if (SensorDataLength(a, 0) > bytes.size()) {
    return std::nullopt;
  }
  const std::uint64_t b = SizeFieldAt(bytes, kAddressText + a);
  if (SensorDataLength(a, b) > bytes.size()) {
    return std::nullopt;
  }
  const std::uint8_t* data = bytes.data() + document_start::kLength;
  const std::uint8_t* nameHeader = data + kAddressText + a;
  const std::uint8_t* tail = nameHeader + kNameText + b;
  if (!HasHeader(data, kEmptyLength - kBoxHeaderSize + a + b, "sndt") ||
      !HasBox(data, kUttm, "uttm") || !HasHeader(data + kAddressHeader, a, "snad") ||
      !HasHeader(nameHeader, b, "snnm") || !HasBox(tail, kJointIndex, "snji") ||
      !HasBox(tail, kValues, "snvl")) {
    return std::nullopt;
  }
  SensorDataValues values;
  values.uttm = LoadLittleEndian<double>(data + kUttm.Value());
  values.sensorAddress = {reinterpret_cast<const char*>(data + kAddressText), a};
  values.sensorName = {reinterpret_cast<const char*>(nameHeader + kNameText), b};
  values.sensorJointIndex = LoadLittleEndian<int>(tail + kJointIndex.Value());
  SensorValueArray sensorValues{};
  for (std::size_t k = 0; k < sensorValues.size(); ++k) {
    sensorValues[k] = LoadLittleEndian<float>(tail + kValues.Value() + sizeof(float) * k);
  }
  values.sensorValues = sensorValues;
  return values;
}

}  // namespace ravuna_motion_format
