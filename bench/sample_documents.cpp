#include "sample_documents.h"

#include <stdexcept>

#include "ravuna_motion_serializer.h"

namespace ravuna_bench {
namespace {

Bytes CopyDocument(bool encoded, int size, const unsigned char* buffer) {
  if (!encoded || size <= 0) {
    throw std::runtime_error("encoding a benchmark input failed");
  }
  return Bytes(buffer, buffer + size);
}

}  // namespace

BoneInputs::BoneInputs(int boneCount)
    : count(boneCount),
      ids(static_cast<std::size_t>(boneCount)),
      parentIds(static_cast<std::size_t>(boneCount)) {
  for (std::vector<float>& component : transform) {
    component.resize(static_cast<std::size_t>(boneCount));
  }
  for (std::size_t i = 0; i < ids.size(); ++i) {
    ids[i] = static_cast<int>(i);
    parentIds[i] = static_cast<int>(i) - 1;
    for (std::size_t k = 0; k < transform.size(); ++k) {
      transform[k][i] = 0.25F * static_cast<float>(i) + static_cast<float>(k);
    }
  }
}

SensorInputs::SensorInputs(std::size_t textLength)
    : address(textLength, 'a'), name(textLength, 'n') {}

bool EncodeSkeleton(const BoneInputs& bones, int& outSize, unsigned char*& outBuffer) {
  const auto& t = bones.transform;
  return ConvertSkeletonDefinitionToBytes(kSenderIpText, kSenderPort, bones.count, bones.ids.data(),
                                          bones.parentIds.data(), t[0].data(), t[1].data(),
                                          t[2].data(), t[3].data(), t[4].data(), t[5].data(),
                                          t[6].data(), &outSize, &outBuffer);
}

bool EncodeFrame(const BoneInputs& bones, int& outSize, unsigned char*& outBuffer) {
  const auto& t = bones.transform;
  return ConvertFrameDataToBytes(kSenderIpText, kSenderPort, 1234, 41.125F, 1.7e9, 10, 20, 30, 12,
                                 1, true, bones.count, bones.ids.data(), t[0].data(), t[1].data(),
                                 t[2].data(), t[3].data(), t[4].data(), t[5].data(), t[6].data(),
                                 &outSize, &outBuffer);
}

bool EncodeSensor(const SensorInputs& sensor, int& outSize, unsigned char*& outBuffer) {
  return ConvertSensorDataToBytes(kSenderIpText, kSenderPort, 1.7e9, sensor.address.c_str(),
                                  sensor.name.c_str(), 7, 0.5F, 1.5F, 2.5F, 3.5F, 4.5F, 5.5F, 6.5F,
                                  &outSize, &outBuffer);
}

Bytes SkeletonDocument(const BoneInputs& bones) {
  int size = 0;
  unsigned char* buffer = nullptr;
  const bool encoded = EncodeSkeleton(bones, size, buffer);
  return CopyDocument(encoded, size, buffer);
}

Bytes FrameDocument(const BoneInputs& bones) {
  int size = 0;
  unsigned char* buffer = nullptr;
  const bool encoded = EncodeFrame(bones, size, buffer);
  return CopyDocument(encoded, size, buffer);
}

Bytes SensorDocument(const SensorInputs& sensor) {
  int size = 0;
  unsigned char* buffer = nullptr;
  const bool encoded = EncodeSensor(sensor, size, buffer);
  return CopyDocument(encoded, size, buffer);
}

bool ParseSkeleton(const Bytes& document, ParsedBones& out) {
  float** t = &out.transform[0];
  return ConvertBytesToSkeletonDefinition(
      static_cast<int>(document.size()), document.data(), &out.ipAddress, &out.port, &out.boneCount,
      &out.boneIds, &out.parentBoneIds, &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6]);
}

bool ParseFrame(const Bytes& document, ParsedFrame& out) {
  float** t = &out.bones.transform[0];
  unsigned char* tc = out.timecode;
  return ConvertBytesToFrameData(static_cast<int>(document.size()), document.data(),
                                 &out.bones.ipAddress, &out.bones.port, &out.frameNumber, &out.time,
                                 &out.uttm, &tc[0], &tc[1], &tc[2], &tc[3], &tc[4],
                                 &out.timecodeFlag, &out.bones.boneCount, &out.bones.boneIds, &t[0],
                                 &t[1], &t[2], &t[3], &t[4], &t[5], &t[6]);
}

