// The frame data document: frame number, times, timecode and per bone an id
// and a transform, in a "fram" box holding "btrs" with one "btdt" per bone.
#pragma once

#include <array>
#include <string>

#include "box/box_reading.h"
#include "documents/bone_values.h"
#include "documents/document_layout.h"

namespace ravuna_motion_format {

// The scalars of a frame; the timecode's last byte is its flag, which reads
// as 0 or 1.
struct FrameHeaderValues {
  int frameNumber = 0;
  float time = 0.0F;
  double uttm = 0.0;
  std::array<unsigned char, kTimecodeByteCount> timecode{};
};

inline constexpr std::size_t kTimecodeFlagIndex = kTimecodeByteCount - 1;

MotionFormatPtr BuildFrameData(std::string ipText, std::uint16_t port,
                               const FrameHeaderValues& frame, int boneCount, const int* boneIds,
                               const TransformArrays& transforms);

// Missing scalars stay 0.
struct FrameDataValues {
  FrameHeaderValues frame;
  BoneValues bones;
};

// The general read of "fram": every "bnid" and "tran" in order, the last of
// each scalar. The bones' boxes come first: the walk asks in this order.
inline constexpr BoxReading<FrameDataValues, 6> kFrameDataReading{{{
    {BoxType::bnid, LeafCount::perBone,
     [](FrameDataValues& values, ByteView bytes, const WalkedBox& box) {
       values.bones.AddId(ReadBoneId(bytes, box.Payload()));
     }},
    {BoxType::tran, LeafCount::perBone,
     [](FrameDataValues& values, ByteView bytes, const WalkedBox& box) {
       values.bones.AddTransform(bytes, box.Payload());
     }},
    {BoxType::fnum, LeafCount::once,
     [](FrameDataValues& values, ByteView bytes, const WalkedBox& box) {
       values.frame.frameNumber = ReadLittleEndian<int>(bytes, box.Payload());
     }},
    {BoxType::time, LeafCount::once,
     [](FrameDataValues& values, ByteView bytes, const WalkedBox& box) {
       values.frame.time = ReadLittleEndian<float>(bytes, box.Payload());
     }},
    {BoxType::uttm, LeafCount::once,
     [](FrameDataValues& values, ByteView bytes, const WalkedBox& box) {
       values.frame.uttm = ReadLittleEndian<double>(bytes, box.Payload());
     }},
    {BoxType::tmcd, LeafCount::once,
     [](FrameDataValues& values, ByteView bytes, const WalkedBox& box) {
       std::array<unsigned char, kTimecodeByteCount>& timecode = values.frame.timecode;
       for (std::size_t k = 0; k < timecode.size(); ++k) {
         timecode[k] = ReadLittleEndian<unsigned char>(bytes, box.Payload() + k);
       }
       timecode[kTimecodeFlagIndex] = timecode[kTimecodeFlagIndex] != 0 ? 1 : 0;
     }},
}}};

}  // namespace ravuna_motion_format
