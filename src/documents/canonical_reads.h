// The fast read: documents laid out exactly as the writers lay them out,
// recognised by checking every box header in place (size and code). A
// document that differs anywhere is not recognised here, and the general walk
// reads it; for a recognised one both reads give the same values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "box/box_reader.h"
#include "documents/frame_data.h"
#include "documents/sensor_data.h"

namespace ravuna_motion_format {

// Where to put the per-bone values: one array per component.
struct BoneOutputs {
  int* boneIds = nullptr;
  int* parentBoneIds = nullptr;  // skeleton definitions only
  std::array<float*, kTransformFloatCount> transforms{};
};

// A recognised skeleton definition or frame: its sender, as the general walk
// hands it out (address modulo 10^12), and its bones.
struct CanonicalBones {
  std::uint64_t packedAddress = 0;
  std::uint32_t port = 0;
  std::size_t boneCount = 0;
  const std::uint8_t* data = nullptr;  // the data box
};

std::optional<CanonicalBones> MatchCanonicalSkeletonDefinition(ByteView bytes) noexcept;
void ReadCanonicalSkeletonBones(const CanonicalBones& document, const BoneOutputs& out) noexcept;

std::optional<CanonicalBones> MatchCanonicalFrameData(ByteView bytes) noexcept;
FrameHeaderValues ReadCanonicalFrameHeader(const CanonicalBones& document) noexcept;
void ReadCanonicalFrameBones(const CanonicalBones& document, const BoneOutputs& out) noexcept;

struct CanonicalSensorData {
  std::uint64_t packedAddress = 0;
  std::uint32_t port = 0;
  double uttm = 0.0;
  std::string_view sensorAddress;
  std::string_view sensorName;
  int sensorJointIndex = 0;
  SensorValueArray sensorValues{};
};

std::optional<CanonicalSensorData> MatchCanonicalSensorData(ByteView bytes) noexcept;

}  // namespace ravuna_motion_format
