#include "documents/canonical_reads.h"

#include <algorithm>
#include <cstring>

#include "documents/document_layout.h"
#include "documents/skeleton_definition.h"

namespace ravuna_motion_format {
namespace {

// The general walk's packed address wraps at 10^12 (four parts of 1000).
constexpr std::uint64_t kPackedAddressModulus = 1000000000000U;

bool HasHeader(const std::uint8_t* at, std::uint64_t size, std::string_view code) noexcept {
  return size <= 0xFFFFFFFFU &&
         LoadLittleEndian<std::uint64_t>(at) == PackHeader(static_cast<std::uint32_t>(size), code);
}

// The head and sndf boxes as the writers make them, version included.
bool HasCanonicalStart(ByteView bytes) noexcept {
  if (bytes.size() < kDocumentStartLength) {
    return false;
  }
  const std::uint8_t* at = bytes.data();
  return HasHeader(at, 35, "head") && HasHeader(at + 8, kFormatTypeText.size(), "ftyp") &&
         std::memcmp(at + 16, kFormatTypeText.data(), kFormatTypeText.size()) == 0 &&
         HasHeader(at + 34, 1, "vrsn") && at[42] == kCurrentDataVersion &&
         HasHeader(at + 43, 26, "sndf") && HasHeader(at + 51, 8, "ipad") &&
         HasHeader(at + 67, 2, "rcvp");
}

template <class Document>
void ReadSender(ByteView bytes, Document& document) noexcept {
  document.packedAddress =
      LoadLittleEndian<std::uint64_t>(bytes.data() + kSenderAddressOffset) % kPackedAddressModulus;
  document.port = LoadLittleEndian<std::uint16_t>(bytes.data() + kSenderPortOffset);
}

// The bones of a data box whose size field says `boneBytes` bytes of bones
// start at `firstBone`, each of `boneLength` bytes: their count, when the
// bytes hold them all.
std::optional<std::size_t> BoneCountOf(ByteView bytes, std::uint64_t firstBone,
                                       std::uint64_t boneBytes, std::uint64_t boneLength) noexcept {
  if (boneBytes % boneLength != 0 || firstBone + boneBytes > bytes.size()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(boneBytes / boneLength);
}

void ReadTransformAt(const std::uint8_t* at, const BoneOutputs& out, std::size_t bone) noexcept {
  for (std::size_t k = 0; k < out.transforms.size(); ++k) {
    out.transforms[k][bone] = LoadLittleEndian<float>(at + 4 * k);
  }
}

CanonicalBones RecognisedBones(ByteView bytes, const std::uint8_t* data,
                               std::size_t boneCount) noexcept {
  CanonicalBones document;
  ReadSender(bytes, document);
  document.boneCount = boneCount;
  document.data = data;
  return document;
}

}  // namespace

std::optional<CanonicalBones> MatchCanonicalSkeletonDefinition(ByteView bytes) noexcept {
  if (!HasCanonicalStart(bytes) || bytes.size() < SkeletonDefinitionLength(0)) {
    return std::nullopt;
  }
  const std::uint8_t* data = bytes.data() + kDocumentStartLength;
  const std::uint64_t boneBytes = LoadLittleEndian<std::uint32_t>(data + 8);
  const std::optional<std::size_t> count =
      BoneCountOf(bytes, SkeletonDefinitionLength(0), boneBytes, kSkeletonBoneLength);
  if (!count || !HasHeader(data, 8 + boneBytes, "skdf") ||
      !HasHeader(data + 8, boneBytes, "bons")) {
    return std::nullopt;
  }
  const std::uint8_t* bone = data + 16;
  for (std::size_t i = 0; i < *count; ++i, bone += kSkeletonBoneLength) {
    if (!HasHeader(bone, 56, "bndt") || !HasHeader(bone + 8, 2, "bnid") ||
        !HasHeader(bone + 18, 2, "pbid") || !HasHeader(bone + 28, 28, "tran")) {
      return std::nullopt;
    }
  }
  return RecognisedBones(bytes, data, *count);
}

void ReadCanonicalSkeletonBones(const CanonicalBones& document, const BoneOutputs& out) noexcept {
  const std::uint8_t* bone = document.data + 16;
  for (std::size_t i = 0; i < document.boneCount; ++i, bone += kSkeletonBoneLength) {
    out.boneIds[i] = LoadLittleEndian<std::int16_t>(bone + 16);
    out.parentBoneIds[i] = LoadLittleEndian<std::int16_t>(bone + 26);
    ReadTransformAt(bone + 36, out, i);
  }
}

std::optional<CanonicalBones> MatchCanonicalFrameData(ByteView bytes) noexcept {
  if (!HasCanonicalStart(bytes) || bytes.size() < FrameDataLength(0)) {
    return std::nullopt;
  }
  const std::uint8_t* data = bytes.data() + kDocumentStartLength;
  const std::uint64_t boneBytes = LoadLittleEndian<std::uint32_t>(data + 62);
  const std::optional<std::size_t> count =
      BoneCountOf(bytes, FrameDataLength(0), boneBytes, kFrameBoneLength);
  if (!count || !HasHeader(data, 62 + boneBytes, "fram") || !HasHeader(data + 8, 4, "fnum") ||
      !HasHeader(data + 20, 4, "time") || !HasHeader(data + 32, 8, "uttm") ||
      !HasHeader(data + 48, kTimecodeByteCount, "tmcd") ||
      !HasHeader(data + 62, boneBytes, "btrs")) {
    return std::nullopt;
  }
  const std::uint8_t* bone = data + 70;
  for (std::size_t i = 0; i < *count; ++i, bone += kFrameBoneLength) {
    if (!HasHeader(bone, 46, "btdt") || !HasHeader(bone + 8, 2, "bnid") ||
        !HasHeader(bone + 18, 28, "tran")) {
      return std::nullopt;
    }
  }
  return RecognisedBones(bytes, data, *count);
}

FrameHeaderValues ReadCanonicalFrameHeader(const CanonicalBones& document) noexcept {
  const std::uint8_t* data = document.data;
  FrameHeaderValues frame;
  frame.frameNumber = LoadLittleEndian<int>(data + 16);
  frame.time = LoadLittleEndian<float>(data + 28);
  frame.uttm = LoadLittleEndian<double>(data + 40);
  std::memcpy(frame.timecode.data(), data + 56, kTimecodeByteCount);
  frame.timecode.back() = frame.timecode.back() != 0 ? 1 : 0;
  return frame;
}

void ReadCanonicalFrameBones(const CanonicalBones& document, const BoneOutputs& out) noexcept {
  const std::uint8_t* bone = document.data + 70;
  for (std::size_t i = 0; i < document.boneCount; ++i, bone += kFrameBoneLength) {
    out.boneIds[i] = LoadLittleEndian<std::int16_t>(bone + 16);
    ReadTransformAt(bone + 26, out, i);
  }
}

std::optional<CanonicalSensorData> MatchCanonicalSensorData(ByteView bytes) noexcept {
  if (!HasCanonicalStart(bytes) || bytes.size() < SensorDataLength(0, 0)) {
    return std::nullopt;
  }
  const std::uint8_t* data = bytes.data() + kDocumentStartLength;
  const std::uint64_t a = LoadLittleEndian<std::uint32_t>(data + 24);
  if (SensorDataLength(a, 0) > bytes.size()) {
    return std::nullopt;
  }
  const std::uint64_t b = LoadLittleEndian<std::uint32_t>(data + 32 + a);
  if (SensorDataLength(a, b) > bytes.size()) {
    return std::nullopt;
  }
  const std::uint8_t* tail = data + 40 + a + b;
  if (!HasHeader(data, 80 + a + b, "sndt") || !HasHeader(data + 8, 8, "uttm") ||
      !HasHeader(data + 24, a, "snad") || !HasHeader(data + 32 + a, b, "snnm") ||
      !HasHeader(tail, 4, "snji") || !HasHeader(tail + 12, 28, "snvl")) {
    return std::nullopt;
  }
  CanonicalSensorData document;
  ReadSender(bytes, document);
  document.uttm = LoadLittleEndian<double>(data + 16);
  document.sensorAddress = {reinterpret_cast<const char*>(data + 32), a};
  document.sensorName = {reinterpret_cast<const char*>(data + 40 + a), b};
  document.sensorJointIndex = LoadLittleEndian<int>(tail + 8);
  for (std::size_t k = 0; k < document.sensorValues.size(); ++k) {
    document.sensorValues[k] = LoadLittleEndian<float>(tail + 20 + 4 * k);
  }
  return document;
}

}  // namespace ravuna_motion_format
