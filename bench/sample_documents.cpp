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

}  // namespace ravuna_bench
