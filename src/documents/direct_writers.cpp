#include "documents/direct_writers.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "box/envelope_decoder.h"
#include "box/little_endian.h"
#include "documents/document_layout.h"

namespace ravuna_motion_format {
namespace {

template <std::size_t N>
constexpr void PutHeader(std::array<std::uint8_t, N>& bytes, std::uint64_t at, std::uint64_t size,
                         std::string_view code) {
  const std::uint64_t header = PackHeader(static_cast<std::uint32_t>(size), code);
  for (std::size_t i = 0; i < kBoxHeaderSize; ++i) {
    bytes[at + i] = static_cast<std::uint8_t>(header >> (8U * i));
  }
}

template <std::size_t N>
constexpr void PutBox(std::array<std::uint8_t, N>& bytes, const BoxPlace& place,
                      std::string_view code) {
  PutHeader(bytes, place.offset, place.size, code);
}

// "head" (format text, version 1) and "sndf" with address and port zero.
constexpr std::array<std::uint8_t, document_start::kLength> MakeDocumentStart() {
  using namespace document_start;
  std::array<std::uint8_t, kLength> start{};
  PutBox(start, kHead, "head");
  PutBox(start, kFormatType, "ftyp");
  for (std::size_t i = 0; i < kFormatTypeText.size(); ++i) {
    start[kFormatType.Value() + i] = static_cast<std::uint8_t>(kFormatTypeText[i]);
  }
  PutBox(start, kVersion, "vrsn");
  start[kVersion.Value()] = kCurrentDataVersion;
  PutBox(start, kSenderDefinition, "sndf");
  PutBox(start, kAddress, "ipad");
  PutBox(start, kPort, "rcvp");
  return start;
}
constexpr std::array<std::uint8_t, document_start::kLength> kDocumentStart = MakeDocumentStart();

// One "bndt" with its headers; the values are filled in per bone.
constexpr std::array<std::uint8_t, skeleton_bone::kLength> MakeSkeletonBone() {
  using namespace skeleton_bone;
  std::array<std::uint8_t, kLength> bone{};
  PutBox(bone, kBone, "bndt");
  PutBox(bone, kId, "bnid");
  PutBox(bone, kParentId, "pbid");
  PutBox(bone, kTransform, "tran");
  return bone;
}
constexpr std::array<std::uint8_t, skeleton_bone::kLength> kSkeletonBone = MakeSkeletonBone();

// One "btdt" with its headers.
constexpr std::array<std::uint8_t, frame_bone::kLength> MakeFrameBone() {
  using namespace frame_bone;
  std::array<std::uint8_t, kLength> bone{};
  PutBox(bone, kBone, "btdt");
  PutBox(bone, kId, "bnid");
  PutBox(bone, kTransform, "tran");
  return bone;
}
constexpr std::array<std::uint8_t, frame_bone::kLength> kFrameBone = MakeFrameBone();

// The head and sndf boxes; returns where the data box starts.
std::uint8_t* WriteDocumentStart(std::uint8_t* out, const Sender& sender) noexcept {
  std::memcpy(out, kDocumentStart.data(), kDocumentStart.size());
  StoreLittleEndian(out + document_start::kAddress.Value(), sender.packedAddress);
  StoreLittleEndian(out + document_start::kPort.Value(), sender.port);
  return out + kDocumentStart.size();
}

void WriteHeader(std::uint8_t* at, std::uint64_t size, std::string_view code) noexcept {
  StoreLittleEndian(at, PackHeader(static_cast<std::uint32_t>(size), code));
}

// The box's header and its value.
template <class T>
void WriteLeaf(std::uint8_t* piece, const BoxPlace& place, std::string_view code,
               T value) noexcept {
  WriteHeader(piece + place.offset, place.size, code);
  StoreLittleEndian(piece + place.Value(), value);
}

void WriteTransform(std::uint8_t* at, const TransformArrays& arrays, std::size_t bone) noexcept {
  for (std::size_t k = 0; k < arrays.rotation.size(); ++k) {
    StoreLittleEndian(at + sizeof(float) * k, arrays.rotation[k][bone]);
  }
  for (std::size_t k = 0; k < arrays.translation.size(); ++k) {
    StoreLittleEndian(at + kTranslationOffset + sizeof(float) * k, arrays.translation[k][bone]);
  }
}

}  // namespace

void WriteSkeletonDefinition(std::uint8_t* out, const Sender& sender, int boneCount,
                             const int* boneIds, const int* parentBoneIds,
                             const TransformArrays& transforms) noexcept {
  using namespace skeleton_bone;
  const std::uint64_t bones = BonesOf(boneCount);
  std::uint8_t* data = WriteDocumentStart(out, sender);
  WriteHeader(data, skeleton_data::kEmptyLength - kBoxHeaderSize + kLength * bones, "skdf");
  WriteHeader(data + skeleton_data::kBonesHeader, kLength * bones, "bons");
  std::uint8_t* at = data + skeleton_data::kFirstBone;
  for (std::size_t i = 0; i < bones; ++i, at += kLength) {
    std::memcpy(at, kSkeletonBone.data(), kLength);
    StoreLittleEndian(at + kId.Value(), static_cast<std::uint16_t>(boneIds[i]));
    StoreLittleEndian(at + kParentId.Value(), static_cast<std::uint16_t>(parentBoneIds[i]));
    WriteTransform(at + kTransform.Value(), transforms, i);
  }
}

void WriteFrameData(std::uint8_t* out, const Sender& sender, const FrameHeaderValues& frame,
                    int boneCount, const int* boneIds, const TransformArrays& transforms) noexcept {
  using namespace frame_data;
  const std::uint64_t bones = BonesOf(boneCount);
  std::uint8_t* data = WriteDocumentStart(out, sender);
  WriteHeader(data, kEmptyLength - kBoxHeaderSize + frame_bone::kLength * bones, "fram");
  WriteLeaf(data, kFrameNumber, "fnum", frame.frameNumber);
  WriteLeaf(data, kTime, "time", frame.time);
  WriteLeaf(data, kUttm, "uttm", frame.uttm);
  WriteHeader(data + kTimecode.offset, kTimecode.size, "tmcd");
  std::memcpy(data + kTimecode.Value(), frame.timecode.data(), kTimecodeByteCount);
  WriteHeader(data + kBonesHeader, frame_bone::kLength * bones, "btrs");
  std::uint8_t* at = data + kFirstBone;
  for (std::size_t i = 0; i < bones; ++i, at += frame_bone::kLength) {
    std::memcpy(at, kFrameBone.data(), frame_bone::kLength);
    StoreLittleEndian(at + frame_bone::kId.Value(), static_cast<std::uint16_t>(boneIds[i]));
    WriteTransform(at + frame_bone::kTransform.Value(), transforms, i);
  }
}

void WriteSensorData(std::uint8_t* out, const Sender& sender, double uttm,
                     std::string_view sensorAddress, std::string_view sensorName,
                     int sensorJointIndex, const SensorValueArray& sensorValues) noexcept {
  using namespace sensor_data;
  const std::size_t a = sensorAddress.size();
  const std::size_t b = sensorName.size();
  std::uint8_t* data = WriteDocumentStart(out, sender);
  WriteHeader(data, kEmptyLength - kBoxHeaderSize + a + b, "sndt");
  WriteLeaf(data, kUttm, "uttm", uttm);
  WriteHeader(data + kAddressHeader, a, "snad");
  std::memcpy(data + kAddressText, sensorAddress.data(), a);
  std::uint8_t* nameHeader = data + kAddressText + a;
  WriteHeader(nameHeader, b, "snnm");
  std::memcpy(nameHeader + kNameText, sensorName.data(), b);
  std::uint8_t* tail = nameHeader + kNameText + b;
  WriteLeaf(tail, kJointIndex, "snji", sensorJointIndex);
  WriteHeader(tail + kValues.offset, kValues.size, "snvl");
  for (std::size_t k = 0; k < sensorValues.size(); ++k) {
    StoreLittleEndian(tail + kValues.Value() + sizeof(float) * k, sensorValues[k]);
  }
}

}  // namespace ravuna_motion_format