bool ParseSensor(const Bytes& document) {
  std::uint64_t ipAddress = 0;
  std::uint32_t port = 0;
  double uttm = 0.0;
  char* address = nullptr;
  char* name = nullptr;
  int joint = 0;
  float v[7] = {};
  const bool parsed = ConvertBytesToSensorData(static_cast<int>(document.size()), document.data(),
                                               &ipAddress, &port, &uttm, &address, &name, &joint,
                                               &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  ReleaseSensorDataText(address);
  ReleaseSensorDataText(name);
  return parsed;
}

bool EncodeSkeletonToBuffer(const BoneInputs& bones, Bytes& buffer, int& outSize) {
  const auto& t = bones.transform;
  return ConvertSkeletonDefinitionToBuffer(
      kSenderIpText, kSenderPort, bones.count, bones.ids.data(), bones.parentIds.data(),
      t[0].data(), t[1].data(), t[2].data(), t[3].data(), t[4].data(), t[5].data(), t[6].data(),
      static_cast<int>(buffer.size()), buffer.data(), &outSize);
}

bool EncodeFrameToBuffer(const BoneInputs& bones, Bytes& buffer, int& outSize) {
  const auto& t = bones.transform;
  return ConvertFrameDataToBuffer(kSenderIpText, kSenderPort, 1234, 41.125F, 1.7e9, 10, 20, 30, 12,
                                  1, true, bones.count, bones.ids.data(), t[0].data(), t[1].data(),
                                  t[2].data(), t[3].data(), t[4].data(), t[5].data(), t[6].data(),
                                  static_cast<int>(buffer.size()), buffer.data(), &outSize);
}

bool EncodeSensorToBuffer(const SensorInputs& sensor, Bytes& buffer, int& outSize) {
  return ConvertSensorDataToBuffer(kSenderIpText, kSenderPort, 1.7e9, sensor.address.c_str(),
                                   sensor.name.c_str(), 7, 0.5F, 1.5F, 2.5F, 3.5F, 4.5F, 5.5F, 6.5F,
                                   static_cast<int>(buffer.size()), buffer.data(), &outSize);
}

BoneArrays::BoneArrays(int capacity)
    : ids(static_cast<std::size_t>(capacity)), parentIds(static_cast<std::size_t>(capacity)) {
  for (std::vector<float>& component : transform) {
    component.resize(static_cast<std::size_t>(capacity));
  }
}

bool ParseSkeletonArrays(const Bytes& document, BoneArrays& out) {
  auto& t = out.transform;
  return ConvertBytesToSkeletonDefinitionArrays(
      static_cast<int>(document.size()), document.data(), &out.ipAddress, &out.port,
      static_cast<int>(out.ids.size()), out.ids.data(), out.parentIds.data(), t[0].data(),
      t[1].data(), t[2].data(), t[3].data(), t[4].data(), t[5].data(), t[6].data(), &out.boneCount);
}

bool ParseFrameArrays(const Bytes& document, FrameArrays& out) {
  auto& t = out.bones.transform;
  unsigned char* tc = out.timecode;
  return ConvertBytesToFrameDataArrays(
      static_cast<int>(document.size()), document.data(), &out.bones.ipAddress, &out.bones.port,
      &out.frameNumber, &out.time, &out.uttm, &tc[0], &tc[1], &tc[2], &tc[3], &tc[4],
      &out.timecodeFlag, static_cast<int>(out.bones.ids.size()), out.bones.ids.data(), t[0].data(),
      t[1].data(), t[2].data(), t[3].data(), t[4].data(), t[5].data(), t[6].data(),
      &out.bones.boneCount);
}

bool ParseSensorTexts(const Bytes& document, SensorTexts& out) {
  std::uint64_t ipAddress = 0;
  std::uint32_t port = 0;
  double uttm = 0.0;
  int joint = 0;
  float v[7] = {};
  return ConvertBytesToSensorDataTexts(
      static_cast<int>(document.size()), document.data(), &ipAddress, &port, &uttm,
      static_cast<int>(out.address.size()), out.address.data(), &out.addressLength,
      static_cast<int>(out.name.size()), out.name.data(), &out.nameLength, &joint, &v[0], &v[1],
      &v[2], &v[3], &v[4], &v[5], &v[6]);
}

}  // namespace ravuna_bench
