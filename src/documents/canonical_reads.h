// The fast read: documents laid out exactly as the writers lay them out,
// recognised by checking every box header in place (size and code). A
// document that differs anywhere is not recognised here, and the general walk
// reads it; for a recognised one both reads give the same values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "box/envelope_decoder.h"
#include "documents/bone_values.h"
#include "documents/frame_data.h"
#include "documents/sensor_data.h"

namespace ravuna_motion_format {

// The data box of a recognised skeleton definition or frame, and its bones.
struct CanonicalBones {
  const std::uint8_t* data = nullptr;
  std::size_t boneCount = 0;
};

std::optional<CanonicalBones> MatchCanonicalSkeletonDefinition(ByteView bytes) noexcept;
void ReadCanonicalSkeletonBones(const CanonicalBones& document, const BoneOutputs& out) noexcept;

std::optional<CanonicalBones> MatchCanonicalFrameData(ByteView bytes) noexcept;
FrameHeaderValues ReadCanonicalFrameHeader(const CanonicalBones& document) noexcept;
void ReadCanonicalFrameBones(const CanonicalBones& document, const BoneOutputs& out) noexcept;

// The values of a recognised sensor data document; the texts view `bytes`.
std::optional<SensorDataValues> MatchCanonicalSensorData(ByteView bytes) noexcept;

// The sender of a recognised document, as the general walk hands it out.
SenderValues ReadCanonicalSender(ByteView bytes) noexcept;

}  // namespace ravuna_motion_format
