// The frame data document: frame number, times, timecode and per bone an id
// and a transform, in a "fram" box holding "btrs" with one "btdt" per bone.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "box/envelope_decoder.h"
#include "documents/bone_transform.h"

namespace ravuna_motion_format {

std::uint64_t FrameDataLength(std::int64_t boneCount) noexcept;

// The scalars of a frame; the timecode's last byte is its flag.
struct FrameHeaderValues {
  int frameNumber = 0;
  float time = 0.0F;
  double uttm = 0.0;
  std::array<unsigned char, kTimecodeByteCount> timecode{};
};

MotionFormatPtr BuildFrameData(std::string ipText, std::uint16_t port,
                               const FrameHeaderValues& frame, int boneCount, const int* boneIds,
                               const TransformArrays& transforms);

// What a frame data document holds; missing scalars stay 0 and the flag
// reads as 0 or 1.
struct FrameDataValues {
  std::optional<std::uint32_t> port;
  FrameHeaderValues frame;
  std::vector<int> boneIds;
  TransformSequences transforms;
};

EnvelopeResult DecodeFrameData(ByteView bytes, std::string& ipText, FrameDataValues& values);

void ReadFrameDataBox(ByteView data, FrameDataValues& values);

}  // namespace ravuna_motion_format
