#include "sample_documents.h"

#include <stdexcept>

namespace ravuna_bench {
namespace {

template <class Record>
Bytes Document(const Record& record) {
  calls::HandedOutDocument out;
  if (!calls::EncodeHandedOut(kSender, record, out) || out.size <= 0) {
    throw std::runtime_error("encoding a benchmark input failed");
  }
  return out.Copy();
}

}  // namespace

BoneInputs::BoneInputs(int boneCount) {
  calls::Bones& bones = skeleton.bones;
  bones.Resize(boneCount);
  for (std::size_t i = 0; i < bones.ids.size(); ++i) {
    bones.ids[i] = static_cast<int>(i);
    bones.parentIds[i] = static_cast<int>(i) - 1;
    for (std::size_t k = 0; k < bones.transforms.size(); ++k) {
      bones.transforms[k][i] = 0.25F * static_cast<float>(i) + static_cast<float>(k);
    }
  }
  frame.frameNumber = 1234;
  frame.time = 41.125F;
  frame.uttm = 1.7e9;
  frame.timecode = {10, 20, 30, 12, 1};
  frame.timecodeFlag = true;
  frame.bones = bones;
}

calls::SensorData SensorInputs(std::size_t textLength) {
  calls::SensorData sensor;
  sensor.uttm = 1.7e9;
  sensor.sensorAddress.assign(textLength, 'a');
  sensor.sensorName.assign(textLength, 'n');
  sensor.sensorJointIndex = 7;
  sensor.sensorValues = {0.5F, 1.5F, 2.5F, 3.5F, 4.5F, 5.5F, 6.5F};
  return sensor;
}

Bytes SkeletonDocument(const BoneInputs& bones) { return Document(bones.skeleton); }

Bytes FrameDocument(const BoneInputs& bones) { return Document(bones.frame); }

Bytes SensorDocument(const calls::SensorData& sensor) { return Document(sensor); }

calls::Parsed<calls::SkeletonDefinition> SkeletonArrays(int capacity) {
  calls::Parsed<calls::SkeletonDefinition> out;
  out.values.bones.Resize(capacity);
  return out;
}

calls::Parsed<calls::FrameData> FrameArrays(int capacity) {
  calls::Parsed<calls::FrameData> out;
  out.values.bones.Resize(capacity);
  return out;
}

calls::Parsed<calls::SensorData> SensorTexts(std::size_t textLength) {
  calls::Parsed<calls::SensorData> out;
  out.values.sensorAddress.assign(textLength, '\0');
  out.values.sensorName.assign(textLength, '\0');
  return out;
}

}  // namespace ravuna_bench
