#include "documents/direct_writers.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "box/little_endian.h"
#include "documents/document_layout.h"

namespace ravuna_motion_format {
namespace {

template <std::size_t N>
constexpr void PutHeader(std::array<std::uint8_t, N>& bytes, std::size_t at, std::uint32_t size,
                         std::string_view code) {
  const std::uint64_t header = PackHeader(size, code);
  for (std::size_t i = 0; i < 8; ++i) {
    bytes[at + i] = static_cast<std::uint8_t>(header >> (8U * i));
  }
}

// "head" (format text, version 1) and "sndf" with address and port zero.
constexpr std::array<std::uint8_t, kDocumentStartLength> MakeDocumentStart() {
  std::array<std::uint8_t, kDocumentStartLength> start{};
  PutHeader(start, 0, 35, "head");
  PutHeader(start, 8, static_cast<std::uint32_t>(kFormatTypeText.size()), "ftyp");
  for (std::size_t i = 0; i < kFormatTypeText.size(); ++i) {
    start[16 + i] = static_cast<std::uint8_t>(kFormatTypeText[i]);
  }
  PutHeader(start, 34, 1, "vrsn");
  start[42] = kCurrentDataVersion;
  PutHeader(start, 43, 26, "sndf");
  PutHeader(start, 51, 8, "ipad");
  PutHeader(start, 67, 2, "rcvp");
  return start;
}
constexpr std::array<std::uint8_t, kDocumentStartLength> kDocumentStart = MakeDocumentStart();

// One "bndt": "bnid" at 16, "pbid" at 26, "tran" floats at 36.
constexpr std::array<std::uint8_t, kSkeletonBoneLength> MakeSkeletonBone() {
  std::array<std::uint8_t, kSkeletonBoneLength> bone{};
  PutHeader(bone, 0, 56, "bndt");
  PutHeader(bone, 8, 2, "bnid");
  PutHeader(bone, 18, 2, "pbid");
  PutHeader(bone, 28, 28, "tran");
  return bone;
}
constexpr std::array<std::uint8_t, kSkeletonBoneLength> kSkeletonBone = MakeSkeletonBone();

// One "btdt": "bnid" at 16, "tran" floats at 26.
constexpr std::array<std::uint8_t, kFrameBoneLength> MakeFrameBone() {
  std::array<std::uint8_t, kFrameBoneLength> bone{};
  PutHeader(bone, 0, 46, "btdt");
  PutHeader(bone, 8, 2, "bnid");
  PutHeader(bone, 18, 28, "tran");
  return bone;
}
constexpr std::array<std::uint8_t, kFrameBoneLength> kFrameBone = MakeFrameBone();

// The head and sndf boxes; returns where the data box starts.
std::uint8_t* WriteDocumentStart(std::uint8_t* out, const Sender& sender) noexcept {
  std::memcpy(out, kDocumentStart.data(), kDocumentStartLength);
  StoreLittleEndian(out + kSenderAddressOffset, sender.packedAddress);
  StoreLittleEndian(out + kSenderPortOffset, sender.port);
  return out + kDocumentStartLength;
}

void WriteHeader(std::uint8_t* at, std::uint64_t size, std::string_view code) noexcept {
  StoreLittleEndian(at, PackHeader(static_cast<std::uint32_t>(size), code));
}

void WriteTransform(std::uint8_t* at, const TransformArrays& arrays, std::size_t bone) noexcept {
  for (std::size_t k = 0; k < 4; ++k) {
    StoreLittleEndian(at + 4 * k, arrays.rotation[k][bone]);
  }
  for (std::size_t k = 0; k < 3; ++k) {
    StoreLittleEndian(at + 16 + 4 * k, arrays.translation[k][bone]);
  }
}

std::size_t BoneCount(int boneCount) noexcept {
  return static_cast<std::size_t>(std::max(boneCount, 0));
}

}  // namespace

void WriteSkeletonDefinition(std::uint8_t* out, const Sender& sender, int boneCount,
                             const int* boneIds, const int* parentBoneIds,
                             const TransformArrays& transforms) noexcept {
  const std::size_t bones = BoneCount(boneCount);
  std::uint8_t* at = WriteDocumentStart(out, sender);
  WriteHeader(at, 8 + kSkeletonBone.size() * bones, "skdf");
  WriteHeader(at + 8, kSkeletonBone.size() * bones, "bons");
  at += 16;
  for (std::size_t i = 0; i < bones; ++i, at += kSkeletonBone.size()) {
    std::memcpy(at, kSkeletonBone.data(), kSkeletonBone.size());
    StoreLittleEndian(at + 16, static_cast<std::uint16_t>(boneIds[i]));
    StoreLittleEndian(at + 26, static_cast<std::uint16_t>(parentBoneIds[i]));
    WriteTransform(at + 36, transforms, i);
  }
}

void WriteFrameData(std::uint8_t* out, const Sender& sender, const FrameHeaderValues& frame,
                    int boneCount, const int* boneIds, const TransformArrays& transforms) noexcept {
  const std::size_t bones = BoneCount(boneCount);
  std::uint8_t* at = WriteDocumentStart(out, sender);
  WriteHeader(at, 62 + kFrameBone.size() * bones, "fram");
  WriteHeader(at + 8, 4, "fnum");
  StoreLittleEndian(at + 16, frame.frameNumber);
  WriteHeader(at + 20, 4, "time");
  StoreLittleEndian(at + 28, frame.time);
  WriteHeader(at + 32, 8, "uttm");
  StoreLittleEndian(at + 40, frame.uttm);
  WriteHeader(at + 48, kTimecodeByteCount, "tmcd");
  std::memcpy(at + 56, frame.timecode.data(), kTimecodeByteCount);
  WriteHeader(at + 62, kFrameBone.size() * bones, "btrs");
  at += 70;
  for (std::size_t i = 0; i < bones; ++i, at += kFrameBone.size()) {
    std::memcpy(at, kFrameBone.data(), kFrameBone.size());
    StoreLittleEndian(at + 16, static_cast<std::uint16_t>(boneIds[i]));
    WriteTransform(at + 26, transforms, i);
  }
}

void WriteSensorData(std::uint8_t* out, const Sender& sender, double uttm,
                     std::string_view sensorAddress, std::string_view sensorName,
                     int sensorJointIndex, const SensorValueArray& sensorValues) noexcept {
  const std::size_t a = sensorAddress.size();
  const std::size_t b = sensorName.size();
  std::uint8_t* at = WriteDocumentStart(out, sender);
  WriteHeader(at, 80 + a + b, "sndt");
  WriteHeader(at + 8, 8, "uttm");
  StoreLittleEndian(at + 16, uttm);
  WriteHeader(at + 24, a, "snad");
  std::memcpy(at + 32, sensorAddress.data(), a);
  at += 32 + a;
  WriteHeader(at, b, "snnm");
  std::memcpy(at + 8, sensorName.data(), b);
  at += 8 + b;
  WriteHeader(at, 4, "snji");
  StoreLittleEndian(at + 8, sensorJointIndex);
  WriteHeader(at + 12, 28, "snvl");
  for (std::size_t k = 0; k < sensorValues.size(); ++k) {
    StoreLittleEndian(at + 20 + 4 * k, sensorValues[k]);
  }
}

}  // namespace ravuna_motion_format
