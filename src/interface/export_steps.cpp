#include "interface/export_steps.h"

namespace ravuna_motion_format {
namespace {

// The per-bone arrays of one parsing call in one block, owned here until
// handed out. Each array gets its own address, also when there are no bones.
class BoneBlock {
 public:
  BoneBlock(std::size_t count, bool withParents) {
    const std::size_t stride = std::max<std::size_t>(count, 1) * sizeof(int);
    block_.reset(new unsigned char[(withParents ? 9 : 8) * stride]);
    unsigned char* at = block_.get();
    const auto next = [&at, stride]() { return std::exchange(at, at + stride); };
    outputs_.boneIds = reinterpret_cast<int*>(next());
    if (withParents) {
      outputs_.parentBoneIds = reinterpret_cast<int*>(next());
    }
    for (float*& transform : outputs_.transforms) {
      transform = reinterpret_cast<float*>(next());
    }
  }

  const BoneOutputs& outputs() const noexcept { return outputs_; }
  std::unique_ptr<unsigned char[]> Release() noexcept { return std::move(block_); }

 private:
  std::unique_ptr<unsigned char[]> block_;
  BoneOutputs outputs_;
};

}  // namespace

bool HandOutBones(const BoneDocumentRead& read, std::uint64_t* outIpAddress, std::uint32_t* outPort,
                  int* outBoneCount, const HandedOutBoneArrays& out) {
  if (!read.accepted()) {
    *outIpAddress = 0;
    return false;
  }
  BoneBlock block(read.boneCount(), out.parentBoneIds != nullptr);
  const BoneOutputs arrays = block.outputs();
  read.ReadBones(arrays);
  MotionSerializer::Instance().HandOut(block.Release());
  WriteSender(read.sender(), outIpAddress, outPort);
  *outBoneCount = static_cast<int>(read.boneCount());
  *out.boneIds = arrays.boneIds;
  if (out.parentBoneIds != nullptr) {
    *out.parentBoneIds = arrays.parentBoneIds;
  }
  for (std::size_t k = 0; k < arrays.transforms.size(); ++k) {
    *out.transforms[k] = arrays.transforms[k];
  }
  return true;
}

bool ReadBonesInto(const BoneDocumentRead& read, int capacity, const BoneOutputs& arrays,
                   std::uint64_t* outIpAddress, std::uint32_t* outPort,
                   int* outBoneCount) noexcept {
  if (!read.accepted()) {
    return false;
  }
  *outBoneCount = static_cast<int>(read.boneCount());
  if (capacity < 0 || read.boneCount() > static_cast<std::size_t>(capacity)) {
    return false;
  }
  read.ReadBones(arrays);
  WriteSender(read.sender(), outIpAddress, outPort);
  return true;
}

bool RefusesBoneArrays(int capacity, const BoneOutputs& arrays, bool withParents) noexcept {
  return capacity > 0 &&
         (arrays.boneIds == nullptr || (withParents && arrays.parentBoneIds == nullptr) ||
          std::find(arrays.transforms.begin(), arrays.transforms.end(), nullptr) !=
              arrays.transforms.end());
}

void WriteSensorValues(const SensorDataValues& values, double* outUttm, int* outSensorJointIndex,
                       const std::array<float*, kTransformFloatCount>& outSensorValues) noexcept {
  *outUttm = values.uttm;
  if (values.sensorJointIndex) {
    *outSensorJointIndex = *values.sensorJointIndex;
  }
  if (values.sensorValues) {
    for (std::size_t k = 0; k < outSensorValues.size(); ++k) {
      *outSensorValues[k] = (*values.sensorValues)[k];
    }
  }
}

char* NewText(std::string_view text) {
  char* copy = new char[text.size() + 1];
  std::copy(text.begin(), text.end(), copy);  // an empty view may have no address
  copy[text.size()] = '\0';
  return copy;
}

}  // namespace ravuna_motion_format
