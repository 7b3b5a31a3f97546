// The inputs of the benchmarks: records as a caller holds them, and documents
// encoded once from them through the public functions.
#pragma once

#include <cstddef>

#include "motion_calls.hpp"

namespace ravuna_bench {

namespace calls = ravuna_motion_calls;
using Bytes = calls::Bytes;

// Built once: the encoding calls read its text in place.
inline const calls::Sender kSender{"192.168.0.17", 49152};

// The records of `count` bones, with distinct values; the frame carries the
// skeleton's bones (its parent ids unused) and fixed scalars.
struct BoneInputs {
  explicit BoneInputs(int boneCount);

  calls::SkeletonDefinition skeleton;
  calls::FrameData frame;
};

// A sensor record whose two texts are `textLength` bytes long.
calls::SensorData SensorInputs(std::size_t textLength);

// The documents, copied out of the library.
Bytes SkeletonDocument(const BoneInputs& bones);
Bytes FrameDocument(const BoneInputs& bones);
Bytes SensorDocument(const calls::SensorData& sensor);

// Records whose arrays hold up to `capacity` bones, or whose texts hold
// `textLength` bytes, for the parses into the caller's memory.
calls::Parsed<calls::SkeletonDefinition> SkeletonArrays(int capacity);
calls::Parsed<calls::FrameData> FrameArrays(int capacity);
calls::Parsed<calls::SensorData> SensorTexts(std::size_t textLength);

}  // namespace ravuna_bench
