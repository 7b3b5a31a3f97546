// The three documents written straight into a buffer in one pass, byte for
// byte what the box tree encodes to. The buffer must hold the document's
// length (SkeletonDefinitionLength, FrameDataLength,
// SensorDataLength); the address is already packed.
#pragma once

#include <cstdint>
#include <string_view>

#include "documents/frame_data.h"
#include "documents/sensor_data.h"
#include "documents/skeleton_definition.h"

namespace ravuna_motion_format {

// The sender of a document: packed address and port.
struct Sender {
  std::uint64_t packedAddress = 0;
  std::uint16_t port = 0;
};

void WriteSkeletonDefinition(std::uint8_t* out, const Sender& sender, int boneCount,
                             const int* boneIds, const int* parentBoneIds,
                             const TransformArrays& transforms) noexcept;

void WriteFrameData(std::uint8_t* out, const Sender& sender, const FrameHeaderValues& frame,
                    int boneCount, const int* boneIds, const TransformArrays& transforms) noexcept;

void WriteSensorData(std::uint8_t* out, const Sender& sender, double uttm,
                     std::string_view sensorAddress, std::string_view sensorName,
                     int sensorJointIndex, const SensorValueArray& sensorValues) noexcept;

}  // namespace ravuna_motion_format
