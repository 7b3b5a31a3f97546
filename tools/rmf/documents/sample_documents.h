// Sample documents for the demo: a 27-bone humanoid, a few frames of it
// waving its right arm, and one record of a wrist sensor.
#pragma once

#include <cstdint>
#include <vector>

#include "rmf/input_reading.h"

namespace rmf {

inline constexpr const char* kSampleSenderIp = "192.168.0.10";
inline constexpr std::uint32_t kSampleSenderPort = 7000;
inline constexpr int kSampleBoneCount = 27;
inline constexpr int kSampleFirstFrame = 100;
inline constexpr double kSampleFrameRate = 60.0;

Bytes SampleSkeletonDefinition();

// Frame `frameIndex` (0 first) of the waving motion.
Bytes SampleFrame(int frameIndex);

Bytes SampleSensorRecord();

}  // namespace rmf
